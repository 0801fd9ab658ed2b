#include "core/model/teacherschedule.h"

#include "core/model/dayplan.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <algorithm>

namespace quorvale {

namespace {

// For an untimed B2 or B4 entry, the minutes either section could give the period: the union of the
// middle and high bell times, `until` exclusive.
struct Window
{
    qint64 from;
    qint64 until;
};

std::optional<Window> sectionWindow(const QString &period)
{
    if (period == QLatin1String("B2"))
        return Window{565, 620};
    if (period == QLatin1String("B4"))
        return Window{690, 770};
    return std::nullopt;
}

bool isBellPeriod(const QString &period)
{
    static const QStringList bells{QStringLiteral("B1"), QStringLiteral("B2"), QStringLiteral("B3"),
                                   QStringLiteral("B4"), QStringLiteral("B5"), QStringLiteral("B6"),
                                   QStringLiteral("B7")};
    return bells.contains(period);
}

// Whether an untimed entry leaves the moment undecided.
bool hits(const TeacherEntry &entry, qint64 now, bool anyCurrent)
{
    if (isBellPeriod(entry.period)) {
        const auto window = sectionWindow(entry.period);
        return window && window->from <= now && now < window->until;
    }
    return !anyCurrent && (now < dayplan::coreStart || now >= dayplan::coreEnd);
}

// An untimed B2 or B4 whose window opens after the moment and before the next timed lesson may come
// first; announcing the timed lesson as the next one would then be wrong.
bool untimedMayComeFirst(const QList<TeacherEntry> &untimed, qint64 now, const DayLesson &next)
{
    return std::any_of(untimed.cbegin(), untimed.cend(), [&](const TeacherEntry &entry) {
        const auto window = sectionWindow(entry.period);
        return window && now < window->from && window->from < next.start;
    });
}

// The lesson an entry stands for, with the same identity as a student's lesson.
Lesson entryLesson(const TeacherSchedule &schedule, const TeacherEntry &entry)
{
    return Lesson{schedule.teacher.id, schedule.date.dayOfWeek(), entry.period, entry.subject, entry.room,
                  std::nullopt};
}

// The class names of the chosen entries, each merged name split again so that no class shows twice.
template <typename Chosen> std::optional<QString> classNames(const TeacherSchedule &schedule, Chosen chosen)
{
    QStringList names;
    for (const TeacherEntry &entry : schedule.entries) {
        if (entry.className && !entry.className->isEmpty() && chosen(entry))
            names.append(*entry.className);
    }
    const QString merged = text::mergeLabels(names, QString());
    return merged.isEmpty() ? std::nullopt : std::optional(merged);
}

} // namespace

QList<TeacherEntry> TeacherSchedule::untimedEntries() const
{
    QList<TeacherEntry> untimed;
    std::copy_if(entries.cbegin(), entries.cend(), std::back_inserter(untimed),
                 [](const TeacherEntry &entry) { return !entry.isTimed(); });
    return untimed;
}

ScheduleResult TeacherSchedule::result(const QDateTime &at) const
{
    if (!at.isValid() || shanghai::dateOf(at) != date || !task.contains(at))
        return ScheduleResult{
            QStringLiteral("查询日期已变化，请重新读取该日的老师课表"), {}, {}, std::nullopt, false};

    QList<DayLesson> today;
    for (const TeacherEntry &entry : entries) {
        if (entry.isTimed())
            today.append(DayLesson{entryLesson(*this, entry), *entry.start, *entry.end});
    }
    std::stable_sort(today.begin(), today.end(), [](const DayLesson &a, const DayLesson &b) {
        return a.start != b.start ? a.start < b.start : text::less(a.lesson.subject, b.lesson.subject);
    });

    const qint64 now = shanghai::minuteOf(at);
    dayplan::Placement placement = dayplan::place(today, now);
    const QList<TeacherEntry> untimed = untimedEntries();
    if (placement.next && untimedMayComeFirst(untimed, now, *placement.next))
        placement.next.reset();

    for (const TeacherEntry &entry : untimed) {
        if (hits(entry, now, !placement.current.isEmpty())) {
            return ScheduleResult{
                entry.period + QStringLiteral("有安排，但上下课钟点尚未确认；可在其他安排中查看课程和教室"),
                today,
                {},
                placement.next,
                false};
        }
    }
    QString message;
    switch (placement.current.size()) {
    case 0:
        message = QStringLiteral("课表显示老师当前无课");
        break;
    case 1:
        message = QStringLiteral("按课表，老师此时应在上课");
        break;
    default:
        message = QStringLiteral("老师课表时间冲突，请核对");
        break;
    }
    return ScheduleResult{message, today, placement.current, placement.next, true};
}

std::optional<QString> TeacherSchedule::className(const QString &lessonId) const
{
    return classNames(*this, [&](const TeacherEntry &entry) {
        return text::compare(entryLesson(*this, entry).id(), lessonId) == 0;
    });
}

std::optional<QString> TeacherSchedule::className(const DayLesson &dayLesson) const
{
    const QString lessonId = dayLesson.lesson.id();
    return classNames(*this, [&](const TeacherEntry &entry) {
        return entry.isTimed() && *entry.start == dayLesson.start && *entry.end == dayLesson.end &&
               text::compare(entryLesson(*this, entry).id(), lessonId) == 0;
    });
}

} // namespace quorvale
