#pragma once

#include "core/model/schedule.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// One event of a person's week: a lesson or an activity, timed when both start and end are known.
struct WeekEvent
{
    QString id;
    QDate date;
    QString period;
    QString subject;
    std::optional<QString> room;
    std::optional<QString> className;
    std::optional<qint64> start;
    std::optional<qint64> end;

    bool isTimed() const { return start.has_value() && end.has_value(); }

    bool operator==(const WeekEvent &) const = default;
};

// One day of a week. A day with a note was not confirmed as a whole and never refines an answer.
struct WeekDaySchedule
{
    QDate date;
    QList<WeekEvent> events;
    std::optional<QString> note;

    bool operator==(const WeekDaySchedule &) const = default;
};

// The Monday-to-Sunday week of one person. Days are found by date; a week may lack days.
struct WeeklySchedule
{
    QDate weekStart;
    QList<WeekDaySchedule> days;

    // The events of all days, day by day.
    QList<WeekEvent> events() const;

    // The student answer corrected with the timed "ASA" activities and untimed events of the day.
    ScheduleResult refining(const ScheduleResult &result, const QDateTime &at, qint64 studentId) const;

    bool operator==(const WeeklySchedule &) const = default;
};

} // namespace quorvale
