#include "platform/updates/appcast.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/feedsignature.h"
#include "platform/updates/folderlock.h"
#include "platform/updates/runningversion.h"
#include "platform/updates/startreport.h"
#include "platform/updates/updatearchive.h"
#include "platform/updates/updatefailure.h"
#include "platform/updates/updater.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

// The update framework against a signed feed on a local HTTPS server: what it installs and starts, the
// many ways a feed or an update is refused with the installed program left as it was, copies of the
// program updating one installation, the check interval, and the publishing tool.
using namespace quorvale;
using namespace quorvale::updates;
using namespace quorvale::testing;

namespace {

const QString feedPath = QStringLiteral("/olvar/appcast.xml");
const QString downloadPath = QStringLiteral("/downloads/QuorvaleDemo");
QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslConfiguration serverTls()
{
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(readFile(QStringLiteral(QUORVALE_TEST_TLS_DIR "/server.pem"))));
    tls.setPrivateKey(QSslKey(readFile(QStringLiteral(QUORVALE_TEST_TLS_DIR "/server.key")), QSsl::Ec));
    return tls;
}

class RecordingDelegate : public UpdaterDelegate
{
public:
    std::optional<QString> feedURLString() override { return std::nullopt; }
    bool shouldPostponeRelaunch(const AppcastItem &, std::function<void()> relaunch) override
    {
        if (!postpone)
            return false;
        kept = std::move(relaunch);
        return true;
    }

    bool postpone = false;
    std::function<void()> kept;
};

class ScriptedDriver : public UserDriver
{
public:
    QCoro::Task<bool> confirmInstall(AppcastItem item, bool failedBefore) override
    {
        offered.append(item);
        offeredAsFailed.append(failedBefore);
        // What happens while the offer is open on screen.
        if (const std::function<void()> meanwhile = std::exchange(whileOffered, nullptr))
            meanwhile();
        co_return accept;
    }
    void showProgress(qint64, qint64) override { shown.append(QStringLiteral("progress")); }
    void showInstalling() override
    {
        shown.append(QStringLiteral("installing"));
        if (const std::function<void()> meanwhile = std::exchange(whileInstalling, nullptr))
            meanwhile();
    }
    void showFinishing() override { shown.append(QStringLiteral("finishing")); }
    void showUpToDate(const QString &newest) override { upToDate.append(newest); }
    void showPostponed() override {}
    void showFailure(const QString &message) override { failures.append(message); }

    std::function<void()> whileOffered;
    std::function<void()> whileInstalling;
    bool accept = true;
    QList<AppcastItem> offered;
    QList<bool> offeredAsFailed;
    QStringList shown;
    QStringList failures;
    QStringList upToDate;
};

const QDateTime fixedNow(QDate(2024, 9, 2), QTime(8, 0), QTimeZone::utc());

// A signed release of the stand-in application on the local HTTPS server, and its older build installed
// as lib/quorvale/1.0.0/QuorvaleDemo with lib/quorvale/current naming 1.0.0 and bin/QuorvaleDemo leading
// there. The copy of the program that updates runs from 1.0.0.
struct UpdateRig
{
    UpdateRig()
    {
        platform.listen(0, serverTls());
        root = folder.filePath(QStringLiteral("lib/quorvale"));
        QDir().mkpath(root + QStringLiteral("/1.0.0"));
        installed = root + QStringLiteral("/1.0.0/QuorvaleDemo");
        QFile::copy(QStringLiteral(QUORVALE_STANDIN_OLD), installed);
        QFile::link(QStringLiteral("1.0.0"), root + QStringLiteral("/current"));
        QDir().mkpath(folder.filePath(QStringLiteral("bin")));
        QFile::link(QStringLiteral("../lib/quorvale/current/QuorvaleDemo"), launcher());
        running.emplace(installed);
        installedBytes = readFile(installed);
        release = {QStringLiteral("1.1.0"),
                   {{QStringLiteral("QuorvaleDemo"), true, readFile(QStringLiteral(QUORVALE_STANDIN_NEW))},
                    {QStringLiteral("quorvale-webengine.so"), false, "web module 1.1.0"}}};
        settings = std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                               QSettings::IniFormat);
        publish(release);
    }

    ~UpdateRig()
    {
        standIn.kill();
        standIn.waitForFinished();
    }

    QUrl url(const QString &path) const { return platform.origin().resolved(QUrl(path)); }

    void publish(const UpdateArchive &archive, const QString &path = downloadPath)
    {
        downloadAt = path;
        route(downloadAt, enclosure = packArchive(archive));
        route(feedPath, signedFeed(feed(archive.version), keys.secretKey));
    }

    // The release with another version and program.
    UpdateArchive releaseOf(const QString &version, const QByteArray &program) const
    {
        return {version, {{QStringLiteral("QuorvaleDemo"), true, program}, release.entries.last()}};
    }

    QByteArray feed(const QString &version = QStringLiteral("1.1.0"),
                    const QString &scheme = QStringLiteral("https")) const
    {
        const QString signature = QString::fromLatin1(signEd25519(enclosure, keys.secretKey).toBase64());
        QUrl download = url(downloadAt);
        download.setScheme(scheme);
        return writeAppcast({{version, version, download, enclosure.size(), signature}});
    }

    void route(const QString &path, const QByteArray &body)
    {
        platform.route(path, [body](const demo::HttpRequest &) { return demo::HttpResponse{200, {}, body}; });
    }

    // Starts the new version for real, or stands in for it: a program that starts shows its window and
    // makes itself current at once, a process of its own standing for it.
    std::optional<qint64> launch(const QString &path, int reportChannel)
    {
        if (const std::function<void()> meanwhile = std::exchange(whileLaunching, nullptr))
            meanwhile();
        relaunched.append(path);
        driver.shown.append(QStringLiteral("launch"));
        if (startForReal)
            return launched = UpdateHost::start(path, {report()}, reportChannel);
        if (!starts)
            return std::nullopt;
        updates::report(reportChannel, StartEvent::shown);
        const std::optional<StartEvent> failure = RunningVersion(path).makeCurrent(InstallFolder::lockBound);
        updates::report(reportChannel, failure.value_or(StartEvent::current));
        standIn.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        standIn.waitForStarted();
        return standIn.processId();
    }

    // Makes `version` current, as another copy of the program would.
    void makeCurrent(const QString &version)
    {
        QDir(root).mkdir(version);
        QFile::remove(root + QStringLiteral("/current"));
        QFile::link(version, root + QStringLiteral("/current"));
    }

    void makeUpdater() { updater = newUpdater(); }

    // Another copy of the program running from the same installation.
    std::unique_ptr<Updater> newUpdater()
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(
            QSslCertificate::fromData(readFile(QStringLiteral(QUORVALE_TEST_TLS_DIR "/ca.pem"))));
        UpdateHost host{installed,
                        settings,
                        tls,
                        [this](const QString &path, int channel) { return launch(path, channel); },
                        [this] { ++quits; },
                        [] { return fixedNow; },
                        [this](const QString &) { return freeSpace; }};
        const InfoDictionary info{
            {QStringLiteral("SUFeedURL"), url(feedPath).toString()},
            {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(keys.publicKey.toBase64())},
            {QStringLiteral("CFBundleVersion"), QStringLiteral("1.0.0")},
            {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0.0")}};
        auto made = std::make_unique<Updater>(info, host, &delegate, &driver);
        made->setUserAgentString(QStringLiteral("Olvar/1.0.0 Sparkle/2.9.6"));
        return made;
    }

    Updater::Outcome check()
    {
        if (!updater)
            makeUpdater();
        return awaitTask(updater->check(true));
    }

    // Where the started stand-in writes its version and the file it runs from.
    QString report() const { return folder.filePath(QStringLiteral("report.txt")); }
    QString launcher() const { return folder.filePath(QStringLiteral("bin/QuorvaleDemo")); }
    QString current() const { return QFile::symLinkTarget(root + QStringLiteral("/current")); }
    // What the root holds besides its lock file.
    QStringList entries() const
    {
        QStringList names = QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeOne(QStringLiteral(".lock"));
        return names;
    }

    // Only the installed version remains, current as before: nothing of the update is left behind.
    bool untouched() const
    {
        return readFile(installed) == installedBytes && relaunched.isEmpty() && quits == 0 &&
               current() == QDir(root).filePath(QStringLiteral("1.0.0")) &&
               entries() == QStringList{QStringLiteral("1.0.0"), QStringLiteral("current")};
    }

    demo::DemoPlatform platform;
    QTemporaryDir folder;
    QString root;
    QString installed;
    QByteArray installedBytes;
    UpdateArchive release;
    QString downloadAt = downloadPath;
    QByteArray enclosure;
    KeyPair keys = generateKeyPair();
    std::shared_ptr<QSettings> settings;
    RecordingDelegate delegate;
    ScriptedDriver driver;
    std::optional<RunningVersion> running;
    QStringList relaunched;
    std::optional<qint64> launched;
    QProcess standIn;
    int quits = 0;
    bool startForReal = false;
    bool starts = true;
    // What happens once the update is placed, just before its program starts.
    std::function<void()> whileLaunching;
    qint64 freeSpace = qint64(1) << 40;
    std::unique_ptr<Updater> updater;
};

