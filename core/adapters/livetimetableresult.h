#pragma once

#include "core/model/coursetask.h"
#include "core/model/timetable.h"
#include "core/model/week.h"

#include <QList>
#include <optional>

namespace quorvale {

// What a student timetable lookup returns: the day's timetable, week and chosen task when a task
// was read, or only the tasks to choose from.
struct LiveTimetableResult
{
    std::optional<Timetable> timetable;
    // The tasks holding the student's own table, in the order they were tried.
    QList<CourseTaskOption> tasks;
    std::optional<CourseTaskOption> selectedTask;
    std::optional<WeeklySchedule> week;

    bool operator==(const LiveTimetableResult &) const = default;
};

} // namespace quorvale
