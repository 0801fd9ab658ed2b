#include "platform/updates/updater.h"

#include "core/client/desktopproxy.h"
#include "core/updates/keytext.h"
#include "platform/updates/bundleversion.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/enclosuredownload.h"
#include "platform/updates/feedsignature.h"
#include "platform/updates/installfolder.h"
#include "platform/updates/offthread.h"
#include "platform/updates/startedprogram.h"
#include "platform/updates/startreport.h"
#include "platform/updates/updatearchive.h"
#include "platform/updates/updatefailure.h"
#include "platform/updates/updatetransfer.h"

#include <QCoroFuture>
#include <QCoroTimer>
#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace quorvale::updates {

namespace {

// A feed lists a handful of versions; anything this large is not one.
constexpr qint64 largestFeed = 1 << 20;
// A new version takes over once its window has been up for a while without a crash and it had the
// installation's lock; one that takes longer is taken for broken.
constexpr std::chrono::seconds startBound{60};
constexpr std::chrono::milliseconds startPoll{100};

} // namespace

Updater::Updater(const InfoDictionary &hostInfo, UpdateHost host, UpdaterDelegate *delegate, UserDriver *driver,
                 QObject *parent)
    : QObject(parent)
    , m_hostInfo(hostInfo)
    , m_host(std::move(host))
    , m_settings(m_host.settings, hostInfo)
    , m_delegate(delegate)
    , m_driver(driver)
    , m_transfers(new QObject(this))
    , m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { check(false); });
}

Updater::~Updater()
{
    // Every transfer still waiting ends now, so no check is left suspended when the updater goes;
    // the checks that resume see that it is closing and touch nothing more.
    m_closing = true;
    delete m_transfers;
}

bool Updater::alive(const QPointer<Updater> &self)
{
    return self && !self->m_closing;
}

