#pragma once

#include "core/client/studentflights.h"
#include "core/model/coursetask.h"
#include "core/model/student.h"
#include "core/model/week.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <optional>

namespace quorvale {

class QuorvaleAPI;

// The steps of the student timetable lookup: trying one task, reading the student's course-table
// pages, and the week code of a day.
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
    std::optional<flights::Landed<QJsonObject>> master;
};

// Asks for the task's detail and, for a task in effect of the readable layout, the student's course
// table. With `decisive`, the master is asked for at the same time as the pages.
QCoro::Task<Trial> tryTask(QuorvaleAPI *api, Student student, CourseTaskOption task, bool decisive);

// The three documents the adapters read, as JSON bytes.
struct Documents
{
    QByteArray detail;
    QByteArray master;
    QByteArray tables;
    // The detail's "schoolSemesterId" when it is an integer.
    std::optional<qint64> semesterId;
};

// The week code of the moment's day: none when the student's courses of that day are held every
// week; otherwise 1 or 2 as the platform gives it.
QCoro::Task<std::optional<qint64>> dayParity(QuorvaleAPI *api, Documents documents, qint64 studentId,
                                             QDateTime day);

// A day of the week that was not built, with the reason shown in its place.
WeekDaySchedule noteDay(QDate day, const QString &note);

} // namespace studentlookup
} // namespace quorvale
