#pragma once

#include "core/adapters/platformtables.h"
#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/teacherschedule.h"
#include "core/model/week.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <optional>

// Builds the Monday-to-Sunday week a person's timetable shows: the week's dates, one column per
// day from the platform's bodies or from a teacher's day, and the week laid out from its columns.
namespace quorvale::WeekScheduleBuilder {

// Monday to Sunday of the Shanghai week that contains the moment.
QList<QDate> dates(const QDateTime &containing);

// The week that contains the moment, one column per day; a day that is missing, handed twice or
// holds events of other days is marked with a note. Never fails.
WeeklySchedule assemble(const QDateTime &containing, const QList<WeekDaySchedule> &days);

// A student's day as a column: the normalised lessons with their bell times plus the day's other
// arrangements (activities, evening study, slots past B7). Refuses what the one-day timetable
// refuses, and any day whose week reading disagrees with it.
WeekDaySchedule studentDay(const Student &student, const CourseTaskOption &task, const QByteArray &detailData,
                           const QByteArray &masterData, const QByteArray &studentTablesData,
                           const QDateTime &date, std::optional<qint64> singleDoubleSet);
// The same from bodies decoded once, as the lookup hands them to every day.
WeekDaySchedule studentDay(const Student &student, const CourseTaskOption &task,
                           const platform::TaskBodies &week, const QDateTime &date,
                           std::optional<qint64> singleDoubleSet);

// Whether a course of `objectId`'s own table on the moment's day is held only in odd or even weeks,
// so that the day's week code must be fetched before the day is translated. Tables of other
// people in the same body are not looked at.
bool requiresParity(const QByteArray &masterData, const QByteArray &tablesData, const QDateTime &date,
                    qint64 objectId);
bool requiresParity(const platform::TaskBodies &week, const QDateTime &date, qint64 objectId);

// A teacher's normalised day as a column, entries in their given order. Never fails.
WeekDaySchedule teacherDay(const TeacherSchedule &schedule);

} // namespace quorvale::WeekScheduleBuilder
