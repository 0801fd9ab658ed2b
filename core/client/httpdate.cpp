#include "core/client/httpdate.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>

namespace quorvale {

std::optional<QDateTime> parseHttpDate(const QByteArray &field)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun), ([0-9]{2}) ([A-Z][a-z]{2}) ([0-9]{4}) "
                       "([0-9]{2}):([0-9]{2}):([0-9]{2}) (?:GMT|UTC)$"));
    static const QStringList months{QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                    QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                    QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                                    QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(field));
    if (!match.hasMatch())
        return std::nullopt;
    // Every captured number is two or four ASCII digits, so toInt cannot misread it.
    const auto number = [&match](int group) { return match.capturedView(group).toInt(); };
    const QDate day(number(3), int(months.indexOf(match.captured(2))) + 1, number(1));
    const QTime time(number(4), number(5), number(6));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(day, time, QTimeZone::utc());
}

} // namespace quorvale
