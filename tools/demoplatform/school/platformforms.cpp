#include "tools/demoplatform/school/platformforms.h"

#include "core/base/shanghai.h"

namespace quorvale::demo {

using namespace Qt::StringLiterals;

namespace {

QJsonValue nullable(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// The platform writes a task's days as local date-times.
QString platformDay(QDate day)
{
    return shanghai::dayText(day) + u"T00:00:00"_s;
}

template <typename T> QHash<qint64, qsizetype> indexById(const QList<T> &items)
{
    QHash<qint64, qsizetype> index;
    for (qsizetype i = 0; i < items.size(); ++i)
        index.insert(items.at(i).id, i);
    return index;
}

} // namespace

PlatformForms::PlatformForms(const SchoolData &data)
    : m_data(data)
    , m_classes(indexById(data.classes))
    , m_teachers(indexById(data.teachers))
    , m_courses(indexById(data.courses))
{}

QJsonObject PlatformForms::taskSummary(const SchoolTask &task) const
{
    QJsonObject object{{u"id"_s, task.id},
                       {u"schoolId"_s, m_data.schoolId},
                       {u"taskName"_s, task.name},
                       {u"taskEName"_s, nullable(task.englishName)},
                       {u"startDate"_s, platformDay(task.startDate)},
                       {u"endDate"_s, platformDay(task.endDate)}};
    if (task.isDefault)
        object.insert(u"default"_s, *task.isDefault);
    return object;
}

QJsonObject PlatformForms::taskDetail(const SchoolTask &task) const
{
    QJsonObject object = taskSummary(task);
    object.insert(u"isTakeEffect"_s, task.inEffect);
    object.insert(u"courseTaskType"_s, task.courseTaskType);
    object.insert(u"workRestTableType"_s, task.workRestTableType);
    if (task.semesterId)
        object.insert(u"schoolSemesterId"_s, *task.semesterId);
    return object;
}

QJsonObject PlatformForms::master(const SchoolTask &task, bool withTimes) const
{
    QJsonArray days;
    for (const qint64 day : task.dayOrders)
        days.append(day);
    QJsonArray cells;
    for (const SchoolCell &cell : task.cells) {
        cells.append(QJsonObject{{u"id"_s, cell.id},
                                 {u"dayOrder"_s, cell.dayOrder},
                                 {u"sectionOrder"_s, cell.sectionOrder},
                                 {u"timeType"_s, cell.timeType}});
    }
    QJsonArray templates;
    for (const SchoolPeriod &period : task.periods) {
        QJsonObject row{{u"sectionOrder"_s, period.sectionOrder},
                        {u"timeType"_s, period.timeType},
                        {u"name"_s, nullable(period.name)},
                        {u"eName"_s, nullable(period.englishName)}};
        if (withTimes) {
            row.insert(u"startTime"_s, nullable(period.startTime));
            row.insert(u"endTime"_s, nullable(period.endTime));
        }
        templates.append(row);
    }
    return {
        {u"courseTaskId"_s, task.id}, {u"dayOrders"_s, days}, {u"list"_s, cells}, {u"template"_s, templates}};
}

QJsonArray PlatformForms::courses(const SchoolTask &task,
                                  const std::function<bool(const SchoolLesson &)> &attends) const
{
    QJsonArray courses;
    for (const SchoolEntry &entry : task.entries) {
        if (const auto *single = std::get_if<SchoolLesson>(&entry.content)) {
            if (attends(*single))
                courses.append(lesson(*single, entry.cellId, true));
            continue;
        }
        const auto &package = std::get<SchoolPackage>(entry.content);
        QJsonArray inner;
        for (const SchoolLesson &l : package.lessons) {
            if (attends(l))
                inner.append(lesson(l, entry.cellId, false));
        }
        if (inner.isEmpty())
            continue;
        courses.append(QJsonObject{{u"coordId"_s, entry.cellId},
                                   {u"objectType"_s, 2},
                                   {u"name"_s, nullable(package.name)},
                                   {u"eName"_s, nullable(package.englishName)},
                                   {u"singleDoubleSet"_s, package.weekCode.value_or(0)},
                                   {u"courses"_s, inner}});
    }
    return courses;
}

QJsonObject PlatformForms::rosterRow(const SchoolStudent &student) const
{
    QJsonArray classes;
    for (const qint64 id : student.classIds) {
        const SchoolClass *group = schoolClass(id);
        if (!group) {
            classes.append(QJsonObject{{u"id"_s, id}});
            continue;
        }
        classes.append(QJsonObject{{u"id"_s, id},
                                   {u"name"_s, nullable(group->name)},
                                   {u"eName"_s, nullable(group->englishName)},
                                   {u"grade"_s, group->grade ? QJsonValue(*group->grade) : QJsonValue()},
                                   {u"classType"_s, group->classType}});
    }
    return {{u"studentId"_s, student.id},
            {u"studentName"_s, nullable(student.name)},
            {u"studentEName"_s, nullable(student.englishName)},
            {u"classInfos"_s, classes}};
}

QJsonObject PlatformForms::option(qint64 id, const QString &name, const QString &englishName) const
{
    return {{u"id"_s, id}, {u"name"_s, name}, {u"eName"_s, nullable(englishName)}};
}

// A course that is itself a lesson. Inside a package a lesson without its own week code leaves the
// member out so that it takes the package's; at the top level the platform writes 0 for every week.
QJsonObject PlatformForms::lesson(const SchoolLesson &lesson, qint64 cellId, bool topLevel) const
{
    const SchoolCourse *course =
        m_courses.contains(lesson.courseId) ? &m_data.courses.at(m_courses.value(lesson.courseId)) : nullptr;
    const SchoolTeacher *teacher = m_teachers.contains(lesson.teacherId)
                                       ? &m_data.teachers.at(m_teachers.value(lesson.teacherId))
                                       : nullptr;
    const SchoolClass *group = schoolClass(lesson.classId);
    QJsonObject object{{u"coordId"_s, cellId},
                       {u"objectType"_s, 1},
                       {u"courseId"_s, lesson.courseId},
                       {u"name"_s, nullable(course ? course->name : QString())},
                       {u"eName"_s, nullable(course ? course->englishName : QString())},
                       {u"classId"_s, lesson.classId},
                       {u"className"_s, nullable(group ? group->name : QString())},
                       {u"classEName"_s, nullable(group ? group->englishName : QString())},
                       {u"playgroundName"_s, nullable(lesson.room)},
                       {u"playgroundEName"_s, nullable(lesson.roomEnglish)},
                       {u"teacherId"_s, lesson.teacherId},
                       {u"teacherName"_s, nullable(teacher ? teacher->name : QString())}};
    if (lesson.weekCode || topLevel)
        object.insert(u"singleDoubleSet"_s, lesson.weekCode.value_or(0));
    return object;
}

const SchoolClass *PlatformForms::schoolClass(qint64 id) const
{
    return m_classes.contains(id) ? &m_data.classes.at(m_classes.value(id)) : nullptr;
}

} // namespace quorvale::demo
