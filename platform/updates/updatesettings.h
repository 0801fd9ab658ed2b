#pragma once

#include "core/updates/infodictionary.h"

#include <QDateTime>
#include <QSettings>
#include <memory>
#include <optional>

// The updater's persistent settings in QSettings; the build's information dictionary gives the
// defaults ("SUEnableAutomaticChecks", "SUScheduledCheckInterval").
namespace quorvale::updates {

class UpdateSettings
{
public:
    // The range of the offered check intervals, in seconds.
    static double shortestInterval();
    static double longestInterval();

    UpdateSettings(std::shared_ptr<QSettings> settings, const InfoDictionary &defaults);

    bool automaticChecks() const;
    void setAutomaticChecks(bool enabled);
    // Seconds between automatic checks.
    double checkInterval() const;
    void setCheckInterval(double seconds);
    std::optional<QDateTime> lastCheck() const;
    void setLastCheck(const QDateTime &moment);
    // Versions whose program was started by an update and did not take over.
    QStringList failedVersions() const;
    void addFailedVersion(const QString &version);
    // The installation found not writable by this user, told once; nothing once it can be written.
    std::optional<QString> unwritableInstallation() const;
    void setUnwritableInstallation(const std::optional<QString> &root);

private:
    std::shared_ptr<QSettings> m_settings;
    bool m_defaultAutomaticChecks = true;
    double m_defaultInterval = 86400;
};

} // namespace quorvale::updates
