#include "platform/updates/appcast.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/feedsignature.h"
#include "platform/updates/updatefailure.h"
#include "platform/updates/updater.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"

#include <QDir>
#include <QFile>
#include <QSslKey>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

// The update framework against a signed feed on a local HTTPS server: what it installs, and the many
// ways a feed or an update is refused with the installed program left as it was.
using namespace quorvale;
using namespace quorvale::updates;
using namespace quorvale::testing;

namespace {

const QString feedPath = QStringLiteral("/olvar/appcast.xml");
const QString downloadPath = QStringLiteral("/downloads/QuorvaleDemo");
const QByteArray installedBytes = "#!/bin/sh\necho installed build\n";

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
    QCoro::Task<bool> confirmInstall(AppcastItem item) override
    {
        offered.append(item);
        co_return true;
    }
    void showProgress(qint64, qint64) override {}
    void showUpToDate(const QString &) override { ++upToDate; }
    void showPostponed() override {}
    void showFailure(const QString &message) override { failures.append(message); }

    QList<AppcastItem> offered;
    QStringList failures;
    int upToDate = 0;
};

// A signed release on the local HTTPS server and an installed program in a folder of its own.
struct UpdateRig
{
    UpdateRig()
    {
        platform.listen(0, serverTls());
        installed = folder.filePath(QStringLiteral("QuorvaleDemo"));
        QFile file(installed);
        file.open(QIODevice::WriteOnly);
        file.write(installedBytes);
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (int i = 0; i < 3000; ++i)
            enclosure.append(char(i * 7 % 251));
        route(feedPath, signedFeed(feed(), keys.secretKey));
        route(downloadPath, enclosure);
    }

    QUrl url(const QString &path) const { return platform.origin().resolved(QUrl(path)); }

    QByteArray feed(const QString &version = QStringLiteral("1.1.0")) const
    {
        const QString signature = QString::fromLatin1(signEd25519(enclosure, keys.secretKey).toBase64());
        return writeAppcast({{version, version, url(downloadPath), enclosure.size(), signature}});
    }

    void route(const QString &path, const QByteArray &body)
    {
        platform.route(path, [body](const demo::HttpRequest &) { return demo::HttpResponse{200, {}, body}; });
    }

    Updater::Outcome check()
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(QSslCertificate::fromData(readFile(QStringLiteral(QUORVALE_TEST_TLS_DIR "/ca.pem"))));
        UpdateHost host{installed,
                        std::make_shared<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                                    QSettings::IniFormat),
                        tls, [this](const QString &path) { relaunched.append(path); },
                        [] { return QDateTime(QDate(2024, 9, 2), QTime(8, 0), QTimeZone::utc()); }};
        const InfoDictionary info{{QStringLiteral("SUFeedURL"), url(feedPath).toString()},
                                  {QStringLiteral("SUPublicEDKey"), QString::fromLatin1(keys.publicKey.toBase64())},
                                  {QStringLiteral("CFBundleVersion"), QStringLiteral("1.0.0")},
                                  {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("1.0.0")}};
        updater = std::make_unique<Updater>(info, host, &delegate, &driver);
        updater->setUserAgentString(QStringLiteral("Olvar/1.0.0 Sparkle/2.9.6"));
        return awaitTask(updater->check(true));
    }

    // Only the installed program remains in its folder: no download is left behind.
    bool untouched() const
    {
        const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        return readFile(installed) == installedBytes && relaunched.isEmpty() &&
               left == QStringList{QStringLiteral("QuorvaleDemo"), QStringLiteral("settings.ini")};
    }

    demo::DemoPlatform platform;
    QTemporaryDir folder;
    QString installed;
    QByteArray enclosure;
    KeyPair keys = generateKeyPair();
    RecordingDelegate delegate;
    ScriptedDriver driver;
    QStringList relaunched;
    std::unique_ptr<Updater> updater;
};

QByteArray fromHex(const char *hex)
{
    return QByteArray::fromHex(hex);
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
    void refusesAndKeepsTheInstalledProgram_data();
    void refusesAndKeepsTheInstalledProgram();
    void neverOffersAnOlderOrEqualVersion_data();
    void neverOffersAnOlderOrEqualVersion();
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
    QCOMPARE(readFile(rig.installed), rig.enclosure);
    QVERIFY(QFileInfo(rig.installed).isExecutable());
    QCOMPARE(rig.relaunched, QStringList{rig.installed});
    QCOMPARE(rig.driver.offered.size(), 1);
    QCOMPARE(rig.driver.offered.first().displayVersion, QStringLiteral("1.1.0"));
    QCOMPARE(QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
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
    QCOMPARE(readFile(rig.installed), installedBytes);
    QVERIFY(rig.delegate.kept);
    rig.delegate.kept();
    QCOMPARE(readFile(rig.installed), rig.enclosure);
    QCOMPARE(rig.relaunched, QStringList{rig.installed});
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
    QTest::newRow("update with a flipped byte") << "flipped byte" << UpdateFailure::badSignature().description();
    QTest::newRow("update shorter than listed") << "short" << UpdateFailure::wrongLength().description();
    QTest::newRow("update longer than listed") << "long" << UpdateFailure::wrongLength().description();
    QTest::newRow("feed redirected to another host") << "feed redirect"
                                                     << UpdateFailure::foreignRedirect().description();
    QTest::newRow("update redirected to another host") << "download redirect"
                                                       << UpdateFailure::foreignRedirect().description();
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
    if (fault == u"flipped byte") {
        QByteArray changed = rig.enclosure;
        changed[1234] = char(changed[1234] ^ 0x10);
        rig.route(downloadPath, changed);
    }
    if (fault == u"short")
        rig.route(downloadPath, rig.enclosure.chopped(1));
    if (fault == u"long")
        rig.route(downloadPath, rig.enclosure + 'x');
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
    QCOMPARE(rig.driver.upToDate, 1);
    QVERIFY(rig.driver.offered.isEmpty());
    QVERIFY(rig.untouched());
}

QTEST_GUILESS_MAIN(TestUpdater)
#include "tst_updater.moc"
