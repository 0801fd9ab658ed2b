#include "app/week/weekmodel.h"

#include "app/week/daylabels.h"
#include "app/week/deferredevents.h"
#include "app/week/weekgrid.h"

#include "core/base/shanghai.h"

#include <algorithm>
#include <utility>

namespace quorvale {

namespace {

constexpr int defaultLastEnd = 945;
constexpr int shortestEnd = 990;

} // namespace

WeekModel::WeekModel()
    : WeekModel(WeeklySchedule{}, QDateTime{}, false)
{}

WeekModel::WeekModel(WeeklySchedule schedule, QDateTime referenceDate, bool showFullDay)
    : m_schedule(std::move(schedule))
    , m_referenceDate(std::move(referenceDate))
    , m_showFullDay(showFullDay)
    , m_compactEnd(lastDrawnEnd())
{}

WeekModel WeekModel::at(const QDateTime &referenceDate) const
{
    // The collapsed end depends on the schedule alone.
    WeekModel moved = *this;
    moved.m_referenceDate = referenceDate;
    return moved;
}

QList<DisplayWeekDay> WeekModel::days() const
{
    QList<DisplayWeekDay> result;
    // A schedule without a first day is no week at all.
    if (!m_schedule.weekStart.isValid())
        return result;
    for (int offset = 0; offset < 7; ++offset) {
        const QDate date = m_schedule.weekStart.addDays(offset);
        const auto match = std::find_if(m_schedule.days.cbegin(), m_schedule.days.cend(),
                                        [&](const WeekDaySchedule &day) { return day.date == date; });
        if (match == m_schedule.days.cend()) {
            result.append(DisplayWeekDay{date, {}, QStringLiteral("该日数据待确认")});
            continue;
        }
        DisplayWeekDay day{date, {}, match->note};
        std::copy_if(match->events.cbegin(), match->events.cend(), std::back_inserter(day.events),
                     [&](const WeekEvent &event) { return event.date == date; });
        result.append(day);
    }
    return result;
}

QList<DisplayWeekDay> WeekModel::visibleDays() const
{
    QList<DisplayWeekDay> result;
    for (const DisplayWeekDay &day : days()) {
        const bool weekend = day.date.dayOfWeek() >= 6;
        const bool noted = day.note && !day.note->isEmpty();
        if (!weekend || !day.events.isEmpty() || noted)
            result.append(day);
    }
    return result;
}

int WeekModel::lastDrawnEnd() const
{
    qint64 lastEnd = -1;
    for (const DisplayWeekDay &day : days()) {
        for (const WeekEvent &event : day.events) {
            if (event.start && event.end && *event.start < *event.end &&
                *event.start<weekgrid::fullDayEnd && * event.end> weekgrid::firstMinute)
                lastEnd = std::max(lastEnd, std::min<qint64>(*event.end, weekgrid::fullDayEnd));
        }
    }
    if (lastEnd < 0)
        lastEnd = defaultLastEnd;
    const qint64 padded = (lastEnd + 45 + 15) / 30 * 30;
    return int(std::min<qint64>(weekgrid::fullDayEnd, std::max<qint64>(shortestEnd, padded)));
}

int WeekModel::compactEnd() const
{
    return m_compactEnd;
}

int WeekModel::visibleEnd() const
{
    return m_showFullDay ? weekgrid::fullDayEnd : compactEnd();
}

double WeekModel::nowMinute() const
{
    const QTime time = shanghai::timeOf(m_referenceDate);
    return time.hour() * 60 + time.minute() + time.second() / 60.0;
}

bool WeekModel::isReferenceDay(QDate day) const
{
    return day.isValid() && day == shanghai::dateOf(m_referenceDate);
}

bool WeekModel::containsReferenceDay() const
{
    // The seven days run from the week's start.
    if (!m_schedule.weekStart.isValid())
        return false;
    const qint64 offset = m_schedule.weekStart.daysTo(shanghai::dateOf(m_referenceDate));
    return offset >= 0 && offset < 7;
}

bool WeekModel::timeInRange() const
{
    const double now = nowMinute();
    return now >= weekgrid::firstMinute && now <= visibleEnd() && containsReferenceDay();
}

bool WeekModel::sameDayAndRange(const WeekModel &other) const
{
    return m_showFullDay == other.m_showFullDay &&
           shanghai::dateOf(m_referenceDate) == shanghai::dateOf(other.m_referenceDate) &&
           timeInRange() == other.timeInRange() && outsideTimeRange() == other.outsideTimeRange();
}

bool WeekModel::outsideTimeRange() const
{
    return !timeInRange() && containsReferenceDay();
}

QList<int> WeekModel::labelledMinutes() const
{
    const int end = visibleEnd();
    QList<int> minutes;
    for (int minute = weekgrid::firstMinute; minute <= end; minute += 60)
        minutes.append(minute);
    if (minutes.isEmpty() || minutes.last() != end)
        minutes.append(end);
    return minutes;
}

QList<WeekEvent> WeekModel::deferred() const
{
    const int end = visibleEnd();
    QList<WeekEvent> outside;
    for (const DisplayWeekDay &day : days()) {
        std::copy_if(day.events.cbegin(), day.events.cend(), std::back_inserter(outside),
                     [&](const WeekEvent &event) { return !weekgrid::isPlaced(event, end); });
    }
    return mergeDeferred(outside);
}

QString WeekModel::weekRange() const
{
    const QDate last = m_schedule.weekStart.addDays(6);
    if (!m_schedule.weekStart.isValid() || !last.isValid())
        return {};
    return monthDayText(m_schedule.weekStart) + QStringLiteral(" – ") + monthDayText(last);
}

QString normalized(const QString &text)
{
    QString result = text.toLower();
    result.removeIf([](QChar c) { return c.isSpace(); });
    return result;
}

} // namespace quorvale
