#pragma once

#include "tools/demoplatform/school/schooldata.h"

namespace quorvale::demo {

// The default data set of the demo platform: a school with a middle section (G6–G8) and a high
// section (G9–G12), a few hundred students, their teachers and the timetable tasks around a given
// day, so that a demo started on any day finds a term in effect.
//
// Tasks, in the platform's order: the draft of the current term (not in effect), the G12 mock-exam
// timetable around the day (in effect, not default), the current term (default), the previous term.
class SampleSchool
{
public:
    SampleSchool() = delete;

    static constexpr qint64 schoolId = 1;
    static constexpr qint64 previousTaskId = 41;
    static constexpr qint64 currentTaskId = 42;
    static constexpr qint64 mockExamTaskId = 43;
    static constexpr qint64 draftTaskId = 44;

    // Rows of the bell grid: B1–B7 are the teaching rows 1 to 7; the public rows follow.
    static constexpr qint64 teachingTimeType = 1;
    static constexpr qint64 publicTimeType = 2;
    static constexpr qint64 lunchRow = 1;
    static constexpr qint64 asaRow = 2;
    static constexpr qint64 eveningStudyRow = 3;
    static constexpr qint64 sflRow = 4;

    // The same day always gives the same school; the term starts six weeks before the day's Monday.
    static SchoolData generate(QDate today);

    // The bell grid: "B1" to "B7", then "午休", "ASA", "晚自习" and "SFL".
    static QList<SchoolPeriod> periods();
    // One cell per day and row, each with the id cellId gives it.
    static QList<SchoolCell> cells(const QList<qint64> &dayOrders, const QList<SchoolPeriod> &periods);
    static qint64 cellId(qint64 dayOrder, qint64 sectionOrder, qint64 timeType = teachingTimeType)
    {
        return dayOrder * 100 + timeType * 10 + sectionOrder;
    }
};

} // namespace quorvale::demo