// Takes write access to a file or folder away while it lives, from the superuser too, as the tests may
// run as root.
class Unwritable
{
public:
    explicit Unwritable(QString path)
        : m_path(std::move(path))
    {
        set(false);
    }
    ~Unwritable() { set(true); }

private:
    void set(bool writable)
    {
        if (::geteuid() == 0) {
            const QString flag = writable ? QStringLiteral("-i") : QStringLiteral("+i");
            QProcess::execute(QStringLiteral("chattr"), {flag, m_path});
            return;
        }
        const QFile::Permissions permissions = QFile::permissions(m_path);
        QFile::setPermissions(m_path,
                              writable ? permissions | QFile::WriteOwner : permissions & ~QFile::WriteOwner);
    }

    QString m_path;
};

// Stand-ins started while this lives hold before their proof until `letGo` exists, made at the latest
// when this goes, so that none is left waiting.
class HeldStandIns
{
public:
    explicit HeldStandIns(QString letGo)
        : m_letGo(std::move(letGo))
    {
        qputenv(variable, QFile::encodeName(m_letGo));
    }
    ~HeldStandIns()
    {
        qunsetenv(variable);
        letGo();
    }
    HeldStandIns(const HeldStandIns &) = delete;
    HeldStandIns &operator=(const HeldStandIns &) = delete;

    bool letGo() const { return QFile(m_letGo).open(QIODevice::WriteOnly); }

private:
    static constexpr const char *variable = "QUORVALE_STANDIN_HOLD";
    QString m_letGo;
};

// A check's outcome, with the unpacking folders the installation holds at the moment it is returned,
// before the event loop turns again.
QCoro::Task<std::pair<Updater::Outcome, QStringList>> checkAndUnpackings(Updater *updater, QString root)
{
    const Updater::Outcome outcome = co_await updater->check(true);
    co_return std::pair(outcome, QDir(root).entryList({QStringLiteral(".incoming-*")},
                                                      QDir::Dirs | QDir::Hidden | QDir::NoSymLinks));
}

QByteArray fromHex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// An environment variable the programs started while it lives inherit.
class StartedWith
{
public:
    StartedWith(const char *name, const QByteArray &value)
        : m_name(name)
    {
        qputenv(m_name, value);
    }
    ~StartedWith() { qunsetenv(m_name); }

private:
    const char *m_name;
};

// Whether a process that is not this one's child still runs: neither gone nor a zombie.
bool stillRuns(qint64 process)
{
    const QByteArray status = readFile(QStringLiteral("/proc/%1/stat").arg(process));
    const qsizetype name = status.lastIndexOf(')');
    return name >= 0 && status.mid(name + 2, 1) != "Z";
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private slots:
    void passesTheRfc8032Vectors_data();
    void passesTheRfc8032Vectors();
    void installsAVerifiedUpdate();
    void installsOnlyWhenThePostponedRelaunchRuns();
    void startsTheNewVersionForReal_data();
    void startsTheNewVersionForReal();
    void saysSoWhenTheNewVersionCannotStart();
    void keepsTheRunningVersionWhenTheNewOneDoesNotRun_data();
    void keepsTheRunningVersionWhenTheNewOneDoesNotRun();
    void neverReplacesANewerVersionInstalledMeanwhile();
    void leavesNoUnpackingBehindWhateverTheOutcome_data();
    void leavesNoUnpackingBehindWhateverTheOutcome();
    void finishesTheProofWhenTheCopyThatStartedItHasGone();
    void neverTakesOverWithAReleaseThatCrashesOnceUp();
    void startsAtOnceWhileAnotherProgramHoldsEveryLock();
    void keepsTheWindowAnsweringWhileItWaitsForTheLock();
    void tellsWhyTheNewVersionCouldNotTakeOver();
    void endsItsHungProgramWhenANewerVersionTookOver();
    void aQuitOrAnExitOnceUpIsNoFailure_data();
    void aQuitOrAnExitOnceUpIsNoFailure();
    void saysAnotherCopyIsStillProvingTheVersion();
    void finishesTheProofOutOfSightAfterAQuit_data();
    void finishesTheProofOutOfSightAfterAQuit();
    void aSignalThatEndsTheSessionIsNoFailure_data();
    void aSignalThatEndsTheSessionIsNoFailure();
    void tellsALockFileItCannotOpenAsNotWritable();
    void leavesNoProofMarkWhenTheOldCopyEndsFirst();
    void aStartRemovesAProofMarkNoCopyHolds();
    void repairsADamagedCurrent_data();
    void repairsADamagedCurrent();
    void writesTheLastCheckOnceTheCheckIsOver();
    void replacesAHeldFolderOfTheVersionOnceLetGo();
    void neverDownloadsIntoAnInstallationItCannotWrite_data();
    void neverDownloadsIntoAnInstallationItCannotWrite();
    void offersOnlyVersionsNewerThanTheCurrentOne();
    void anOlderVersionStartedByHandLeavesTheNewerCurrent();
    void removesOnlyVersionsNoProgramNeeds();
    void removesWhatAnInterruptedUnpackingLeft_data();
    void removesWhatAnInterruptedUnpackingLeft();
    void refusesAndKeepsTheInstalledProgram_data();
    void refusesAndKeepsTheInstalledProgram();
    void neverOffersAnOlderOrEqualVersion_data();
    void neverOffersAnOlderOrEqualVersion();
    void readsAnIntervalOutsideTheOfferedRangeAsTheNearest_data();
    void readsAnIntervalOutsideTheOfferedRangeAsTheNearest();
    void refusesAMalformedArchive_data();
    void refusesAMalformedArchive();
    void publishesOnlyTheVersionBuiltIn_data();
    void publishesOnlyTheVersionBuiltIn();
};

