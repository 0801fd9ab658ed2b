#pragma once

#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/teacher.h"

#include <QString>
#include <variant>

namespace quorvale {

// One row of the suggestion panel: a student, a teacher, a course or a timetable task.
struct SearchSuggestion
{
    std::variant<Student, Teacher, CourseOption, CourseTaskOption> value;

    // A prefix by kind ("s-", "t-", "c-", "k-") and the value's id, so rows of different kinds never
    // share an id.
    QString id() const;
    // The row's second line: the class of a student, the English name of a teacher or course unless
    // it repeats the name, the first and last day of a task.
    QString subtitle() const;

    bool operator==(const SearchSuggestion &) const = default;
};

} // namespace quorvale
