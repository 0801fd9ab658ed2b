#include "app/updates/updatercontroller.h"

namespace quorvale {

UpdaterController::UpdaterController(const std::optional<InfoDictionary> &bundle, bool enabled,
                                     CanInstall canInstall, updates::UpdateHost host, QObject *parent)
    : QObject(parent)
    , m_canInstall(std::move(canInstall))
{
    const InfoDictionary dictionary = bundle.value_or(InfoDictionary());
    m_automaticallyChecksForUpdates =
        info::boolean(dictionary, QStringLiteral("SUEnableAutomaticChecks")).value_or(true);
    m_frequency = closestFrequency(
        info::number(dictionary, QStringLiteral("SUScheduledCheckInterval")).value_or(14400));
    if (enabled) {
        try {
            m_configuration = UpdateConfiguration(dictionary);
        } catch (const Error &error) {
            m_configurationError = error.description();
        }
    } else {
        m_configurationError = QStringLiteral("此构建未启用自动更新");
    }
    if (!m_configuration)
        return;
    m_controller = new updates::StandardUpdaterController(dictionary, std::move(host), this, this);
    m_controller->updater()->setUserAgentString(userAgent(dictionary, updates::Updater::frameworkInfoDictionary()));
    observeUpdater();
}

UpdaterController::~UpdaterController()
{
    // The updater asks this object as its delegate; it goes first.
    delete m_controller;
}

QString UpdaterController::userAgent(const InfoDictionary &application, const InfoDictionary &framework)
{
    const QString key = QStringLiteral("CFBundleShortVersionString");
    return QStringLiteral("Olvar/") + info::text(application, key).value_or(QStringLiteral("0")) +
           QStringLiteral(" Sparkle/") + info::text(framework, key).value_or(QStringLiteral("2.9.6"));
}

void UpdaterController::observeUpdater()
{
    // Each mirror takes the updater's current value and every later one, delivered on a later turn of
    // the event loop, and only while this object lives.
    updates::Updater *updater = m_controller->updater();
    const auto automatic = [this, updater] { storeAutomaticChecks(updater->automaticallyChecksForUpdates()); };
    const auto interval = [this, updater] { storeFrequency(closestFrequency(updater->updateCheckInterval())); };
    const auto canCheck = [this, updater] { storeCanCheck(updater->canCheckForUpdates()); };
    connect(updater, &updates::Updater::automaticallyChecksForUpdatesChanged, this, automatic, Qt::QueuedConnection);
    connect(updater, &updates::Updater::updateCheckIntervalChanged, this, interval, Qt::QueuedConnection);
    connect(updater, &updates::Updater::canCheckForUpdatesChanged, this, canCheck, Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, automatic, Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, interval, Qt::QueuedConnection);
    QMetaObject::invokeMethod(this, canCheck, Qt::QueuedConnection);
}

void UpdaterController::startUpdater()
{
    if (m_started || !enabled())
        return;
    m_started = true;
    m_controller->startUpdater();
}

void UpdaterController::checkForUpdates()
{
    if (!enabled())
        return;
    startUpdater();
    if (m_controller->updater()->canCheckForUpdates())
        m_controller->checkForUpdates();
}

void UpdaterController::resumeInstallation()
{
    if (!m_canInstall() || !m_deferredInstallation)
        return;
    const std::function<void()> installation = std::exchange(m_deferredInstallation, nullptr);
    storeDeferred(false);
    installation();
}

Binding<bool> UpdaterController::automaticChecksBinding()
{
    return {[this] { return m_automaticallyChecksForUpdates; },
            [this](bool value) {
                if (!enabled())
                    return;
                updates::Updater *updater = m_controller->updater();
                updater->setAutomaticallyChecksForUpdates(value);
                storeAutomaticChecks(updater->automaticallyChecksForUpdates());
            }};
}

Binding<UpdateCheckFrequency> UpdaterController::frequencyBinding()
{
    return {[this] { return m_frequency; }, [this](UpdateCheckFrequency value) { setFrequency(value); }};
}

void UpdaterController::setFrequency(UpdateCheckFrequency frequency)
{
    if (!enabled())
        return;
    updates::Updater *updater = m_controller->updater();
    updater->setUpdateCheckInterval(seconds(frequency));
    storeFrequency(closestFrequency(updater->updateCheckInterval()));
}

std::optional<QString> UpdaterController::feedURLString()
{
    if (!m_configuration)
        return std::nullopt;
    return m_configuration->feedURL().toString(QUrl::FullyEncoded);
}

bool UpdaterController::shouldPostponeRelaunch(const updates::AppcastItem &, std::function<void()> relaunch)
{
    if (m_canInstall())
        return false;
    m_deferredInstallation = std::move(relaunch);
    storeDeferred(true);
    return true;
}

void UpdaterController::storeAutomaticChecks(bool value)
{
    if (std::exchange(m_automaticallyChecksForUpdates, value) != value)
        emit automaticallyChecksForUpdatesChanged();
}

void UpdaterController::storeFrequency(UpdateCheckFrequency value)
{
    if (std::exchange(m_frequency, value) != value)
        emit frequencyChanged();
}

void UpdaterController::storeCanCheck(bool value)
{
    if (std::exchange(m_canCheckForUpdates, value) != value)
        emit canCheckForUpdatesChanged();
}

void UpdaterController::storeDeferred(bool value)
{
    if (std::exchange(m_installationDeferred, value) != value)
        emit installationDeferredChanged();
}

} // namespace quorvale