void TestUpdater::passesTheRfc8032Vectors_data()
{
    QTest::addColumn<QByteArray>("publicKey");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("signature");
    QTest::newRow("test 1") << fromHex("d75a980182b10ab7d54bfed3c964073a0ee172f3daa62325af021a68f707511a")
                            << QByteArray()
                            << fromHex("e5564300c360ac729086e2cc806e828a84877f1eb8e5d974d873e06522490155"
                                       "5fb8821590a33bacc61e39701cf9b46bd25bf5f0595bbe24655141438e7a100b");
    QTest::newRow("test 2") << fromHex("3d4017c3e843895a92b70aa74d1b7ebc9c982ccf2ec4968cc0cd55f12af4660c")
                            << fromHex("72")
                            << fromHex("92a009a9f0d4cab8720e820b5f642540a2b27b5416503f8fb3762223ebdb69da"
                                       "085ac1e43e15996e458f3613d0f11d8c387b2eaeb4302aeeb00d291612bb0c00");
    QTest::newRow("test 3") << fromHex("fc51cd8e6218a1a38da47ed00230f0580816ed13ba3303ac5deb911548908025")
                            << fromHex("af82")
                            << fromHex("6291d657deec24024827e69c3abe01a30ce548a284743a445e3680d7db5ac3ac"
                                       "18ff9b538d16f290ae67f760984dc6594a7c15e9716ed28dc027beceea1ec40a");
}

void TestUpdater::passesTheRfc8032Vectors()
{
    QFETCH(QByteArray, publicKey);
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, signature);
    QVERIFY(verifyEd25519(message, signature, publicKey));
    QByteArray flipped = signature;
    flipped[5] = char(flipped[5] ^ 0x01);
    QVERIFY(!verifyEd25519(message, flipped, publicKey));
    QVERIFY(!verifyEd25519(message + 'x', signature, publicKey));
    QVERIFY(!verifyEd25519(message, signature.chopped(1), publicKey));
}

void TestUpdater::installsAVerifiedUpdate()
{
    UpdateRig rig;
    QCOMPARE(rig.check(), Updater::Outcome::installed);
    const QString version = rig.root + QStringLiteral("/1.1.0");
    QCOMPARE(rig.current(), version);
    QCOMPARE(QFileInfo(version).permissions(), QFileInfo(rig.root + QStringLiteral("/1.0.0")).permissions());
    for (const ArchiveEntry &entry : std::as_const(rig.release.entries)) {
        QCOMPARE(readFile(version + u'/' + entry.name), entry.bytes);
        QCOMPARE(QFileInfo(version + u'/' + entry.name).isExecutable(), entry.executable);
    }
    QCOMPARE(rig.relaunched, QStringList{version + QStringLiteral("/QuorvaleDemo")});
    QCOMPARE(rig.quits, 1);
    // The dialog leaves the download's progress once the download is complete.
    QCOMPARE(
        rig.driver.shown.sliced(rig.driver.shown.size() - 3),
        (QStringList{QStringLiteral("progress"), QStringLiteral("installing"), QStringLiteral("launch")}));
    QCOMPARE(rig.driver.offered.size(), 1);
    QCOMPARE(rig.driver.offered.first().displayVersion, QStringLiteral("1.1.0"));
    // The running version stays until it ends; nothing else is left behind.
    QCOMPARE(readFile(rig.installed), rig.installedBytes);
    QCOMPARE(rig.entries(),
             (QStringList{QStringLiteral("1.0.0"), QStringLiteral("1.1.0"), QStringLiteral("current")}));
    const QList<demo::HttpRequest> requests = rig.platform.requests();
    QCOMPARE(requests.size(), 2);
    for (const demo::HttpRequest &request : requests)
        QCOMPARE(request.header("User-Agent"), QByteArray("Olvar/1.0.0 Sparkle/2.9.6"));
}

void TestUpdater::installsOnlyWhenThePostponedRelaunchRuns()
{
    UpdateRig rig;
    rig.delegate.postpone = true;
    QCOMPARE(rig.check(), Updater::Outcome::postponed);
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QVERIFY(rig.delegate.kept);
    rig.delegate.kept();
    QTRY_COMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
    QCOMPARE(rig.relaunched, QStringList{rig.root + QStringLiteral("/1.1.0/QuorvaleDemo")});
}

void TestUpdater::startsTheNewVersionForReal_data()
{
    QTest::addColumn<bool>("postponed");
    QTest::newRow("at once") << false;
    QTest::newRow("postponed, then resumed once idle") << true;
}

void TestUpdater::startsTheNewVersionForReal()
{
    QFETCH(bool, postponed);
    UpdateRig rig;
    rig.startForReal = true;
    rig.delegate.postpone = postponed;
    QCOMPARE(rig.check(), postponed ? Updater::Outcome::postponed : Updater::Outcome::installed);
    if (postponed) {
        QVERIFY(!QFile::exists(rig.report()));
        rig.delegate.kept();
    }
    QVERIFY(rig.driver.failures.isEmpty());
    // The started process ran from the new version's file, is the new version and made itself current;
    // then this one ended.
    const QByteArray started = "1.1.0 " + QFile::encodeName(rig.root) + "/1.1.0/QuorvaleDemo\n";
    QTRY_COMPARE_WITH_TIMEOUT(readFile(rig.report()), started, 20000);
    QTRY_COMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
    QTRY_COMPARE(rig.quits, 1);
}

void TestUpdater::saysSoWhenTheNewVersionCannotStart()
{
    UpdateRig rig;
    rig.starts = false;
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures, QStringList{UpdateFailure::notStarted().description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QCOMPARE(rig.quits, 0);
}

void TestUpdater::keepsTheRunningVersionWhenTheNewOneDoesNotRun_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::newRow("program that exits at once") << QByteArray("#!/bin/sh\nexit 1\n");
    QTest::newRow("program that cannot be executed") << QByteArray("\x7f"
                                                                   "ELF, but not for this machine");
}

