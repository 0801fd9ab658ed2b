#pragma once

#include "core/adapters/platformtables.h"
#include "core/model/coursetask.h"
#include "core/model/teacher.h"
#include "core/model/teacherschedule.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <optional>

namespace quorvale {

// Class id to the section codes of the class's students: 2 middle school, 3 high school; other
// codes belong to neither.
using ClassSections = QHash<qint64, QSet<qint64>>;

// Turns the platform's three bodies of a timetable task (detail, master, the teacher's tables over
// all pages) into one teacher's day. B2 and B4 lessons of classes whose section is not settled stay
// without times and carry a warning; everything else that cannot be confirmed is refused with a
// DemoError naming why.
namespace TeacherTimetableAdapter {

TeacherSchedule normalize(const Teacher &teacher, const CourseTaskOption &task, const QByteArray &detailData,
                          const QByteArray &masterData, const QByteArray &teacherTablesData,
                          const QDateTime &date, const ClassSections &classSections,
                          std::optional<qint64> singleDoubleSet);
// The same from bodies decoded once, as a lookup hands them to every day.
TeacherSchedule normalize(const Teacher &teacher, const CourseTaskOption &task,
                          const platform::TaskBodies &bodies, const QDateTime &date,
                          const ClassSections &classSections, std::optional<qint64> singleDoubleSet);

} // namespace TeacherTimetableAdapter

} // namespace quorvale
