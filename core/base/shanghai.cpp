#include "core/base/shanghai.h"

namespace quorvale::shanghai {

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
    return moment.toTimeZone(zone()).date();
}

qint64 minuteOf(const QDateTime &moment)
{
    const QTime time = moment.toTimeZone(zone()).time();
    return time.hour() * 60 + time.minute();
}

QDateTime startOf(QDate day)
{
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
