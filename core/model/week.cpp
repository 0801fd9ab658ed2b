#include "core/model/week.h"

#include "core/model/dayplan.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <algorithm>

namespace quorvale {

namespace {

// The week builders time every slot whose upper-cased period is "ASA"; the refinement must treat the
// same slots as activities, whatever their letter case.
bool isActivity(const WeekEvent &event)
{
    return event.period.toUpper() == QLatin1String("ASA");
}

// The periods of the day's untimed events, without repeats, in ascending order, joined by "、".
QString untimedPeriods(const WeekDaySchedule &day)
{
    QStringList periods;
    for (const WeekEvent &event : day.events) {
        const bool known = std::any_of(periods.cbegin(), periods.cend(),
                                       [&](const QString &p) { return text::compare(p, event.period) == 0; });
        if (!event.isTimed() && !known)
            periods.append(event.period);
    }
    std::sort(periods.begin(), periods.end(), text::less);
    return periods.join(QStringLiteral("、"));
}

} // namespace

QList<WeekEvent> WeeklySchedule::events() const
{
    QList<WeekEvent> all;
    for (const WeekDaySchedule &day : days)
        all.append(day.events);
    return all;
}

ScheduleResult WeeklySchedule::refining(const ScheduleResult &result, const QDateTime &at,
                                        qint64 studentId) const
{
    if (!result.available && !dayplan::isOutsideCoreHours(result.message))
        return result;
    const QDate date = shanghai::dateOf(at);
    const auto day =
        std::find_if(days.cbegin(), days.cend(), [&](const WeekDaySchedule &d) { return d.date == date; });
    if (day == days.cend() || day->note)
        return result;

    QList<DayLesson> today = result.today;
    for (const WeekEvent &event : day->events) {
        if (isActivity(event) && event.isTimed()) {
            const Lesson lesson{studentId,     date.dayOfWeek(), event.period,
                                event.subject, event.room,       std::nullopt};
            today.append(DayLesson{lesson, *event.start, *event.end});
        }
    }
    dayplan::sortByStart(today);
    dayplan::Placement placement = dayplan::place(today, shanghai::minuteOf(at));

    if (!placement.current.isEmpty()) {
        const QString message = dayplan::studentMessage(placement.current.size());
        return ScheduleResult{message, today, placement.current, placement.next, true};
    }
    if (result.available)
        return ScheduleResult{result.message, today, result.current, placement.next, true};
    const QString untimed = untimedPeriods(*day);
    if (!untimed.isEmpty()) {
        return ScheduleResult{untimed +
                                  QStringLiteral("有安排，但学校作息表未提供钟点，无法判断此刻是否在上课"),
                              today,
                              {},
                              placement.next,
                              false};
    }
    return ScheduleResult{dayplan::studentMessage(0), today, {}, placement.next, true};
}

} // namespace quorvale
