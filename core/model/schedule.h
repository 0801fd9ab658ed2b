#pragma once

#include "core/model/timetable.h"

#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// A weekly lesson placed on a day, with its times in minutes since midnight.
struct DayLesson
{
    Lesson lesson;
    qint64 start = 0;
    qint64 end = 0;

    QString id() const { return lesson.id(); }
    // "HH:MM–HH:MM" (en dash, no spaces).
    QString time() const;

    bool operator==(const DayLesson &) const = default;
};

// The answer for one person at one moment, or why there is none (available false).
struct ScheduleResult
{
    QString message;
    // The day's lessons in start order.
    QList<DayLesson> today;
    // The lessons running at the moment; more than one is a conflict.
    QList<DayLesson> current;
    std::optional<DayLesson> next;
    bool available = false;

    bool operator==(const ScheduleResult &) const = default;
};

} // namespace quorvale
