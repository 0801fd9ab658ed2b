#pragma once

#include "core/model/coursetask.h"
#include "core/model/schedule.h"
#include "core/model/teacher.h"
#include "core/model/week.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace quorvale {

// One entry of a teacher's day. B2 and B4 entries may lack clock times while the class's section
// is not settled.
struct TeacherEntry
{
    QString id;
    QString period;
    QString subject;
    std::optional<QString> room;
    std::optional<QString> className;
    std::optional<qint64> start;
    std::optional<qint64> end;
    // "初中", "高中", "跨初高中", "学部待确认" or "跨学部".
    std::optional<QString> section;

    bool isTimed() const { return start.has_value() && end.has_value(); }

    bool operator==(const TeacherEntry &) const = default;
};

// A teacher's day as read from one timetable task.
struct TeacherSchedule
{
    Teacher teacher;
    CourseTaskOption task;
    QDate date;
    QList<TeacherEntry> entries;
    QStringList warnings;
    std::optional<WeeklySchedule> week;

    QList<TeacherEntry> untimedEntries() const;
    // The teacher answer at a moment of this day.
    ScheduleResult result(const QDateTime &at) const;
    // The class names taught in a lesson, sorted and joined with " / "; none when there are none.
    std::optional<QString> className(const QString &lessonId) const;
    std::optional<QString> className(const DayLesson &dayLesson) const;

    bool operator==(const TeacherSchedule &) const = default;
};

} // namespace quorvale
