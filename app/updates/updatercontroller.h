#pragma once

#include "core/updates/updatecheckfrequency.h"
#include "core/updates/updateconfiguration.h"
#include "platform/updates/standardupdatercontroller.h"

#include <QObject>
#include <functional>
#include <optional>

// The application's single owner of the update framework: it accepts or refuses the build's update
// settings, mirrors the updater's settings for the settings window and the menu, and holds an
// installation back while the application is busy.
namespace quorvale {

// A value the settings window reads and writes.
template <typename T>
struct Binding
{
    std::function<T()> get;
    std::function<void(T)> set;
};

class UpdaterController : public QObject, public updates::UpdaterDelegate
{
    Q_OBJECT
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates NOTIFY
                   automaticallyChecksForUpdatesChanged)
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)
    Q_PROPERTY(bool installationDeferred READ installationDeferred NOTIFY installationDeferredChanged)

public:
    // The application's idle test.
    using CanInstall = std::function<bool()>;

    // `bundle` is the build's information dictionary; nothing stands for a build without one.
    UpdaterController(const std::optional<InfoDictionary> &bundle, bool enabled, CanInstall canInstall,
                      updates::UpdateHost host = updates::UpdateHost::application(), QObject *parent = nullptr);
    ~UpdaterController() override;

    // "Olvar/<application version> Sparkle/<framework version>".
    static QString userAgent(const InfoDictionary &application, const InfoDictionary &framework);

    bool automaticallyChecksForUpdates() const { return m_automaticallyChecksForUpdates; }
    UpdateCheckFrequency frequency() const { return m_frequency; }
    bool canCheckForUpdates() const { return m_canCheckForUpdates; }
    bool installationDeferred() const { return m_installationDeferred; }
    std::optional<QString> configurationError() const { return m_configurationError; }
    std::optional<UpdateConfiguration> configuration() const { return m_configuration; }
    bool enabled() const { return m_configuration && m_controller; }
    // The framework's controller; absent when updates are off.
    updates::StandardUpdaterController *controller() const { return m_controller; }

    void startUpdater();
    void checkForUpdates();
    // Runs the held-back installation once the application is idle.
    void resumeInstallation();
    Binding<bool> automaticChecksBinding();
    Binding<UpdateCheckFrequency> frequencyBinding();
    void setFrequency(UpdateCheckFrequency frequency);

    std::optional<QString> feedURLString() override;
    bool shouldPostponeRelaunch(const updates::AppcastItem &item, std::function<void()> relaunch) override;

signals:
    void automaticallyChecksForUpdatesChanged();
    void frequencyChanged();
    void canCheckForUpdatesChanged();
    void installationDeferredChanged();

private:
    void observeUpdater();
    void storeAutomaticChecks(bool value);
    void storeFrequency(UpdateCheckFrequency value);
    void storeCanCheck(bool value);
    void storeDeferred(bool value);

    bool m_automaticallyChecksForUpdates = true;
    UpdateCheckFrequency m_frequency = UpdateCheckFrequency::fourHourly;
    bool m_canCheckForUpdates = false;
    bool m_installationDeferred = false;
    std::optional<QString> m_configurationError;
    std::optional<UpdateConfiguration> m_configuration;
    CanInstall m_canInstall;
    updates::StandardUpdaterController *m_controller = nullptr;
    std::function<void()> m_deferredInstallation;
    bool m_started = false;
};

} // namespace quorvale
