#include "core/model/engine.h"

#include "core/model/dayplan.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

namespace quorvale {

namespace {

ScheduleResult refusal(const QString &message)
{
    return ScheduleResult{message, {}, {}, std::nullopt, false};
}

// The built-in bells win; the document's own bells of the section only add periods they lack.
std::optional<Period> findPeriod(const Timetable &table, const QString &section, const QString &code)
{
    for (const Period &period : BellSchedule::periods(section)) {
        if (period.id == code)
            return period;
    }
    for (const Period &period : table.bells.value(section)) {
        if (text::compare(period.id, code) == 0)
            return period;
    }
    return std::nullopt;
}

} // namespace

ScheduleResult Engine::result(const Student &student, const std::optional<Timetable> &table,
                              const QDateTime &date)
{
    const auto section = student.section();
    if (!section)
        return refusal(QStringLiteral("仅支持初中和高中"));
    if (!table) {
        return refusal(QStringLiteral(
            "尚未取得该学生的个人课表。请导入已确认的课表 JSON；HAR 中的首页日程不能当作个人课表。"));
    }
    if (table->isSample && student.id >= 0)
        return refusal(QStringLiteral("示例课表不能用于真实学生"));

    const QString outsideWindow = QStringLiteral("查询日期不在课表有效期内");
    const auto from = day(table->validFrom);
    const auto through = day(table->validThrough);
    const auto weekOne = day(table->weekOneMonday);
    if (!from || !through || !weekOne)
        return refusal(outsideWindow);
    // The whole of the last valid day is inside; 00:00 of the following day is not.
    if (!date.isValid() || date < shanghai::startOf(*from) || date >= shanghai::startOf(through->addDays(1)))
        return refusal(outsideWindow);

    if (!table->completeStudentIds.contains(student.id))
        return refusal(QStringLiteral("该学生的课表尚未完整获取，无法判断当前课程"));

    const QDate today = shanghai::dateOf(date);
    const qint64 weekday = today.dayOfWeek();
    const qint64 sinceWeekOne = weekOne->daysTo(today);
    if (sinceWeekOne < 0)
        return refusal(QStringLiteral("日期早于第一教学周"));
    // Teaching week 1 is odd.
    const QString parity = (sinceWeekOne / 7) % 2 == 0 ? QStringLiteral("odd") : QStringLiteral("even");

    QList<DayLesson> lessons;
    for (const Lesson &lesson : table->lessons) {
        if (lesson.studentId != student.id || lesson.weekday != weekday ||
            (lesson.weekParity && *lesson.weekParity != parity))
            continue;
        const auto period = findPeriod(*table, *section, lesson.period);
        const auto start = period ? minutes(period->start) : std::nullopt;
        const auto end = period ? minutes(period->end) : std::nullopt;
        if (!start || !end)
            return refusal(QStringLiteral("该学生的课程节次没有匹配到所属学部作息：") + lesson.period);
        lessons.append(DayLesson{lesson, *start, *end});
    }
    dayplan::sortByStart(lessons);

    const qint64 now = shanghai::minuteOf(date);
    dayplan::Placement placement = dayplan::place(lessons, now);
    if (table->unknownOutsideCoreHours.value_or(false) && placement.current.isEmpty() &&
        (now < dayplan::coreStart || now >= dayplan::coreEnd))
        return ScheduleResult{dayplan::outsideCoreHoursMessage(), lessons, {}, placement.next, false};
    const QString message = dayplan::studentMessage(placement.current.size());
    return ScheduleResult{message, lessons, placement.current, placement.next, true};
}

} // namespace quorvale
