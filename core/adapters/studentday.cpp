#include "core/adapters/slotlabel.h"
#include "core/adapters/taskcheck.h"
#include "core/adapters/timetableadapter.h"
#include "core/adapters/weekreader.h"
#include "core/adapters/weekschedulebuilder.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <QSet>
#include <algorithm>

namespace quorvale::WeekScheduleBuilder {

namespace {

using platform::Course;
using platform::refuse;

// One event as read from the tables, before bell times are attached.
struct RawEvent
{
    QString token;
    QString period;
    QString subject;
    std::optional<QString> room;
    std::optional<QString> className;
    // False for a lesson in B1–B7 of a teaching slot.
    bool additional = false;
};

struct DayWalk
{
    std::optional<qint64> weekCode;
    QList<RawEvent> events;
};

void append(DayWalk &walk, const Course &course, const QString &period, bool additional, const QString &token,
            const std::optional<QString> &parentClass, std::optional<qint64> parentParity)
{
    const qint64 parity = course.singleDoubleSet.value_or(parentParity.value_or(0));
    if (parity < 0 || parity > 2)
        refuse(QStringLiteral("课程单双周类型未知"));
    if (parity != 0) {
        if (!walk.weekCode || (*walk.weekCode != 1 && *walk.weekCode != 2))
            refuse(QStringLiteral("该日有单双周课程，需先确认服务器周型"));
        if (parity != *walk.weekCode)
            return;
    }
    std::optional<QString> className = platform::firstText(course.className, course.classEName);
    if (!className)
        className = parentClass;
    const qint64 kind = course.objectType.value_or(1);
    if (kind != 1 && kind != 2)
        refuse(QStringLiteral("周课表的课程类型未知"));
    if (kind == 2) {
        if (!course.courses || course.courses->empty())
            refuse(QStringLiteral("周课表课程包缺少具体选课"));
        for (std::size_t i = 0; i < course.courses->size(); ++i) {
            append(walk, (*course.courses)[i], period, additional, token + u'.' + QString::number(i),
                   className, parity);
        }
        return;
    }
    const auto subject = platform::firstText(course.name, course.eName);
    if (!subject)
        refuse(QStringLiteral("周课表课程名称缺失"));
    walk.events.append({token, period, *subject,
                        platform::firstText(course.playgroundName, course.playgroundEName), className,
                        additional});
}

// Equal arrangements (same period, subject, room and class) are shown once.
QString duplicateKey(const RawEvent &event)
{
    return platform::textKey(
        {event.period, event.subject, event.room.value_or(QString()), event.className.value_or(QString())});
}

void sortEvents(QList<WeekEvent> &events)
{
    std::stable_sort(events.begin(), events.end(), [](const WeekEvent &a, const WeekEvent &b) {
        if (a.start.has_value() != b.start.has_value())
            return a.start.has_value();
        if (a.start && *a.start != *b.start)
            return *a.start < *b.start;
        return text::less(a.id, b.id);
    });
}

} // namespace

WeekDaySchedule studentDay(const Student &student, const CourseTaskOption &task, const QByteArray &detailData,
                           const QByteArray &masterData, const QByteArray &studentTablesData,
                           const QDateTime &date, std::optional<qint64> singleDoubleSet)
{
    return studentDay(student, task, platform::TaskBodies::decoded(detailData, masterData, studentTablesData),
                      date, singleDoubleSet);
}

WeekDaySchedule studentDay(const Student &student, const CourseTaskOption &task,
                           const platform::TaskBodies &week, const QDateTime &date,
                           std::optional<qint64> singleDoubleSet)
{
    const Timetable normalized = TimetableAdapter::normalize(student, task, week, date, singleDoubleSet);
    weekreader::check(week);
    const auto own = platform::tablesOf(week.tables, student.id);
    const auto section = student.section();
    if (own.size() != 1 || !section)
        refuse(QStringLiteral("周课表未匹配到唯一学生及其学部"));

    const QDate day = shanghai::dateOf(date);
    DayWalk walk{singleDoubleSet, {}};
    const std::vector<Course> &courses = own.first()->classCourseTimeTable;
    const platform::PlacementTexts placementTexts{
        QStringLiteral("周课表课程坐标缺失"), QStringLiteral("周课表课程未匹配唯一节次"),
        QStringLiteral("周课表节次名称冲突"), QStringLiteral("周课表节次尚未明确，不能按澜序钟点推断"),
        QStringLiteral("公共时段关联了课程，需确认明确节次")};
    for (std::size_t index = 0; index < courses.size(); ++index) {
        const Course &course = courses[index];
        const auto placement =
            platform::place(course, week.master, week.coordinates, day.dayOfWeek(), placementTexts);
        if (placement) {
            const QString token = QString::number(*course.coordId) + u'|' + QString::number(index);
            append(walk, course, placement->period, placement->additional, token, std::nullopt, std::nullopt);
        }
    }

    // The lessons must be exactly the one-day timetable's, so the week never shows a lesson that
    // the day's answer would not know.
    QList<const RawEvent *> regular;
    for (const RawEvent &event : walk.events) {
        if (!event.additional)
            regular.append(&event);
    }
    if (regular.size() != normalized.lessons.size())
        refuse(QStringLiteral("周课表课程映射未通过一致性校验"));

    const QString prefix = weekreader::dayKey(day) + QStringLiteral("|student|");
    QList<WeekEvent> events;
    for (qsizetype i = 0; i < regular.size(); ++i) {
        const RawEvent &event = *regular[i];
        const Lesson &lesson = normalized.lessons[i];
        if (event.period != lesson.period || event.subject != lesson.subject || event.room != lesson.room)
            refuse(QStringLiteral("周课表节次与图片作息映射不一致"));
        const auto bell = slotlabel::bellMinutes(*section, lesson.period);
        if (!bell)
            refuse(QStringLiteral("周课表节次与图片作息映射不一致"));
        events.append({prefix + event.token, day, lesson.period, lesson.subject, lesson.room, event.className,
                       bell->start, bell->end});
    }

    QSet<QString> seen;
    for (const RawEvent &event : walk.events) {
        if (!event.additional)
            continue;
        const QString key = duplicateKey(event);
        if (seen.contains(key))
            continue;
        seen.insert(key);
        // Only the after-school club has confirmed times.
        const bool club = event.period.toUpper() == QLatin1String("ASA");
        events.append({prefix + event.token, day, event.period, event.subject, event.room, event.className,
                       club ? std::optional<qint64>(960) : std::nullopt,
                       club ? std::optional<qint64>(1050) : std::nullopt});
    }
    sortEvents(events);
    return {day, events, std::nullopt};
}

} // namespace quorvale::WeekScheduleBuilder