void TestUpdater::keepsTheRunningVersionWhenTheNewOneDoesNotRun()
{
    QFETCH(QByteArray, program);
    UpdateRig rig;
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), program));
    rig.startForReal = true;
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.relaunched, QStringList{rig.root + QStringLiteral("/1.1.0/QuorvaleDemo")});
    QCOMPARE(rig.driver.failures, QStringList{UpdateFailure::notStarted().description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QCOMPARE(rig.quits, 0);
    // The installed launcher still starts the version in use.
    QCOMPARE(QProcess::execute(rig.launcher(), {rig.report()}), 0);
    QCOMPARE(readFile(rig.report()), "1.0.0 " + QFile::encodeName(rig.installed) + '\n');
}

void TestUpdater::neverReplacesANewerVersionInstalledMeanwhile()
{
    UpdateRig rig;
    const UpdateArchive older = rig.release;
    const UpdateArchive newer =
        rig.releaseOf(QStringLiteral("1.2.0"), readFile(QStringLiteral(QUORVALE_STANDIN_NEW)));
    std::unique_ptr<Updater> other = rig.newUpdater();
    // While this copy offers 1.1.0, another copy installs 1.2.0 and restarts into it.
    rig.driver.whileOffered = [&] {
        rig.publish(newer, downloadPath + QStringLiteral("-1.2.0"));
        QCOMPARE(awaitTask(other->check(true)), Updater::Outcome::installed);
        rig.publish(older);
    };
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures,
             QStringList{UpdateFailure::newerInstalled(QStringLiteral("1.2.0")).description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.2.0"));
    QCOMPARE(readFile(rig.root + QStringLiteral("/1.2.0/QuorvaleDemo")), newer.entries.first().bytes);
    QCOMPARE(rig.relaunched, QStringList{rig.root + QStringLiteral("/1.2.0/QuorvaleDemo")});
    QCOMPARE(rig.quits, 1);
    // Both copies still run from 1.0.0.
    QCOMPARE(rig.entries(),
             (QStringList{QStringLiteral("1.0.0"), QStringLiteral("1.2.0"), QStringLiteral("current")}));
}

void TestUpdater::leavesNoUnpackingBehindWhateverTheOutcome_data()
{
    QTest::addColumn<QString>("way");
    QTest::addColumn<Updater::Outcome>("outcome");
    QTest::newRow("installed") << "installed" << Updater::Outcome::installed;
    QTest::newRow("postponed") << "postponed" << Updater::Outcome::postponed;
    QTest::newRow("a newer version installed meanwhile") << "newer" << Updater::Outcome::failed;
    QTest::newRow("the version's folder held") << "held" << Updater::Outcome::failed;
    QTest::newRow("the new version not started") << "not started" << Updater::Outcome::failed;
}

void TestUpdater::leavesNoUnpackingBehindWhateverTheOutcome()
{
    QFETCH(QString, way);
    QFETCH(Updater::Outcome, outcome);
    UpdateRig rig;
    rig.delegate.postpone = way == u"postponed";
    rig.starts = way != u"not started";
    if (way == u"newer")
        rig.driver.whileOffered = [&rig] { rig.makeCurrent(QStringLiteral("1.2.0")); };
    std::optional<FolderLock> held;
    if (way == u"held") {
        QVERIFY(QDir(rig.root).mkdir(QStringLiteral("1.1.0")));
        held = FolderLock::take(rig.root + QStringLiteral("/1.1.0"), FolderLock::Mode::shared, false);
        QVERIFY(held);
    }
    rig.makeUpdater();
    const std::pair<Updater::Outcome, QStringList> ended =
        awaitTask(checkAndUnpackings(rig.updater.get(), rig.root));
    QCOMPARE(ended.first, outcome);
    QCOMPARE(ended.second, QStringList());
    QCOMPARE(rig.driver.failures.size(), outcome == Updater::Outcome::failed ? 1 : 0);
}

void TestUpdater::finishesTheProofWhenTheCopyThatStartedItHasGone()
{
    UpdateRig rig;
    QVERIFY(QDir(rig.root).mkdir(QStringLiteral("1.1.0")));
    const QString program = rig.root + QStringLiteral("/1.1.0/QuorvaleDemo");
    QVERIFY(QFile::copy(QStringLiteral(QUORVALE_STANDIN_NEW), program));
    // Its report pipe has no reader: every report it writes finds the starter gone.
    int ends[2] = {-1, -1};
    QVERIFY(::pipe(ends) == 0);
    ::close(ends[0]);
    const std::optional<qint64> started = UpdateHost::start(program, {rig.report()}, ends[1]);
    ::close(ends[1]);
    QVERIFY(started);
    int status = 0;
    QVERIFY(QTest::qWaitFor([&] { return ::waitpid(pid_t(*started), &status, WNOHANG) == pid_t(*started); },
                            20000));
    QVERIFY2(WIFEXITED(status), "the started version did not end by itself");
    QCOMPARE(WEXITSTATUS(status), 0);
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
}

void TestUpdater::neverTakesOverWithAReleaseThatCrashesOnceUp()
{
    UpdateRig rig;
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), readFile(QStringLiteral(QUORVALE_STANDIN_CRASHING))));
    rig.startForReal = true;
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    // Its window was up when it crashed.
    QVERIFY(QFile::exists(rig.report()));
    QCOMPARE(rig.driver.failures, QStringList{UpdateFailure::crashed().description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QCOMPARE(readFile(rig.installed), rig.installedBytes);
    QCOMPARE(rig.quits, 0);
    // A scheduled check leaves the failed version alone; one the person asks for offers it as such.
    QCOMPARE(awaitTask(rig.updater->check(false)), Updater::Outcome::upToDate);
    QCOMPARE(rig.driver.offered.size(), 1);
    rig.driver.accept = false;
    QCOMPARE(rig.check(), Updater::Outcome::declined);
    QCOMPARE(rig.driver.offeredAsFailed, (QList<bool>{false, true}));
}

void TestUpdater::startsAtOnceWhileAnotherProgramHoldsEveryLock()
{
    UpdateRig rig;
    rig.running.reset();
    // Another user's, or a stopped copy's, holds: the lock file, the root and the version folder. Held
    // here, each through a descriptor of its own, which the started program does not inherit.
    const QString version = rig.installed.section(u'/', 0, -2);
    std::vector<std::optional<FolderLock>> holders;
    holders.push_back(FolderLock::takeFile(rig.root + QStringLiteral("/.lock"), std::chrono::seconds(0)));
    holders.push_back(FolderLock::take(rig.root, FolderLock::Mode::exclusive, false));
    holders.push_back(FolderLock::take(version, FolderLock::Mode::exclusive, false));
    QVERIFY(std::all_of(holders.begin(), holders.end(), [](const auto &held) { return held.has_value(); }));
    QVERIFY(!FolderLock::takeFile(rig.root + QStringLiteral("/.lock"), std::chrono::milliseconds(0)) &&
            !FolderLock::take(rig.root, FolderLock::Mode::shared, false) &&
            !FolderLock::take(version, FolderLock::Mode::shared, false));
    QProcess started;
    started.start(rig.launcher(), {rig.report()});
    QTRY_COMPARE_WITH_TIMEOUT(readFile(rig.report()), "1.0.0 " + QFile::encodeName(rig.installed) + '\n', 2000);
    holders.clear();
    QVERIFY(started.waitForFinished(20000));
}

void TestUpdater::keepsTheWindowAnsweringWhileItWaitsForTheLock()
{
    UpdateRig rig;
    std::optional<FolderLock> holder =
        FolderLock::takeFile(rig.root + QStringLiteral("/.lock"), std::chrono::milliseconds(0));
    QVERIFY(holder);
    // The other copy lets go from the event loop: an update whose wait holds the loop gives up first.
    QObject letGo;
    rig.driver.whileInstalling = [&holder, &letGo] {
        QTimer::singleShot(300, &letGo, [&holder] { holder.reset(); });
    };
    QCOMPARE(rig.check(), Updater::Outcome::installed);
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
}

void TestUpdater::tellsWhyTheNewVersionCouldNotTakeOver()
{
    UpdateRig rig;
    // Where the new link is made first, a folder that cannot be replaced.
    QVERIFY(QDir().mkpath(rig.root + QStringLiteral("/.current.new/kept")));
    rig.startForReal = true;
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures,
             QStringList{UpdateFailure::notSwitched(StartEvent::notWritable).description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QCOMPARE(rig.quits, 0);
}

void TestUpdater::endsItsHungProgramWhenANewerVersionTookOver()
{
    UpdateRig rig;
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), "#!/bin/sh\nexec sleep 60\n"));
    rig.startForReal = true;
    QTimer::singleShot(500, [&rig] { rig.makeCurrent(QStringLiteral("1.2.0")); });
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures,
             QStringList{UpdateFailure::newerInstalled(QStringLiteral("1.2.0")).description()});
    QVERIFY(rig.launched);
    QTRY_VERIFY(::kill(pid_t(*rig.launched), 0) != 0);
    QCOMPARE(rig.quits, 0);
}

