#include "core/updates/updatecheckfrequency.h"

#include <cmath>

namespace quorvale {

QList<UpdateCheckFrequency> allUpdateCheckFrequencies()
{
    return {UpdateCheckFrequency::fourHourly, UpdateCheckFrequency::sixHourly, UpdateCheckFrequency::daily,
            UpdateCheckFrequency::weekly};
}

QString rawValue(UpdateCheckFrequency frequency)
{
    switch (frequency) {
    case UpdateCheckFrequency::fourHourly:
        return QStringLiteral("fourHourly");
    case UpdateCheckFrequency::sixHourly:
        return QStringLiteral("sixHourly");
    case UpdateCheckFrequency::daily:
        return QStringLiteral("daily");
    case UpdateCheckFrequency::weekly:
        break;
    }
    return QStringLiteral("weekly");
}

std::optional<UpdateCheckFrequency> updateCheckFrequency(const QString &text)
{
    for (const UpdateCheckFrequency frequency : allUpdateCheckFrequencies()) {
        if (rawValue(frequency) == text)
            return frequency;
    }
    return std::nullopt;
}

double seconds(UpdateCheckFrequency frequency)
{
    switch (frequency) {
    case UpdateCheckFrequency::fourHourly:
        return 14400;
    case UpdateCheckFrequency::sixHourly:
        return 21600;
    case UpdateCheckFrequency::daily:
        return 86400;
    case UpdateCheckFrequency::weekly:
        break;
    }
    return 604800;
}

QString title(UpdateCheckFrequency frequency)
{
    switch (frequency) {
    case UpdateCheckFrequency::fourHourly:
        return QStringLiteral("每 4 小时");
    case UpdateCheckFrequency::sixHourly:
        return QStringLiteral("每 6 小时");
    case UpdateCheckFrequency::daily:
        return QStringLiteral("每天");
    case UpdateCheckFrequency::weekly:
        break;
    }
    return QStringLiteral("每周");
}

UpdateCheckFrequency closestFrequency(double interval)
{
    UpdateCheckFrequency best = UpdateCheckFrequency::fourHourly;
    double bestDistance = std::abs(seconds(best) - interval);
    for (const UpdateCheckFrequency candidate : allUpdateCheckFrequencies()) {
        const double distance = std::abs(seconds(candidate) - interval);
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace quorvale
