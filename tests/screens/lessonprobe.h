#pragma once

#include "core/model/student.h"
#include "tools/demoplatform/school/schooldata.h"

#include <QDateTime>
#include <optional>

// Answers from the sample school's own data, not from the application: which student has a plain
// weekly lesson in a given bell period of a day, and what the card should then say.
namespace quorvale::testing {

struct ExpectedLesson
{
    qint64 studentId = 0;
    QString studentName;
    QString subject;
    QString room;
    // The bell period and its times as the card's period line shows them: "B3", "10:35–11:15".
    QString period;
    QString times;
    // Its length in minutes.
    qint64 length = 0;
    // Ten minutes into the lesson by the school's bell schedule.
    QDateTime during;
    // Ten minutes before the lesson starts.
    QDateTime before;
};

// The first middle-school student of the current term whose classes have exactly one lesson in
// period `row` (1 to 7) of the day, held every week and not part of a package, whose name no other
// student shares. None when the school has no such student.
std::optional<ExpectedLesson> plainLessonAt(const demo::SchoolData &school, QDate day, int row);

// The first student of the current term with an activity (a row outside B1–B7) on the day, whose
// name no other student shares. None when there is none.
std::optional<Student> studentWithActivity(const demo::SchoolData &school, QDate day);

} // namespace quorvale::testing
