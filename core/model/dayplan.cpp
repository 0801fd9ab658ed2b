#include "core/model/dayplan.h"

#include <algorithm>

namespace quorvale::dayplan {

void sortByStart(QList<DayLesson> &lessons)
{
    std::stable_sort(lessons.begin(), lessons.end(),
                     [](const DayLesson &a, const DayLesson &b) { return a.start < b.start; });
}

Placement place(const QList<DayLesson> &today, qint64 now)
{
    Placement placement;
    for (const DayLesson &lesson : today) {
        if (lesson.start <= now && now < lesson.end)
            placement.current.append(lesson);
        if (!placement.next && now < lesson.start)
            placement.next = lesson;
    }
    return placement;
}

QString studentMessage(qsizetype currentCount)
{
    if (currentCount == 0)
        return QStringLiteral("课表显示当前无课");
    if (currentCount == 1)
        return QStringLiteral("按课表，此时应在上课");
    return QStringLiteral("课程时间冲突，请核对");
}

namespace {

QString outsideCoreHoursPrefix()
{
    return QStringLiteral("当前在 B1–B7 范围外");
}

} // namespace

QString outsideCoreHoursMessage()
{
    return outsideCoreHoursPrefix() + QStringLiteral("，活动与晚课时间尚未确认");
}

bool isOutsideCoreHours(const QString &message)
{
    return message.startsWith(outsideCoreHoursPrefix());
}

} // namespace quorvale::dayplan
