#include "core/base/shanghai.h"

#include <optional>

namespace quorvale::shanghai {

namespace {

// Since 1 January 1992 Shanghai has been eight hours ahead of UTC all year. Moments from then on are
// placed by arithmetic: the follow-now tick asks for days and times many times over, and the zone
// database answers each question slowly.
constexpr qint64 dayMs = 24 * 3600 * 1000;
constexpr qint64 offsetMs = 8 * 3600 * 1000;
// 1992-01-01T00:00:00Z, 8 035 days after the Unix epoch, and that epoch's Julian day.
constexpr qint64 fixedOffsetFrom = 8035 * dayMs;
constexpr qint64 unixEpochDay = 2440588;

// Milliseconds since the Unix epoch on Shanghai's wall clock, for a moment the fixed offset covers.
std::optional<qint64> localMilliseconds(const QDateTime &moment)
{
    if (!moment.isValid())
        return std::nullopt;
    const qint64 utc = moment.toMSecsSinceEpoch();
    if (utc < fixedOffsetFrom)
        return std::nullopt;
    return utc + offsetMs;
}

} // namespace

const QTimeZone &zone()
{
    // Without tzdata the fixed offset is exact: Shanghai has kept +08:00 without daylight saving
    // since 1991.
    static const QTimeZone shanghai = [] {
        QTimeZone named(QByteArrayLiteral("Asia/Shanghai"));
        return named.isValid() ? named : QTimeZone(8 * 3600);
    }();
    return shanghai;
}

QDate dateOf(const QDateTime &moment)
{
    if (const std::optional<qint64> local = localMilliseconds(moment))
        return QDate::fromJulianDay(unixEpochDay + *local / dayMs);
    return moment.toTimeZone(zone()).date();
}

QTime timeOf(const QDateTime &moment)
{
    if (const std::optional<qint64> local = localMilliseconds(moment))
        return QTime::fromMSecsSinceStartOfDay(int(*local % dayMs));
    return moment.toTimeZone(zone()).time();
}

qint64 minuteOf(const QDateTime &moment)
{
    const QTime time = timeOf(moment);
    return time.hour() * 60 + time.minute();
}

QDateTime startOf(QDate day)
{
    if (day.isValid() && day.toJulianDay() >= unixEpochDay + fixedOffsetFrom / dayMs)
        return QDateTime::fromMSecsSinceEpoch((day.toJulianDay() - unixEpochDay) * dayMs - offsetMs, Qt::UTC);
    return QDateTime(day, QTime(0, 0), zone()).toUTC();
}

QDateTime at(QDate day, qint64 minutes)
{
    return startOf(day).addSecs(minutes * 60);
}

QString dayText(QDate day)
{
    return QStringLiteral("%1-%2-%3")
        .arg(day.year(), 4, 10, QLatin1Char('0'))
        .arg(day.month(), 2, 10, QLatin1Char('0'))
        .arg(day.day(), 2, 10, QLatin1Char('0'));
}

QString dayText(const QDateTime &moment)
{
    return dayText(dateOf(moment));
}

} // namespace quorvale::shanghai
