#pragma once

#include "core/adapters/platformtables.h"
#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/timetable.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

// Turns the platform's three bodies of a timetable task (detail, master, per-student tables) into
// the validated one-day timetable of one student. Whatever cannot be placed with certainty is
// refused with a DemoError naming why; the first failing check decides.
namespace quorvale::TimetableAdapter {

// `date` is the moment whose Shanghai day is built; `singleDoubleSet` is that day's week code (1 or
// 2) when the caller fetched it.
Timetable normalize(const Student &student, const CourseTaskOption &task, const QByteArray &detailData,
                    const QByteArray &masterData, const QByteArray &studentTablesData, const QDateTime &date,
                    std::optional<qint64> singleDoubleSet);
// The same from bodies decoded once, as a lookup hands them to every day.
Timetable normalize(const Student &student, const CourseTaskOption &task, const platform::TaskBodies &bodies,
                    const QDateTime &date, std::optional<qint64> singleDoubleSet);

} // namespace quorvale::TimetableAdapter