void TestUpdater::aQuitOrAnExitOnceUpIsNoFailure_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("failure");
    QTest::newRow("quit by the person: takes over")
        << QStringLiteral(QUORVALE_STANDIN_QUITTING) << QString();
    QTest::newRow("ends with status 0 by itself: offered again")
        << QStringLiteral(QUORVALE_STANDIN_EXITING) << UpdateFailure::endedBeforeTakeOver().description();
}

void TestUpdater::aQuitOrAnExitOnceUpIsNoFailure()
{
    QFETCH(QString, program);
    QFETCH(QString, failure);
    UpdateRig rig;
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), readFile(program)));
    rig.startForReal = true;
    QCOMPARE(rig.check(), failure.isEmpty() ? Updater::Outcome::installed : Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures, failure.isEmpty() ? QStringList() : QStringList{failure});
    QCOMPARE(rig.driver.shown.contains(QStringLiteral("finishing")), failure.isEmpty());
    const QString current = failure.isEmpty() ? QStringLiteral("/1.1.0") : QStringLiteral("/1.0.0");
    QCOMPARE(rig.current(), rig.root + current);
    QCOMPARE(rig.quits, failure.isEmpty() ? 1 : 0);
    QVERIFY(rig.settings->value(QStringLiteral("updates/failedVersions")).toStringList().isEmpty());
    if (failure.isEmpty())
        return;
    rig.driver.accept = false;
    QCOMPARE(awaitTask(rig.updater->check(false)), Updater::Outcome::declined);
    QCOMPARE(rig.driver.offeredAsFailed, (QList<bool>{false, false}));
}

void TestUpdater::saysAnotherCopyIsStillProvingTheVersion()
{
    UpdateRig rig;
    rig.startForReal = true;
    // The other copy's program proves itself only once this copy has said why it installs nothing.
    const HeldStandIns held(rig.folder.filePath(QStringLiteral("let-go")));
    std::unique_ptr<Updater> other = rig.newUpdater();
    std::optional<QCoro::Task<Updater::Outcome>> first;
    // While this copy offers 1.1.0, another copy accepts it and starts it; it has not taken over yet.
    rig.driver.whileOffered = [&] {
        first.emplace(other->check(true));
        QVERIFY(QTest::qWaitFor([&rig] { return !rig.relaunched.isEmpty(); }, 10000));
    };
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures, QStringList{UpdateFailure::installingElsewhere().description()});
    QVERIFY(held.letGo());
    QCOMPARE(awaitTask(std::move(*first)), Updater::Outcome::installed);
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
    QCOMPARE(rig.relaunched.size(), 1);
}

void TestUpdater::finishesTheProofOutOfSightAfterAQuit_data()
{
    QTest::addColumn<bool>("crashes");
    QTest::newRow("lives through its proof: takes over once it is over") << false;
    QTest::newRow("crashes before its proof is over: recorded as failed") << true;
}

void TestUpdater::finishesTheProofOutOfSightAfterAQuit()
{
    QFETCH(bool, crashes);
    UpdateRig rig;
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), readFile(QStringLiteral(QUORVALE_STANDIN_QUITTING))));
    rig.startForReal = true;
    const QString settled = rig.folder.filePath(QStringLiteral("settled.txt"));
    const StartedWith behaviour(crashes ? "QUORVALE_STANDIN_CRASH_AFTER_QUIT" : "QUORVALE_STANDIN_SETTLED",
                                crashes ? QByteArray("1") : QFile::encodeName(settled));
    QCOMPARE(rig.check(), crashes ? Updater::Outcome::failed : Updater::Outcome::installed);
    QVERIFY(rig.driver.shown.contains(QStringLiteral("finishing")));
    const QStringList failed = rig.settings->value(QStringLiteral("updates/failedVersions")).toStringList();
    if (crashes) {
        QCOMPARE(rig.driver.failures, QStringList{UpdateFailure::crashed().description()});
        QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
        QCOMPARE(failed, QStringList{QStringLiteral("1.1.0")});
        QCOMPARE(rig.quits, 0);
        return;
    }
    QVERIFY(rig.driver.failures.isEmpty());
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
    QVERIFY(failed.isEmpty());
    QCOMPARE(rig.quits, 1);
    // Quit half-way through its proof of a second, it took over when the second was over.
    QTRY_VERIFY(!readFile(settled).isEmpty());
    QVERIFY2(readFile(settled).toInt() >= 950, readFile(settled).constData());
}

void TestUpdater::aSignalThatEndsTheSessionIsNoFailure_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<bool>("recorded");
    const QString closed = UpdateFailure::closedBeforeTakeOver().description();
    QTest::newRow("SIGTERM, as a logout sends") << QByteArray("TERM") << closed << false;
    QTest::newRow("SIGHUP") << QByteArray("HUP") << closed << false;
    QTest::newRow("SIGABRT, a crash") << QByteArray("ABRT") << UpdateFailure::crashed().description() << true;
}

void TestUpdater::aSignalThatEndsTheSessionIsNoFailure()
{
    QFETCH(QByteArray, signal);
    QFETCH(QString, failure);
    QFETCH(bool, recorded);
    UpdateRig rig;
    // Its first frame up, the program is ended by the signal.
    const QByteArray program = QByteArray("#!/bin/sh\nprintf s > /proc/self/fd/$") + reportChannelVariable() +
                               "\nkill -" + signal + " $$\n";
    rig.publish(rig.releaseOf(QStringLiteral("1.1.0"), program));
    rig.startForReal = true;
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures, QStringList{failure});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    QCOMPARE(rig.settings->value(QStringLiteral("updates/failedVersions")).toStringList().contains(
                 QStringLiteral("1.1.0")),
             recorded);
}