InfoDictionary Updater::frameworkInfoDictionary()
{
    return {{QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.9.6")}};
}

bool Updater::automaticallyChecksForUpdates() const
{
    return m_settings.automaticChecks();
}

void Updater::setAutomaticallyChecksForUpdates(bool enabled)
{
    if (enabled == automaticallyChecksForUpdates())
        return;
    m_settings.setAutomaticChecks(enabled);
    schedule();
    emit automaticallyChecksForUpdatesChanged();
}

double Updater::updateCheckInterval() const
{
    return m_settings.checkInterval();
}

void Updater::setUpdateCheckInterval(double seconds)
{
    const double before = updateCheckInterval();
    m_settings.setCheckInterval(seconds);
    if (updateCheckInterval() == before)
        return;
    schedule();
    emit updateCheckIntervalChanged();
}

void Updater::start()
{
    if (m_started)
        return;
    m_started = true;
    schedule();
    emit canCheckForUpdatesChanged();
}

void Updater::checkForUpdates()
{
    if (canCheckForUpdates())
        check(true);
}

QCoro::Task<Updater::Outcome> Updater::check(bool userInitiated)
{
    if (m_checking)
        co_return Outcome::busy;
    const QPointer<Updater> self(this);
    setChecking(true);
    Outcome outcome = Outcome::failed;
    try {
        outcome = co_await runCheck(userInitiated);
    } catch (const UpdateFailure &failure) {
        if (alive(self) && userInitiated)
            m_driver->showFailure(failure.description());
    } catch (...) {
        if (alive(self) && userInitiated)
            m_driver->showFailure(UpdateFailure::unreachable().description());
    }
    // Written once the check is over: a check whose offer is still open when the program is ended
    // leaves the next one due.
    if (alive(self)) {
        m_settings.setLastCheck(m_host.clock());
        setChecking(false);
        schedule();
    }
    co_return outcome;
}

QCoro::Task<Updater::Outcome> Updater::runCheck(bool userInitiated)
{
    const QPointer<Updater> self(this);
    const std::optional<QString> delegated = m_delegate->feedURLString();
    const QString feed = delegated.value_or(info::text(m_hostInfo, QStringLiteral("SUFeedURL")).value_or(QString()));
    const std::optional<QByteArray> key =
        decodeKeyText(info::text(m_hostInfo, QStringLiteral("SUPublicEDKey")).value_or(QString()), publicKeySize);
    if (!key)
        throw UpdateFailure::invalidKey();

    // Arguments of an awaited call are named first: g++ 12 destroys temporaries made inside a
    // co_await expression twice.
    const QUrl feedURL(feed, QUrl::StrictMode);
    // Within a few seconds, whatever the desktop does.
    QFuture<std::optional<QUrl>> desktopProxy = desktopproxy::lookup(feedURL);
    const std::optional<QUrl> proxy = co_await desktopProxy;
    if (!alive(self))
        co_return Outcome::failed;
    m_proxy = proxy;
    const TransferSettings transfer{m_userAgent, m_host.tls, m_proxy, m_host.bounds.feed, std::nullopt};
    const QByteArray bytes = co_await fetchFeed(m_transfers, feedURL, transfer, largestFeed);
    if (!alive(self))
        co_return Outcome::failed;
    const std::optional<QByteArray> body = verifiedFeed(bytes, *key);
    if (!body)
        throw UpdateFailure::unsignedFeed();
    const std::optional<QList<AppcastItem>> items = parseAppcast(*body);
    if (!items)
        throw UpdateFailure::unreadableFeed();
    QList<AppcastItem> offerable = *items;
    const QStringList failed = m_settings.failedVersions();
    if (!userInitiated)
        offerable.removeIf([&failed](const AppcastItem &item) { return failed.contains(item.version); });
    const std::optional<AppcastItem> update = newestUpdate(offerable, floorVersion());
    if (update && update->url.scheme() != u"https")
        throw UpdateFailure::insecureDownload();
    if (update && !updatable(*update, userInitiated))
        co_return Outcome::failed;
    if (!update) {
        if (userInitiated) {
            const QString floor = floorVersion();
            const bool running = floor == info::text(m_hostInfo, QStringLiteral("CFBundleVersion"));
            const QString shown =
                info::text(m_hostInfo, QStringLiteral("CFBundleShortVersionString")).value_or(QString());
            m_driver->showUpToDate(running ? shown : floor);
        }
        co_return Outcome::upToDate;
    }

    const AppcastItem offered = *update;
    const bool now = co_await m_driver->confirmInstall(offered, failed.contains(offered.version));
    if (!alive(self))
        co_return Outcome::failed;
    if (!now)
        co_return Outcome::declined;
    try {
        const QByteArray publicKey = *key;
        co_return co_await install(offered, publicKey);
    } catch (const UpdateFailure &failure) {
        // The person chose to install: they hear why it did not happen, whoever started the check.
        if (alive(self) && !userInitiated)
            m_driver->showFailure(failure.description());
        throw;
    }
}

QCoro::Task<Updater::Outcome> Updater::install(AppcastItem item, QByteArray publicKey)
{
    const QPointer<Updater> self(this);
    const std::optional<InstallFolder> folder = InstallFolder::containing(m_host.executablePath);
    if (!folder)
        throw UpdateFailure::notInstalled();
    const qint64 space = m_host.freeSpace(folder->root());
    if (space >= 0 && space < item.length)
        throw UpdateFailure::noSpace();
    UserDriver *driver = m_driver;
    const TransferSettings transfer{m_userAgent, m_host.tls, m_proxy, std::nullopt, m_host.bounds.archive};
    const Progress progress = [driver](qint64 received, qint64 total) { driver->showProgress(received, total); };
    const QByteArray bytes = co_await downloadEnclosure(m_transfers, item, publicKey, transfer, progress);
    if (!alive(self))
        co_return Outcome::failed;
    m_driver->showInstalling();
    // Read at once, so a malformed update is told before any relaunch is held back; written into the
    // installation only as the relaunch runs, so that nothing of this attempt waits there meanwhile.
    auto unpack = [bytes] {
        std::optional<UpdateArchive> archive = unpackArchive(bytes);
        if (!archive)
            throw UpdateFailure::incompleteUpdate();
        return std::make_shared<const UpdateArchive>(std::move(*archive));
    };
    QCoro::Task<std::shared_ptr<const UpdateArchive>> unpacking = offGuiThread(std::move(unpack));
    const std::shared_ptr<const UpdateArchive> archive = co_await std::move(unpacking);
    if (!alive(self))
        co_return Outcome::failed;
    const QString version = item.version;
    auto relaunch = [self, archive, version] {
        if (alive(self))
            self->resumeInstalling(archive, version);
    };
    if (m_delegate->shouldPostponeRelaunch(item, relaunch)) {
        m_driver->showPostponed();
        co_return Outcome::postponed;
    }
    co_return co_await relaunchInstalling(archive, version);
}

QCoro::Task<> Updater::resumeInstalling(std::shared_ptr<const UpdateArchive> archive, QString version)
{
    const QPointer<Updater> self(this);
    m_driver->showInstalling();
    try {
        co_await relaunchInstalling(archive, version);
    } catch (const UpdateFailure &failure) {
        if (alive(self))
            m_driver->showFailure(failure.description());
    } catch (...) {
        if (alive(self))
            m_driver->showFailure(UpdateFailure::notLaunched().description());
    }
}

QCoro::Task<Updater::Outcome> Updater::relaunchInstalling(std::shared_ptr<const UpdateArchive> archive,
                                                          QString version)
{
    const QPointer<Updater> self(this);
    const std::optional<InstallFolder> folder = InstallFolder::containing(m_host.executablePath);
    if (!folder)
        throw UpdateFailure::notInstalled();
    // Written and placed in one go: an attempt that ends here, whatever the reason, takes its unpacking
    // with it before it says so.
    auto place = [installation = *folder, archive, version] {
        std::shared_ptr<StagedVersion> staged = installation.stage(*archive, version);
        QString executable = staged->install();
        return std::pair(std::move(staged), std::move(executable));
    };
    QCoro::Task<std::pair<std::shared_ptr<StagedVersion>, QString>> placing = offGuiThread(std::move(place));
    const std::pair<std::shared_ptr<StagedVersion>, QString> placed = co_await std::move(placing);
    if (!alive(self))
        co_return Outcome::failed;
    const std::shared_ptr<StagedVersion> staged = placed.first;
    const QString executable = placed.second;
    const auto pipe = std::make_shared<ReportPipe>();
    if (!pipe->isOpen())
        throw UpdateFailure::notLaunched();
    // The check is over but for the installation: the program started now does not check at once.
    m_settings.setLastCheck(m_host.clock());
    const std::optional<qint64> process = m_host.launch(executable, pipe->writing());
    pipe->closeWriting();
    if (!process) {
        m_settings.addFailedVersion(version);
        throw UpdateFailure::notStarted();
    }
    co_await awaitTakeOver(staged, *process, pipe);
    if (!alive(self))
        co_return Outcome::failed;
    m_installedVersion = staged->version();
    m_host.quit();
    co_return Outcome::installed;
}

QCoro::Task<> Updater::awaitTakeOver(std::shared_ptr<StagedVersion> staged, qint64 process,
                                     std::shared_ptr<ReportPipe> pipe)
{
    const QPointer<Updater> self(this);
    const QDeadlineTimer deadline(startBound);
    StartedProgram program(process);
    bool shown = false;
    std::optional<StartedProgram::End> ended;
    while (true) {
        for (const char event : pipe->take()) {
            if (event == char(StartEvent::shown)) {
                shown = true;
            } else if (event == char(StartEvent::quitting)) {
                m_driver->showFinishing();
            } else if (event != char(StartEvent::current)) {
                program.end();
                throw UpdateFailure::notSwitched(StartEvent(event));
            }
        }
        const std::optional<int> order = compareVersions(staged->current(), staged->version());
        if (order && *order == 0)
            co_return;
        // Another copy made a still newer version current while this one's program had not taken over.
        if (order && *order > 0) {
            program.end();
            throw UpdateFailure::newerInstalled(staged->current());
        }
        // A program that exits cleanly once up, without taking over, has shown nothing wrong: it is not
        // current, and it is offered again. A quit by the person never gets here: the program ends only
        // once its proof is over, and says first how that went.
        if (shown && ended == StartedProgram::End::exited)
            throw UpdateFailure::endedBeforeTakeOver();
        // Ended by a session's end, or asked to end by someone: the release showed nothing wrong.
        if (ended == StartedProgram::End::closed)
            throw UpdateFailure::closedBeforeTakeOver();
        if (ended || deadline.hasExpired()) {
            program.end();
            m_settings.addFailedVersion(staged->version());
            if (!shown)
                throw UpdateFailure::notStarted();
            throw ended ? UpdateFailure::crashed() : UpdateFailure::notResponding();
        }
        // Read before the next turn: what the program wrote before it ended is still taken.
        ended = program.ended();
        co_await QCoro::sleepFor(startPoll);
        if (!alive(self))
            co_return;
    }
}

QString Updater::floorVersion() const
{
    QString floor = m_installedVersion.value_or(
        info::text(m_hostInfo, QStringLiteral("CFBundleVersion")).value_or(QString()));
    if (const std::optional<InstallFolder> folder = InstallFolder::containing(m_host.executablePath)) {
        const QString current = folder->current();
        if (compareVersions(current, floor).value_or(0) > 0)
            floor = current;
    }
    return floor;
}

bool Updater::updatable(const AppcastItem &update, bool userInitiated)
{
    const std::optional<InstallFolder> folder = InstallFolder::containing(m_host.executablePath);
    if (!folder || folder->writable()) {
        m_settings.setUnwritableInstallation(std::nullopt);
        return true;
    }
    const UpdateFailure refusal = UpdateFailure::notUpdatable(update.displayVersion);
    const bool told = m_settings.unwritableInstallation() == folder->root();
    m_settings.setUnwritableInstallation(folder->root());
    if (userInitiated)
        throw refusal;
    if (!told)
        m_driver->showFailure(refusal.description());
    return false;
}

void Updater::setChecking(bool checking)
{
    if (checking == m_checking)
        return;
    const bool before = canCheckForUpdates();
    m_checking = checking;
    if (canCheckForUpdates() != before)
        emit canCheckForUpdatesChanged();
}

void Updater::schedule()
{
    m_timer->stop();
    if (!m_started || m_checking || !automaticallyChecksForUpdates())
        return;
    // The settings keep the interval within a week, so it fits in milliseconds.
    const qint64 interval = qint64(updateCheckInterval()) * 1000;
    const QDateTime now = m_host.clock();
    const std::optional<QDateTime> last = m_settings.lastCheck();
    qint64 wait = 0;
    if (last && *last <= now)
        wait = std::max<qint64>(0, now.msecsTo(*last) + interval);
    const qint64 longestTimer = std::numeric_limits<int>::max();
    m_timer->start(std::chrono::milliseconds(std::min({wait, interval, longestTimer})));
}

} // namespace quorvale::updates
