#pragma once

#include "core/model/coursetask.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace quorvale {

// Which timetable task the teacher side reads on a day. With a chosen task, `tasks` holds it alone
// and `detail` its detail record as received; otherwise `tasks` are the readable ones to choose from.
struct TeacherTaskChoice
{
    QList<CourseTaskOption> tasks;
    std::optional<CourseTaskOption> chosen;
    std::optional<QByteArray> detail;
};

// A chosen task and what a teacher's lookup reads of it: its detail, the teacher's own tables and the
// task's master, each as received.
struct TeacherTaskDocuments
{
    CourseTaskOption task;
    QByteArray detail;
    QByteArray tables;
    QByteArray master;
};

} // namespace quorvale