void TestUpdater::tellsALockFileItCannotOpenAsNotWritable()
{
    UpdateRig rig;
    rig.startForReal = true;
    std::optional<Unwritable> locked;
    rig.whileLaunching = [&] { locked.emplace(rig.root + QStringLiteral("/.lock")); };
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures,
             QStringList{UpdateFailure::notSwitched(StartEvent::notWritable).description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
}

void TestUpdater::leavesNoProofMarkWhenTheOldCopyEndsFirst()
{
    UpdateRig rig;
    const QString archive = rig.folder.filePath(QStringLiteral("update"));
    QFile file(archive);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rig.enclosure) == rig.enclosure.size());
    file.close();
    // The copy that starts the update ends once the new version's window is up.
    QProcess oldCopy;
    oldCopy.start(QStringLiteral(QUORVALE_OLD_COPY), {rig.installed, archive, rig.report()});
    QVERIFY(oldCopy.waitForFinished(30000));
    QCOMPARE(oldCopy.exitCode(), 0);
    const qint64 started = oldCopy.readAllStandardOutput().trimmed().toLongLong();
    QTRY_COMPARE_WITH_TIMEOUT(rig.current(), rig.root + QStringLiteral("/1.1.0"), 20000);
    QTRY_VERIFY(!QFileInfo::exists(rig.root + QStringLiteral("/1.1.0/.proof")));
    QTRY_VERIFY_WITH_TIMEOUT(!stillRuns(started), 20000);
}

void TestUpdater::aStartRemovesAProofMarkNoCopyHolds()
{
    UpdateRig rig;
    for (const char *version : {"1.1.0", "1.2.0"})
        QVERIFY(QDir(rig.root).mkdir(QString::fromLatin1(version)));
    const QString left = rig.root + QStringLiteral("/1.1.0/.proof");
    const QString held = rig.root + QStringLiteral("/1.2.0/.proof");
    QFile mark(left);
    QVERIFY(mark.open(QIODevice::WriteOnly));
    mark.close();
    const std::optional<FolderLock> proving = FolderLock::takeFile(held, std::chrono::milliseconds(0));
    QVERIFY(proving);
    const RunningVersion started(rig.installed);
    QVERIFY(!QFileInfo::exists(left));
    QVERIFY(QFileInfo::exists(held));
}

void TestUpdater::repairsADamagedCurrent_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("a link to nothing") << QStringLiteral("missing");
    QTest::newRow("a link to a newer version whose folder is gone") << QStringLiteral("9.9.9");
    QTest::newRow("a real folder") << QString();
}

void TestUpdater::repairsADamagedCurrent()
{
    QFETCH(QString, damage);
    UpdateRig rig;
    const QString link = rig.root + QStringLiteral("/current");
    QVERIFY(QFile::remove(link));
    if (damage.isEmpty())
        QVERIFY(QDir().mkpath(link + QStringLiteral("/kept")));
    else
        QVERIFY(QFile::link(damage, link));
    QCOMPARE(rig.check(), Updater::Outcome::installed);
    QVERIFY(rig.driver.failures.isEmpty());
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
    QCOMPARE(rig.entries(),
             (QStringList{QStringLiteral("1.0.0"), QStringLiteral("1.1.0"), QStringLiteral("current")}));
    QCOMPARE(QProcess::execute(rig.launcher(), {rig.report()}), 0);
    QCOMPARE(readFile(rig.report()), "1.1.0 " + QFile::encodeName(rig.root) + "/1.1.0/QuorvaleDemo\n");
}

void TestUpdater::writesTheLastCheckOnceTheCheckIsOver()
{
    UpdateRig rig;
    rig.driver.accept = false;
    std::optional<bool> writtenWhileOffered;
    rig.driver.whileOffered = [&rig, &writtenWhileOffered] {
        writtenWhileOffered = rig.settings->contains(QStringLiteral("updates/lastCheck"));
    };
    QCOMPARE(rig.check(), Updater::Outcome::declined);
    QCOMPARE(writtenWhileOffered, std::optional<bool>(false));
    QCOMPARE(QDateTime::fromString(rig.settings->value(QStringLiteral("updates/lastCheck")).toString(), Qt::ISODate),
             fixedNow);
}

void TestUpdater::replacesAHeldFolderOfTheVersionOnceLetGo()
{
    UpdateRig rig;
    // Left by an attempt whose program did not take over, and held by another user's program.
    const QString left = rig.root + QStringLiteral("/1.1.0");
    QVERIFY(QDir().mkdir(left));
    std::optional<FolderLock> holder = FolderLock::take(left, FolderLock::Mode::shared, false);
    QVERIFY(holder);
    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures,
             QStringList{UpdateFailure::versionFolderHeld(QStringLiteral("1.1.0")).description()});
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.0.0"));
    holder.reset();
    QCOMPARE(rig.check(), Updater::Outcome::installed);
    QCOMPARE(rig.current(), left);
    QCOMPARE(readFile(left + QStringLiteral("/QuorvaleDemo")), rig.release.entries.first().bytes);
}

void TestUpdater::neverDownloadsIntoAnInstallationItCannotWrite_data()
{
    QTest::addColumn<QString>("unwritable");
    QTest::newRow("the folder") << QString();
    QTest::newRow("its lock file") << QStringLiteral("/.lock");
}

void TestUpdater::neverDownloadsIntoAnInstallationItCannotWrite()
{
    QFETCH(QString, unwritable);
    UpdateRig rig;
    rig.makeUpdater();
    const QString refusal = UpdateFailure::notUpdatable(QStringLiteral("1.1.0")).description();
    {
        const Unwritable held(rig.root + unwritable);
        // Told once by scheduled checks, each time by a check the person asks for; only the feed is read.
        for (int i = 0; i < 2; ++i)
            QCOMPARE(awaitTask(rig.updater->check(false)), Updater::Outcome::failed);
        QCOMPARE(rig.driver.failures, QStringList{refusal});
        QCOMPARE(rig.check(), Updater::Outcome::failed);
        QCOMPARE(rig.driver.failures, (QStringList{refusal, refusal}));
        QVERIFY(rig.driver.offered.isEmpty());
        QCOMPARE(rig.platform.requests().size(), 3);
    }
    QCOMPARE(awaitTask(rig.updater->check(false)), Updater::Outcome::installed);
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.1.0"));
}

void TestUpdater::offersOnlyVersionsNewerThanTheCurrentOne()
{
    UpdateRig rig;
    rig.makeCurrent(QStringLiteral("1.2.0"));
    QCOMPARE(rig.check(), Updater::Outcome::upToDate);
    // The version the next start runs, not the running one.
    QCOMPARE(rig.driver.upToDate, QStringList{QStringLiteral("1.2.0")});
    QVERIFY(rig.driver.offered.isEmpty());
    QCOMPARE(rig.platform.requests().size(), 1);
}

