#pragma once

#include "core/client/settled.h"
#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/timetable.h"
#include "core/model/week.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QJsonObject>
#include <optional>

namespace quorvale {

class QuorvaleAPI;

// The steps of the student timetable lookup: trying one task, and reading the chosen one's day and
// week.
namespace studentlookup {

// A task in which the student's own table was found.
struct Candidate
{
    CourseTaskOption task;
    // The task detail's "data", as received.
    QJsonObject detail;
    // {"totalCount", "list"} of the student's own rows only: rows of other people in the same answer
    // must neither require week codes nor fail this student's days.
    QJsonObject tables;
};

// What trying one task gave.
struct Trial
{
    enum class Kind
    {
        NotInEffect,
        UnsupportedLayout,
        NoOwnTable,
        Found
    };

    Kind kind = Kind::NotInEffect;
    std::optional<Candidate> candidate;
    // The task's timetable master, asked beside the course-table pages when a found table would
    // make this task the chosen one.
    std::optional<Settled<QJsonObject>> master;
};

// Asks for the task's detail and, for a task in effect of the readable layout, the student's course
// table. With `decisive`, the master is asked for at the same time as the pages.
QCoro::Task<Trial> tryTask(QuorvaleAPI *api, Student student, CourseTaskOption task, bool decisive);

// The day's timetable and the week of a chosen task.
struct Reading
{
    Timetable timetable;
    WeeklySchedule week;
};

// Reads the chosen task's master (unless it came with the trial) and builds the moment's day and its
// Monday-to-Sunday week. The week codes of all days of the week inside the task are asked at once;
// the queried day's is read first, and its failure alone ends the lookup, as does an expired session
// on any day; other days that cannot be confirmed carry a note instead.
QCoro::Task<Reading> readChosen(QuorvaleAPI *api, Student student, QDateTime date, Candidate candidate,
                                std::optional<Settled<QJsonObject>> masterAnswer);

// A day of the week that was not built, with the reason shown in its place.
WeekDaySchedule noteDay(QDate day, const QString &note);

} // namespace studentlookup
} // namespace quorvale
