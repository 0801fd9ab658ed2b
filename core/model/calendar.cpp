#include "core/model/calendar.h"

#include "core/base/text.h"

#include <QStringList>

namespace quorvale {

namespace {

// The value of a run of ASCII digits, or none when any other character occurs.
std::optional<int> digits(QStringView text)
{
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

std::optional<QDate> Engine::day(const QString &text)
{
    // Only the text that formatting the day gives back is accepted: exactly "yyyy-MM-dd".
    const QStringView view(text);
    if (view.size() != 10 || view[4] != u'-' || view[7] != u'-')
        return std::nullopt;
    const auto year = digits(view.mid(0, 4));
    const auto month = digits(view.mid(5, 2));
    const auto dayOfMonth = digits(view.mid(8, 2));
    if (!year || !month || !dayOfMonth)
        return std::nullopt;
    const QDate date(*year, *month, *dayOfMonth);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

std::optional<qint64> Engine::minutes(const QString &text)
{
    const QStringList pieces = text.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (pieces.size() != 2)
        return std::nullopt;
    const auto hour = text::parseInteger(pieces[0]);
    const auto minute = text::parseInteger(pieces[1]);
    if (!hour || !minute || *hour < 0 || *hour > 23 || *minute < 0 || *minute > 59)
        return std::nullopt;
    return *hour * 60 + *minute;
}

QString Engine::time(qint64 minutes)
{
    return QString::asprintf("%02lld:%02lld", static_cast<long long>(minutes / 60),
                             static_cast<long long>(minutes % 60));
}

QList<Period> BellSchedule::periods(const QString &section)
{
    const bool high = section == QLatin1String("high");
    if (!high && section != QLatin1String("middle"))
        return {};
    // The sections differ only in B2 and B4.
    return {
        {QStringLiteral("B1"), QStringLiteral("08:30"), QStringLiteral("09:10")},
        high ? Period{QStringLiteral("B2"), QStringLiteral("09:25"), QStringLiteral("10:20")}
             : Period{QStringLiteral("B2"), QStringLiteral("09:40"), QStringLiteral("10:20")},
        {QStringLiteral("B3"), QStringLiteral("10:35"), QStringLiteral("11:15")},
        high ? Period{QStringLiteral("B4"), QStringLiteral("12:10"), QStringLiteral("12:50")}
             : Period{QStringLiteral("B4"), QStringLiteral("11:30"), QStringLiteral("12:10")},
        {QStringLiteral("B5"), QStringLiteral("13:05"), QStringLiteral("13:45")},
        {QStringLiteral("B6"), QStringLiteral("14:00"), QStringLiteral("14:40")},
        {QStringLiteral("B7"), QStringLiteral("15:10"), QStringLiteral("15:50")},
    };
}

} // namespace quorvale
