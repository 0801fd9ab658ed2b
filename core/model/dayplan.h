#pragma once

#include "core/model/schedule.h"

#include <QList>
#include <QString>
#include <optional>

// Shared steps of the lesson-now rules: where a moment falls among the lessons of a day.
namespace quorvale::dayplan {

// The core hours, 08:30 to 15:50: the span of B1–B7. Outside them activities may lack clock times.
constexpr qint64 coreStart = 510;
constexpr qint64 coreEnd = 950;

struct Placement
{
    // Lessons with start <= now < end, in day order.
    QList<DayLesson> current;
    // The first lesson that starts after now.
    std::optional<DayLesson> next;
};

// Stable sort by start; lessons with equal starts keep their order.
void sortByStart(QList<DayLesson> &lessons);
// `today` must already be in day order.
Placement place(const QList<DayLesson> &today, qint64 now);
// The student answer's message by the number of current lessons.
QString studentMessage(qsizetype currentCount);
// The student answer outside 08:30–15:50 when the timetable leaves those hours unconfirmed, and the
// test the week refinement uses to recognise it.
QString outsideCoreHoursMessage();
bool isOutsideCoreHours(const QString &message);

} // namespace quorvale::dayplan
