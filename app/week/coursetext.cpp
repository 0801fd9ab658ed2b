#include "app/week/coursetext.h"

#include "app/week/daylabels.h"
#include "app/week/weekmodel.h"

#include "core/base/shanghai.h"
#include "core/model/calendar.h"

#include <QStringList>

namespace quorvale {

QString roomText(const WeekEvent &event)
{
    return event.room && !event.room->isEmpty() ? *event.room : QStringLiteral("教室待确认");
}

std::optional<QString> timeRange(const WeekEvent &event)
{
    if (!event.isTimed())
        return std::nullopt;
    return Engine::time(*event.start) + QStringLiteral("–") + Engine::time(*event.end);
}

std::optional<QString> classLabel(const WeekEvent &event)
{
    if (!event.className)
        return std::nullopt;
    const QString trimmed = event.className->trimmed();
    if (trimmed.isEmpty() || normalized(trimmed) == normalized(event.subject))
        return std::nullopt;
    return trimmed;
}

QString summary(const WeekEvent &event)
{
    QStringList parts{event.period, event.subject};
    if (const auto times = timeRange(event))
        parts.append(*times);
    if (const auto label = classLabel(event))
        parts.append(*label);
    parts.append(roomText(event));
    return parts.join(QStringLiteral(" · "));
}

QString cardName(const WeekEvent &event)
{
    return columnHeader(event.date) + QStringLiteral(" · ") + summary(event);
}

QString clock(const WeekEvent &event)
{
    return timeRange(event).value_or(QStringLiteral("上下课时间待确认"));
}

std::optional<QString> detailClass(const WeekEvent &event)
{
    if (!event.className || event.className->isEmpty() || *event.className == event.subject)
        return std::nullopt;
    return event.className;
}

QString detailSummary(const WeekEvent &event)
{
    QStringList parts{event.subject, detailDate(event.date), clock(event), roomText(event)};
    if (const auto className = detailClass(event))
        parts.append(*className);
    return parts.join(QStringLiteral(" · "));
}

bool isRunning(const WeekEvent &event, const QDateTime &moment)
{
    if (event.date != shanghai::dateOf(moment) || !event.isTimed())
        return false;
    const qint64 now = shanghai::minuteOf(moment);
    return *event.start <= now && now < *event.end;
}

} // namespace quorvale