void TestUpdater::anOlderVersionStartedByHandLeavesTheNewerCurrent()
{
    UpdateRig rig;
    rig.makeCurrent(QStringLiteral("1.2.0"));
    QCOMPARE(QProcess::execute(rig.installed, {rig.report()}), 0);
    QCOMPARE(readFile(rig.report()), "1.0.0 " + QFile::encodeName(rig.installed) + '\n');
    QCOMPARE(rig.current(), rig.root + QStringLiteral("/1.2.0"));
}

void TestUpdater::removesOnlyVersionsNoProgramNeeds()
{
    UpdateRig rig;
    for (const char *version : {"0.8.0", "0.9.0", "1.3.0"})
        QVERIFY(QDir(rig.root).mkdir(QString::fromLatin1(version)));
    const RunningVersion elsewhere(rig.root + QStringLiteral("/0.9.0/QuorvaleDemo"));
    QCOMPARE(rig.check(), Updater::Outcome::installed);
    // 0.8.0 is older and unused; 1.0.0 and 0.9.0 have programs running from them; 1.3.0 is newer.
    QCOMPARE(rig.entries(),
             (QStringList{QStringLiteral("0.9.0"), QStringLiteral("1.0.0"), QStringLiteral("1.1.0"),
                          QStringLiteral("1.3.0"), QStringLiteral("current")}));
}

void TestUpdater::removesWhatAnInterruptedUnpackingLeft_data()
{
    QTest::addColumn<bool>("update");
    QTest::newRow("on the next update") << true;
    QTest::newRow("on the next start") << false;
}

void TestUpdater::removesWhatAnInterruptedUnpackingLeft()
{
    QFETCH(bool, update);
    UpdateRig rig;
    const QString left = rig.root + QStringLiteral("/.incoming-Ab12Cd");
    const QString writing = rig.root + QStringLiteral("/.incoming-Ef34Gh");
    for (const QString &path : {left, writing}) {
        QVERIFY(QDir().mkpath(path + QStringLiteral("/part")));
        QFile file(path + QStringLiteral("/QuorvaleDemo"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("half") == 4);
    }
    // Another copy still unpacking into its folder.
    const std::optional<FolderLock> unpacking = FolderLock::take(writing, FolderLock::Mode::exclusive, false);
    QVERIFY(unpacking);
    if (update)
        QCOMPARE(rig.check(), Updater::Outcome::installed);
    else
        const RunningVersion started(rig.installed);
    QVERIFY(!QFileInfo::exists(left));
    QVERIFY(QFileInfo::exists(writing + QStringLiteral("/QuorvaleDemo")));
}

void TestUpdater::refusesAndKeepsTheInstalledProgram_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    const QString unsignedFeed = UpdateFailure::unsignedFeed().description();
    QTest::newRow("feed signed by another key") << "foreign key" << unsignedFeed;
    QTest::newRow("feed changed after signing") << "feed edited" << unsignedFeed;
    QTest::newRow("feed signature length wrong") << "feed length" << unsignedFeed;
    QTest::newRow("feed without signature") << "unsigned feed" << unsignedFeed;
    QTest::newRow("feed with a line after its signature") << "trailing line" << unsignedFeed;
    QTest::newRow("update with a flipped byte")
        << "flipped byte" << UpdateFailure::badSignature().description();
    QTest::newRow("update shorter than listed") << "short" << UpdateFailure::wrongLength().description();
    QTest::newRow("update longer than listed") << "long" << UpdateFailure::wrongLength().description();
    QTest::newRow("feed redirected to another host")
        << "feed redirect" << UpdateFailure::foreignRedirect().description();
    QTest::newRow("update redirected to another host")
        << "download redirect" << UpdateFailure::foreignRedirect().description();
    QTest::newRow("disk too full for the update") << "disk full" << UpdateFailure::noSpace().description();
    QTest::newRow("newer version offered over http")
        << "http" << UpdateFailure::insecureDownload().description();
    QTest::newRow("archive of another version")
        << "other version" << UpdateFailure::otherVersion().description();
    QTest::newRow("archive without the program")
        << "no program" << UpdateFailure::incompleteUpdate().description();
    QTest::newRow("signed file that is no archive")
        << "no archive" << UpdateFailure::incompleteUpdate().description();
}

void TestUpdater::refusesAndKeepsTheInstalledProgram()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    UpdateRig rig;
    const QByteArray feed = rig.feed();
    if (fault == u"foreign key")
        rig.route(feedPath, signedFeed(feed, generateKeyPair().secretKey));
    if (fault == u"feed edited")
        rig.route(feedPath, signedFeed(feed, rig.keys.secretKey).replace("1.1.0", "1.2.0"));
    if (fault == u"feed length") {
        const QByteArray length = "length: " + QByteArray::number(feed.size());
        rig.route(feedPath, signedFeed(feed, rig.keys.secretKey)
                                .replace(length, "length: " + QByteArray::number(feed.size() - 1)));
    }
    if (fault == u"unsigned feed")
        rig.route(feedPath, feed);
    if (fault == u"trailing line")
        rig.route(feedPath, signedFeed(feed, rig.keys.secretKey) + '\n');
    if (fault == u"flipped byte") {
        QByteArray changed = rig.enclosure;
        changed[1234] = char(changed[1234] ^ 0x10);
        rig.route(downloadPath, changed);
    }
    if (fault == u"short")
        rig.route(downloadPath, rig.enclosure.chopped(1));
    if (fault == u"long")
        rig.route(downloadPath, rig.enclosure + 'x');
    if (fault == u"disk full")
        rig.freeSpace = rig.enclosure.size() - 1;
    if (fault == u"http")
        rig.route(feedPath,
                  signedFeed(rig.feed(QStringLiteral("1.1.0"), QStringLiteral("http")), rig.keys.secretKey));
    if (fault == u"other version") {
        rig.publish({QStringLiteral("1.2.0"), rig.release.entries});
        rig.route(feedPath, signedFeed(rig.feed(QStringLiteral("1.1.0")), rig.keys.secretKey));
    }
    if (fault == u"no program")
        rig.publish({QStringLiteral("1.1.0"), {rig.release.entries.last()}});
    if (fault == u"no archive") {
        rig.enclosure = rig.release.entries.first().bytes;
        rig.route(downloadPath, rig.enclosure);
        rig.route(feedPath, signedFeed(rig.feed(), rig.keys.secretKey));
    }
    // The test certificate names 127.0.0.1 only; "localhost" is another host.
    QUrl elsewhere = rig.url(feedPath);
    elsewhere.setHost(QStringLiteral("localhost"));
    if (fault == u"feed redirect")
        rig.platform.route(feedPath, [elsewhere](const demo::HttpRequest &) {
            return demo::HttpResponse::redirect(elsewhere.toString().toUtf8());
        });
    if (fault == u"download redirect")
        rig.platform.route(downloadPath, [elsewhere](const demo::HttpRequest &) {
            return demo::HttpResponse::redirect(elsewhere.toString().toUtf8());
        });

    QCOMPARE(rig.check(), Updater::Outcome::failed);
    QCOMPARE(rig.driver.failures, QStringList{message});
    QVERIFY(rig.untouched());
}

