#include "app/week/daylabels.h"

#include <array>

namespace quorvale {

QString weekday(QDate date)
{
    static const std::array<QString, 7> names = {
        QStringLiteral("周一"), QStringLiteral("周二"), QStringLiteral("周三"), QStringLiteral("周四"),
        QStringLiteral("周五"), QStringLiteral("周六"), QStringLiteral("周日"),
    };
    const int number = date.dayOfWeek();
    return number >= 1 && number <= 7 ? names[number - 1] : QString();
}

QString shortDay(QDate date)
{
    return QStringLiteral("%1 %2/%3").arg(weekday(date)).arg(date.month()).arg(date.day());
}

QString monthDayText(QDate date)
{
    return QStringLiteral("%1月%2日").arg(date.month()).arg(date.day());
}

QString columnDate(QDate date)
{
    return QStringLiteral("%1/%2")
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString columnHeader(QDate date)
{
    return weekday(date) + QLatin1Char(' ') + columnDate(date);
}

QString detailDate(QDate date)
{
    return monthDayText(date) + QLatin1Char(' ') + weekday(date);
}

} // namespace quorvale
