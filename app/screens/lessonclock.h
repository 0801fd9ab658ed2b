#pragma once

#include "core/model/schedule.h"

#include <QDateTime>
#include <QString>

// What a lesson card tells about its lesson at the moment the query screen answers for: the
// countdown to its start or end, and how far it has run. Times of day are read in Shanghai.
namespace quorvale::lessonclock {

// The identity of a lesson card: the weekly lesson, then its start and end minutes.
QString lessonKey(const DayLesson &lesson);

// "距上课 N 分钟" before the start, "距下课 N 分钟" from the start on; N is rounded up and never
// below 0.
QString countdown(const DayLesson &lesson, const QDateTime &moment);

// How much of the lesson has run, in whole seconds: the part run, from 0 before its start to the
// whole length after its end, and that length. A lesson that ends before it starts counts as one
// minute long.
struct LessonRun
{
    qint64 seconds = 0;
    qint64 length = 60;

    // From 0 to 1.
    double fraction() const;
    // The whole percentage run, cut down: 696 s of 2400 s is 29%.
    int percent() const;
};
LessonRun progress(const DayLesson &lesson, const QDateTime &moment);

// The room as the card shows it: "教室待确认" when absent or empty, otherwise unchanged.
QString roomText(const DayLesson &lesson);

// The period and its times, "B3  ·  10:15–10:55".
QString periodLine(const DayLesson &lesson);

} // namespace quorvale::lessonclock
