#pragma once

#include "core/updates/infodictionary.h"
#include "platform/updates/appcast.h"
#include "platform/updates/updatehost.h"
#include "platform/updates/updatesettings.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace quorvale::updates {

class ReportPipe;
class StagedVersion;
struct UpdateArchive;

// What the application answers when the updater asks.
class UpdaterDelegate
{
public:
    virtual ~UpdaterDelegate() = default;
    // The feed to read; nothing means the dictionary's "SUFeedURL".
    virtual std::optional<QString> feedURLString() = 0;
    // Asked before the relaunch that installs a verified update. True keeps `relaunch` to be run
    // later by the application; false lets it run at once.
    virtual bool shouldPostponeRelaunch(const AppcastItem &item, std::function<void()> relaunch) = 0;
};

// What the person sees of a check: the offer of a newer version, the download, the outcome.
class UserDriver
{
public:
    virtual ~UserDriver() = default;
    // True to download and install now, false for later. `failedBefore`: an update to this version was
    // installed before and its program did not take over.
    virtual QCoro::Task<bool> confirmInstall(AppcastItem item, bool failedBefore) = 0;
    virtual void showProgress(qint64 received, qint64 total) = 0;
    // The download is complete: the update is unpacked, placed and started.
    virtual void showInstalling() = 0;
    // The person quit the started program once its window was up: it takes over out of sight once its
    // proof is over, and then this copy ends as well.
    virtual void showFinishing() = 0;
    // Said only to a person who asked for the check. `newestVersion` is the running version, or a newer
    // one another copy installed since, which the next start runs.
    virtual void showUpToDate(const QString &newestVersion) = 0;
    // The update waits for the application to become idle.
    virtual void showPostponed() = 0;
    virtual void showFailure(const QString &message) = 0;
};

// The update framework's updater: its persistent settings, the scheduled and the user-started checks,
// and the verified download and installation of a newer version.
class Updater : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(double updateCheckInterval READ updateCheckInterval WRITE setUpdateCheckInterval NOTIFY
                   updateCheckIntervalChanged)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    enum class Outcome
    {
        upToDate,
        declined,
        installed,
        postponed,
        failed,
        busy
    };

    Updater(const InfoDictionary &hostInfo, UpdateHost host, UpdaterDelegate *delegate, UserDriver *driver,
            QObject *parent = nullptr);
    ~Updater() override;

    // The framework's own information: the feed format it speaks, as its version.
    static InfoDictionary frameworkInfoDictionary();

    QString userAgentString() const { return m_userAgent; }
    void setUserAgentString(const QString &userAgent) { m_userAgent = userAgent; }

    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool enabled);
    double updateCheckInterval() const;
    void setUpdateCheckInterval(double seconds);
    // True once started while no check runs.
    bool canCheckForUpdates() const { return m_started && !m_checking; }

    // Starts scheduling automatic checks; only the first call does anything.
    void start();
    // A check the person asked for: they hear about every outcome.
    void checkForUpdates();
    // One whole check, installation included. A scheduled check reports only an update it found, and
    // never offers a version whose program failed to take over before.
    QCoro::Task<Outcome> check(bool userInitiated);

signals:
    void automaticallyChecksForUpdatesChanged();
    void updateCheckIntervalChanged();
    void canCheckForUpdatesChanged();

private:
    // Whether a check that held `self` across a wait may go on.
    static bool alive(const QPointer<Updater> &self);
    QCoro::Task<Outcome> runCheck(bool userInitiated);
    QCoro::Task<Outcome> install(AppcastItem item, QByteArray publicKey);
    // Writes the update's version beside the running one and starts it; once it has shown that it runs
    // and made itself current, this process ends. Throws UpdateFailure, with the running version still
    // current, nothing of the unpacking left and the started program ended.
    QCoro::Task<Outcome> relaunchInstalling(std::shared_ptr<const UpdateArchive> archive, QString version);
    // The relaunch the delegate held back, run once the application is idle.
    QCoro::Task<> resumeInstalling(std::shared_ptr<const UpdateArchive> archive, QString version);
    // Follows the started program until its version is current. Throws UpdateFailure with what happened
    // when it does not get there within a bound, and ends the program. Only a program that never showed
    // its window, crashed, or stopped answering is recorded as failed, also after the person quit it;
    // one the person quit and that lives through its proof takes over.
    QCoro::Task<> awaitTakeOver(std::shared_ptr<StagedVersion> staged, qint64 process,
                                std::shared_ptr<ReportPipe> pipe);
    // The version the check compares with: the newest of the running one, the one this process
    // installed and the one the installation's `current` names.
    QString floorVersion() const;
    // Whether the update may be offered to this user: an installation they cannot write is told once
    // by a scheduled check, each time by a check they asked for, and then not offered until it can be
    // written. Throws UpdateFailure for a check the person asked for.
    bool updatable(const AppcastItem &update, bool userInitiated);
    void setChecking(bool checking);
    void schedule();

    InfoDictionary m_hostInfo;
    UpdateHost m_host;
    UpdateSettings m_settings;
    UpdaterDelegate *m_delegate;
    UserDriver *m_driver;
    QString m_userAgent;
    // Owns the connections of the feed and archive transfers, which end with it.
    QObject *m_transfers;
    // The desktop's proxy for the update host, asked at the start of each check.
    std::optional<QUrl> m_proxy;
    QTimer *m_timer;
    bool m_started = false;
    bool m_checking = false;
    // The version this process made current; the running one stays older until the restart.
    std::optional<QString> m_installedVersion;
    // Set while the updater is being destroyed.
    bool m_closing = false;
};

} // namespace quorvale::updates
