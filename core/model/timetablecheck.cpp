#include "core/model/calendar.h"
#include "core/model/timetable.h"

#include "core/base/errors.h"
#include "core/base/text.h"

#include <QSet>
#include <algorithm>

namespace quorvale {

namespace {

bool hasRepeatedIds(const QList<Period> &periods)
{
    for (qsizetype i = 0; i < periods.size(); ++i) {
        for (qsizetype j = i + 1; j < periods.size(); ++j) {
            if (text::compare(periods[i].id, periods[j].id) == 0)
                return true;
        }
    }
    return false;
}

bool datesAndIdsValid(const Timetable &table)
{
    const auto from = Engine::day(table.validFrom);
    const auto through = Engine::day(table.validThrough);
    if (!from || !through || *from > *through)
        return false;
    const auto monday = Engine::day(table.weekOneMonday);
    if (!monday || monday->dayOfWeek() != Qt::Monday || table.source.isEmpty())
        return false;
    const QSet<qint64> ids(table.completeStudentIds.cbegin(), table.completeStudentIds.cend());
    return ids.size() == table.completeStudentIds.size();
}

// The section's own copy of each built-in period must match it to the letter: the school's printed
// times are authoritative and the platform's clock times may not override them.
void checkBuiltInPeriods(const QString &section, const QList<Period> &periods)
{
    for (const Period &builtIn : BellSchedule::periods(section)) {
        if (!periods.contains(builtIn)) {
            throw DemoError::message(
                section + QLatin1Char(' ') + builtIn.id + QStringLiteral(" 必须使用图片作息 ") +
                builtIn.start + QStringLiteral("–") + builtIn.end + QStringLiteral("，不能使用澜序钟点覆盖"));
        }
    }
}

void checkPeriodOrder(QList<Period> periods)
{
    // Sorting by the start text (not its minutes) is deliberate: a start written without its leading
    // zero sorts out of place and is then reported as overlapping.
    std::stable_sort(periods.begin(), periods.end(),
                     [](const Period &a, const Period &b) { return text::less(a.start, b.start); });
    qint64 previousEnd = -1;
    for (const Period &period : periods) {
        const auto start = Engine::minutes(period.start);
        const auto end = Engine::minutes(period.end);
        if (!start || !end || *start < previousEnd || *start >= *end)
            throw DemoError::message(QStringLiteral("作息时间无效或重叠：") + period.id);
        previousEnd = *end;
    }
}

bool isKnownPeriod(const Timetable &table, const QString &code)
{
    for (const QList<Period> &periods : table.bells) {
        for (const Period &period : periods) {
            if (text::compare(period.id, code) == 0)
                return true;
        }
    }
    return false;
}

bool lessonValid(const Timetable &table, const Lesson &lesson)
{
    if (lesson.weekday < 1 || lesson.weekday > 7 || lesson.subject.isEmpty())
        return false;
    if (lesson.weekParity && *lesson.weekParity != QLatin1String("odd") &&
        *lesson.weekParity != QLatin1String("even"))
        return false;
    return isKnownPeriod(table, lesson.period);
}

} // namespace

void Timetable::validate() const
{
    if (!datesAndIdsValid(*this))
        throw DemoError::message(QStringLiteral("课表日期、第一周周一或完整学生 ID 配置无效"));
    for (const QString &section : {QStringLiteral("middle"), QStringLiteral("high")}) {
        const auto it = bells.constFind(section);
        if (it == bells.constEnd() || it->isEmpty() || hasRepeatedIds(*it))
            throw DemoError::message(QStringLiteral("缺少初中/高中作息，或节次重复"));
        checkBuiltInPeriods(section, *it);
        checkPeriodOrder(*it);
    }
    for (const Lesson &lesson : lessons) {
        if (!lessonValid(*this, lesson))
            throw DemoError::message(QStringLiteral("课程的星期、单双周或节次无效"));
    }
}

} // namespace quorvale