void TestUpdater::neverOffersAnOlderOrEqualVersion_data()
{
    QTest::addColumn<QByteArray>("versions");
    QTest::newRow("older") << QByteArray("0.9.9");
    QTest::newRow("equal") << QByteArray("1.0.0");
    QTest::newRow("equal, shorter") << QByteArray("1.0");
    QTest::newRow("not a version") << QByteArray("2.0-beta");
}

void TestUpdater::neverOffersAnOlderOrEqualVersion()
{
    QFETCH(QByteArray, versions);
    UpdateRig rig;
    rig.route(feedPath, signedFeed(rig.feed(QString::fromLatin1(versions)), rig.keys.secretKey));
    QCOMPARE(rig.check(), Updater::Outcome::upToDate);
    QCOMPARE(rig.driver.upToDate, QStringList{QStringLiteral("1.0.0")});
    QVERIFY(rig.driver.offered.isEmpty());
    QVERIFY(rig.untouched());
}

void TestUpdater::readsAnIntervalOutsideTheOfferedRangeAsTheNearest_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("seconds");
    QTest::newRow("huge") << "1e300" << 604800;
    QTest::newRow("negative") << "-5" << 14400;
    QTest::newRow("zero") << "0" << 14400;
    QTest::newRow("not a number") << "nan" << 86400;
    QTest::newRow("text") << "soon" << 86400;
    QTest::newRow("offered") << "21600" << 21600;
}

void TestUpdater::readsAnIntervalOutsideTheOfferedRangeAsTheNearest()
{
    QFETCH(QString, stored);
    QFETCH(int, seconds);
    UpdateRig rig;
    rig.settings->setValue(QStringLiteral("updates/checkInterval"), stored);
    rig.settings->setValue(QStringLiteral("updates/lastCheck"), fixedNow.toString(Qt::ISODate));
    rig.makeUpdater();
    QCOMPARE(rig.updater->updateCheckInterval(), double(seconds));
    rig.updater->start();
    // Checked a moment ago: the next check is a whole interval away, never at once.
    const auto *timer = rig.updater->findChild<QTimer *>();
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), seconds * 1000);
}

void TestUpdater::refusesAMalformedArchive_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray complete = packArchive({QStringLiteral("1.1.0"), {{QStringLiteral("a"), true, "x"}}});
    QTest::newRow("cut short") << complete.chopped(1);
    QTest::newRow("bytes after the end") << complete + 'x';
    QTest::newRow("no marker") << complete.sliced(4);
    for (const char *name : {"..", "../a", "a/b", "/a", ""})
        QTest::addRow("file name \"%s\"", name)
            << packArchive({QStringLiteral("1.1.0"), {{QString::fromLatin1(name), false, "x"}}});
    QTest::newRow("a name twice") << packArchive(
        {QStringLiteral("1.1.0"), {{QStringLiteral("a"), false, "x"}, {QStringLiteral("a"), false, "y"}}});
}

void TestUpdater::refusesAMalformedArchive()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!unpackArchive(bytes));
}

void TestUpdater::publishesOnlyTheVersionBuiltIn_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("stamped");
    QTest::addColumn<QStringList>("extraFiles");
    QTest::addColumn<QString>("refusal");
    QStringList many;
    for (int i = 0; i < int(maxArchiveEntries) - 1; ++i)
        many.append(QStringLiteral("extra-%1").arg(i));
    QTest::newRow("the version built in") << "1.0.0" << true << QStringList() << QString();
    QTest::newRow("another version") << "1.1.0" << true << QStringList() << QStringLiteral("版本不符");
    QTest::newRow("no version built in")
        << "1.0.0" << false << QStringList() << QStringLiteral("没有带版本标记");
    QTest::newRow("more files than a client takes") << "1.0.0" << true << many << QStringLiteral("不会接受");
    QTest::newRow("a name a client refuses")
        << "1.0.0" << true << QStringList{QStringLiteral("read me")} << QStringLiteral("不会接受");
    // "name/" is a sub-folder, "name -> target" a symbolic link.
    QTest::newRow("a symbolic link") << "1.0.0" << true
                                     << QStringList{QStringLiteral("web.so -> quorvale-webengine.so")}
                                     << QStringLiteral("未发布：web.so");
    QTest::newRow("a link to nothing") << "1.0.0" << true << QStringList{QStringLiteral("gone -> missing")}
                                       << QStringLiteral("未发布：gone");
    QTest::newRow("a sub-folder and a link")
        << "1.0.0" << true
        << QStringList{QStringLiteral("web -> quorvale-webengine.so"), QStringLiteral("plugins/")}
        << QStringLiteral("未发布：plugins、web");
}

void TestUpdater::publishesOnlyTheVersionBuiltIn()
{
    QFETCH(QString, version);
    QFETCH(bool, stamped);
    QFETCH(QStringList, extraFiles);
    QFETCH(QString, refusal);
    QTemporaryDir folder;
    const QString release = folder.filePath(QStringLiteral("release"));
    QDir().mkpath(release);
    if (stamped)
        QFile::copy(QStringLiteral(QUORVALE_STANDIN_OLD), release + QStringLiteral("/QuorvaleDemo"));
    QFile module(release + QStringLiteral("/quorvale-webengine.so"));
    QVERIFY(module.open(QIODevice::WriteOnly) && module.write("web module") == 10);
    module.close();
    for (const QString &name : extraFiles) {
        const QStringList link = name.split(QStringLiteral(" -> "));
        if (link.size() == 2) {
            QVERIFY(QFile::link(link[1], release + u'/' + link[0]));
            continue;
        }
        if (name.endsWith(u'/')) {
            QVERIFY(QDir(release).mkdir(name));
            continue;
        }
        QFile extra(release + u'/' + name);
        QVERIFY(extra.open(QIODevice::WriteOnly));
    }
    const KeyPair keys = generateKeyPair();
    QFile key(folder.filePath(QStringLiteral("update.key")));
    QVERIFY(key.open(QIODevice::WriteOnly) && key.write(keys.secretKey.toBase64()) > 0);
    key.close();
    const QString appcast = folder.filePath(QStringLiteral("appcast.xml"));
    const QString archive = folder.filePath(QStringLiteral("QuorvaleDemo.update"));

    QProcess tool;
    tool.start(QStringLiteral(QUORVALE_UPDATE_SIGN),
               {QStringLiteral("publish"), key.fileName(), release, version,
                QStringLiteral("https://updates.example.edu/QuorvaleDemo.update"), appcast, archive});
    QVERIFY(tool.waitForFinished());
    QCOMPARE(tool.exitCode(), refusal.isEmpty() ? 0 : 1);
    QVERIFY(QString::fromUtf8(tool.readAllStandardError()).contains(refusal));
    QCOMPARE(QFile::exists(appcast), refusal.isEmpty());
    QCOMPARE(QFile::exists(archive), refusal.isEmpty());
    if (!refusal.isEmpty())
        return;
    const std::optional<UpdateArchive> packed = unpackArchive(readFile(archive));
    QVERIFY(packed);
    QCOMPARE(packed->version, version);
    QCOMPARE(packed->entries.size(), 2);
    QVERIFY(verifiedFeed(readFile(appcast), keys.publicKey));
}

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
