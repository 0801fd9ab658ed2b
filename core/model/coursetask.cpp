#include "core/model/coursetask.h"

#include "core/model/calendar.h"

#include "core/base/shanghai.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

#include <QRegularExpression>
#include <QTime>

namespace quorvale {

namespace {

// A two-digit field of a matched date-time.
int field(const QRegularExpressionMatch &match, int index)
{
    return static_cast<int>(text::parseInteger(match.capturedView(index)).value_or(-1));
}

// The date and time as written ("yyyy-MM-ddTHH:mm:ss"), held as UTC, when both name a real day and
// time.
std::optional<QDateTime> writtenDateTime(const QRegularExpressionMatch &match)
{
    const auto day = Engine::day(match.captured(1));
    const QTime time(field(match, 2), field(match, 3), field(match, 4));
    if (!day || !time.isValid())
        return std::nullopt;
    return QDateTime(*day, time, Qt::UTC);
}

// An internet date-time with a zone designator ("Z" or "±HH:MM"), fraction of a second optional.
std::optional<QDate> instantDay(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^([0-9]{4}-[0-9]{2}-[0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\.[0-9]+)?)") +
        QStringLiteral(R"((?:(Z)|([+-])([0-9]{2}):([0-9]{2}))$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto asUtc = writtenDateTime(match);
    if (!asUtc)
        return std::nullopt;
    if (match.capturedLength(5) > 0)
        return shanghai::dateOf(*asUtc);
    const int hours = field(match, 7);
    const int minutes = field(match, 8);
    if (hours > 23 || minutes > 59)
        return std::nullopt;
    const int sign = match.captured(6) == QLatin1String("-") ? -1 : 1;
    return shanghai::dateOf(asUtc->addSecs(-sign * (hours * 3600 + minutes * 60)));
}

// A Shanghai wall-clock date-time, with or without exactly three digits of milliseconds; the time
// must exist on that day in Shanghai.
std::optional<QDate> localDay(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^([0-9]{4}-[0-9]{2}-[0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(?:\.[0-9]{3})?$)"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto wallClock = writtenDateTime(match);
    if (!wallClock)
        return std::nullopt;
    const QDateTime local(wallClock->date(), wallClock->time(), shanghai::zone());
    if (local.time() != wallClock->time())
        return std::nullopt;
    return wallClock->date();
}

} // namespace

std::optional<QDate> CourseTaskOption::schoolDay(const QString &text)
{
    if (const auto day = Engine::day(text))
        return day;
    if (!text.contains(QLatin1Char('T')))
        return std::nullopt;
    if (const auto day = instantDay(text))
        return day;
    return localDay(text);
}

bool CourseTaskOption::contains(QDate day) const
{
    const auto start = schoolDay(startDate);
    const auto end = schoolDay(endDate);
    return start && end && day.isValid() && *start <= day && day <= *end;
}

bool CourseTaskOption::contains(const QDateTime &moment) const
{
    return moment.isValid() && contains(shanghai::dateOf(moment));
}

CourseTaskOption CourseTaskOption::fromJson(const QJsonObject &object)
{
    CourseTaskOption task;
    task.id = json::integer(object, QStringLiteral("id"));
    task.taskName = json::string(object, QStringLiteral("taskName"));
    task.taskEName = json::optionalString(object, QStringLiteral("taskEName"));
    task.startDate = json::string(object, QStringLiteral("startDate"));
    task.endDate = json::string(object, QStringLiteral("endDate"));
    // The platform marks the default task with a Boolean or with 0/1; anything else is no mark and
    // never fails the task.
    const QJsonValue mark = object.value(QStringLiteral("default"));
    if (mark.isBool()) {
        task.isDefault = mark.toBool();
    } else if (const auto number = json::asInteger(mark); number == 0 || number == 1) {
        task.isDefault = *number == 1;
    }
    return task;
}

} // namespace quorvale
