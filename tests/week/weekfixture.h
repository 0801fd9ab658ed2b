#pragma once

#include "core/base/shanghai.h"
#include "core/model/calendar.h"
#include "core/model/week.h"

#include <QDateTime>
#include <QString>

// Builders of the week tests: a Monday-to-Friday week from Monday 1 September 2025 and its events.
namespace quorvale::weekfixture {

inline const QDate monday(2025, 9, 1);

inline QDate day(int offset)
{
    return monday.addDays(offset);
}

// A Shanghai wall-clock moment of a day of the week, as the UTC instant the view receives.
inline QDateTime at(int offset, int hour, int minute, int second = 0)
{
    return shanghai::at(day(offset), hour * 60 + minute).addSecs(second);
}

inline WeekEvent lesson(const QString &id, int offset, std::optional<qint64> start, std::optional<qint64> end,
                        const QString &subject = QStringLiteral("数学"),
                        const QString &period = QStringLiteral("B1"))
{
    return WeekEvent{id, day(offset), period, subject, std::nullopt, std::nullopt, start, end};
}

// Days Monday to Friday with the given events sorted into them.
inline WeeklySchedule weekOf(const QList<WeekEvent> &events, int days = 5)
{
    WeeklySchedule week{monday, {}};
    for (int offset = 0; offset < days; ++offset) {
        WeekDaySchedule schedule{day(offset), {}, std::nullopt};
        for (const WeekEvent &e : events) {
            if (e.date == day(offset))
                schedule.events.append(e);
        }
        week.days.append(schedule);
    }
    return week;
}

} // namespace quorvale::weekfixture
