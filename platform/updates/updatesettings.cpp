#include "platform/updates/updatesettings.h"

#include "core/updates/updatecheckfrequency.h"

#include <algorithm>
#include <cmath>

namespace quorvale::updates {

namespace {

const QString automaticKey = QStringLiteral("updates/automaticChecks");
const QString intervalKey = QStringLiteral("updates/checkInterval");
const QString lastCheckKey = QStringLiteral("updates/lastCheck");
const QString failedKey = QStringLiteral("updates/failedVersions");
const QString unwritableKey = QStringLiteral("updates/unwritableInstallation");

// Any number outside the offered intervals is read as the nearest offered one, so a huge, negative or
// zero interval neither overflows nor checks in a loop.
std::optional<double> interval(const QVariant &value)
{
    bool ok = false;
    const double stored = value.toDouble(&ok);
    if (!ok || std::isnan(stored))
        return std::nullopt;
    return std::clamp(stored, UpdateSettings::shortestInterval(), UpdateSettings::longestInterval());
}

} // namespace

double UpdateSettings::shortestInterval()
{
    return seconds(allUpdateCheckFrequencies().first());
}

double UpdateSettings::longestInterval()
{
    return seconds(allUpdateCheckFrequencies().last());
}

UpdateSettings::UpdateSettings(std::shared_ptr<QSettings> settings, const InfoDictionary &defaults)
    : m_settings(std::move(settings))
{
    m_defaultAutomaticChecks = info::boolean(defaults, QStringLiteral("SUEnableAutomaticChecks")).value_or(true);
    if (const std::optional<double> seconds = info::number(defaults, QStringLiteral("SUScheduledCheckInterval")))
        m_defaultInterval = interval(*seconds).value_or(m_defaultInterval);
}

bool UpdateSettings::automaticChecks() const
{
    // QSettings hands a stored Boolean back as the text "true" or "false".
    const QString stored = m_settings->value(automaticKey).toString();
    if (stored == u"true" || stored == u"false")
        return stored == u"true";
    return m_defaultAutomaticChecks;
}

void UpdateSettings::setAutomaticChecks(bool enabled)
{
    m_settings->setValue(automaticKey, enabled);
}

double UpdateSettings::checkInterval() const
{
    return interval(m_settings->value(intervalKey)).value_or(m_defaultInterval);
}

void UpdateSettings::setCheckInterval(double seconds)
{
    if (const std::optional<double> kept = interval(seconds))
        m_settings->setValue(intervalKey, *kept);
}

std::optional<QDateTime> UpdateSettings::lastCheck() const
{
    const QDateTime moment = QDateTime::fromString(m_settings->value(lastCheckKey).toString(), Qt::ISODate);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}

void UpdateSettings::setLastCheck(const QDateTime &moment)
{
    m_settings->setValue(lastCheckKey, moment.toUTC().toString(Qt::ISODate));
}

QStringList UpdateSettings::failedVersions() const
{
    return m_settings->value(failedKey).toStringList();
}

void UpdateSettings::addFailedVersion(const QString &version)
{
    QStringList failed = failedVersions();
    if (failed.contains(version))
        return;
    failed.append(version);
    m_settings->setValue(failedKey, failed);
}

std::optional<QString> UpdateSettings::unwritableInstallation() const
{
    const QVariant root = m_settings->value(unwritableKey);
    if (!root.isValid())
        return std::nullopt;
    return root.toString();
}

void UpdateSettings::setUnwritableInstallation(const std::optional<QString> &root)
{
    if (root == unwritableInstallation())
        return;
    if (root)
        m_settings->setValue(unwritableKey, *root);
    else
        m_settings->remove(unwritableKey);
}

} // namespace quorvale::updates
