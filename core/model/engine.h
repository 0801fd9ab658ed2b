#pragma once

#include "core/model/calendar.h"
#include "core/model/schedule.h"
#include "core/model/student.h"
#include "core/model/timetable.h"

#include <QDateTime>
#include <optional>

namespace quorvale::Engine {

// The student rule: the student's lessons on the Shanghai day of the moment, which one runs now and
// which comes next, or a refusal with its reason. Expects a timetable that passed validate().
ScheduleResult result(const Student &student, const std::optional<Timetable> &table, const QDateTime &date);

} // namespace quorvale::Engine
