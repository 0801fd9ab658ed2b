#pragma once

#include "core/model/week.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

// What the week grid shows for a week, a reference moment and the full-day switch: the seven days,
// the columns shown, the drawn time range, where the reference time lies and what the grid cannot
// draw. The end of the collapsed grid is worked out once, as the model is made; every other value
// afresh from the inputs when it is asked for.
namespace quorvale {

// One column of the week: a Shanghai day, its events and the remark that stands for it.
struct DisplayWeekDay
{
    QDate date;
    QList<WeekEvent> events;
    std::optional<QString> note;

    bool operator==(const DisplayWeekDay &) const = default;
};

class WeekModel
{
public:
    WeekModel();
    WeekModel(WeeklySchedule schedule, QDateTime referenceDate, bool showFullDay);

    // The same week and switch at another reference moment, without working the grid's end out again.
    WeekModel at(const QDateTime &referenceDate) const;

    const WeeklySchedule &schedule() const { return m_schedule; }
    const QDateTime &referenceDate() const { return m_referenceDate; }
    bool showFullDay() const { return m_showFullDay; }

    // Monday to Sunday (none without a week start); a day the schedule lacks carries the note that its
    // data awaits confirmation.
    QList<DisplayWeekDay> days() const;
    // The weekdays, and the weekend days that have an event or a note.
    QList<DisplayWeekDay> visibleDays() const;
    // End of the collapsed grid: the last drawn end plus some room, on a half hour, 16:30 at the least.
    int compactEnd() const;
    int visibleEnd() const;
    // The reference time of day in minutes, seconds as the fraction.
    double nowMinute() const;
    bool isReferenceDay(QDate day) const;
    // The reference moment lies in this week and in the drawn hours.
    bool timeInRange() const;
    // The reference moment lies in this week but outside the drawn hours.
    bool outsideTimeRange() const;
    QList<int> labelledMinutes() const;
    // Whether this model differs from `other`, which has the same week, at most in the time of day of
    // the reference moment: the same reference day and switch, and the reference time on the same
    // side of the drawn hours.
    bool sameDayAndRange(const WeekModel &other) const;
    // The events the grid does not draw, the same lesson on the same day merged into one.
    QList<WeekEvent> deferred() const;
    // The week's first and last day, as in 9月2日 – 9月8日.
    QString weekRange() const;

private:
    bool containsReferenceDay() const;
    int lastDrawnEnd() const;

    WeeklySchedule m_schedule;
    QDateTime m_referenceDate;
    bool m_showFullDay = false;
    int m_compactEnd = 0;
};

// The comparison form of a class or subject name: lower case, without any white space.
QString normalized(const QString &text);

} // namespace quorvale
