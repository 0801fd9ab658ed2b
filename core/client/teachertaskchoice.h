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

} // namespace quorvale
