#include "tools/demoplatform/school/platformanswers.h"

#include "core/base/shanghai.h"
#include "core/base/text.h"

#include <QSet>
#include <QUrl>
#include <algorithm>
#include <limits>

namespace quorvale::demo {

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 largestPageSize = 1000;
constexpr qint64 lastPageIndex = 1000000;

// Reads one endpoint's query: exactly the endpoint's keys, integers in strict decimal. The first
// key that is missing, unexpected or malformed makes the refusal.
class QueryReader
{
public:
    QueryReader(const QMap<QString, QString> &query, const QStringList &keys)
        : m_query(query)
    {
        for (const QString &key : keys) {
            if (!query.contains(key))
                note(key);
        }
        for (auto key = query.keyBegin(); key != query.keyEnd(); ++key) {
            if (!keys.contains(*key))
                note(*key);
        }
    }

    QString text(const QString &key) const { return m_query.value(key); }

    qint64 integer(const QString &key, qint64 lowest, qint64 highest)
    {
        const auto value = text::parseInteger(m_query.value(key));
        if (!value || *value < lowest || *value > highest) {
            note(key);
            return lowest;
        }
        return *value;
    }

    qint64 id(const QString &key) { return integer(key, 0, std::numeric_limits<qint64>::max()); }

    // A text that must be one of the allowed ones.
    QString choice(const QString &key, const QStringList &allowed)
    {
        const QString value = m_query.value(key);
        if (!allowed.contains(value))
            note(key);
        return value;
    }

    // A day written "yyyy-MM-dd", nothing else.
    QDate day(const QString &key)
    {
        const QString value = m_query.value(key);
        const QDate day = QDate::fromString(value, u"yyyy-MM-dd"_s);
        if (!day.isValid() || shanghai::dayText(day) != value)
            note(key);
        return day;
    }

    // Ids separated by commas; empty for none.
    QSet<qint64> ids(const QString &key)
    {
        QSet<qint64> ids;
        for (const QString &part : m_query.value(key).split(u',', Qt::SkipEmptyParts)) {
            if (const auto id = text::parseInteger(part))
                ids.insert(*id);
            else
                note(key);
        }
        return ids;
    }

    // "pageIndex" from 1 and "pageSize".
    std::pair<qint64, qint64> paging()
    {
        return {integer(u"pageIndex"_s, 1, lastPageIndex), integer(u"pageSize"_s, 1, largestPageSize)};
    }

    // The task a key names; none when there is no such task, which the refusal then reports.
    const SchoolTask *task(const SchoolData &data, const QString &key)
    {
        const SchoolTask *found = data.task(id(key));
        m_unknownTask = !found;
        return found;
    }

    // Malformed keys come before an unknown task.
    std::optional<PlatformAnswer> refusal() const
    {
        if (!m_problem.isNull())
            return PlatformAnswer::refusal(u"参数错误：%1"_s.arg(m_problem));
        if (m_unknownTask)
            return PlatformAnswer::refusal(u"排课任务不存在"_s);
        return std::nullopt;
    }

private:
    void note(const QString &key)
    {
        if (m_problem.isNull())
            m_problem = key;
    }

    const QMap<QString, QString> &m_query;
    QString m_problem;
    bool m_unknownTask = false;
};

// One page of a list, pages counted from 1; a page past the end holds no rows. Only the page's
// items are written out.
template <typename T, typename Form>
QJsonObject page(const QList<T> &all, std::pair<qint64, qint64> paging, Form form)
{
    const auto [index, size] = paging;
    QJsonArray rows;
    for (qint64 i = (index - 1) * size; i < all.size() && i < index * size; ++i)
        rows.append(form(all.at(i)));
    return {
        {u"totalCount"_s, all.size()}, {u"currentIndex"_s, index}, {u"pageSize"_s, size}, {u"list"_s, rows}};
}

QSet<qint64> groupsOf(const SchoolTask &task)
{
    QSet<qint64> groups;
    for (const SchoolEntry &entry : task.entries) {
        for (const SchoolLesson &lesson : entry.lessons())
            groups.insert(lesson.classId);
    }
    return groups;
}

bool attendsAny(const SchoolStudent &student, const QSet<qint64> &groups)
{
    return std::any_of(student.classIds.cbegin(), student.classIds.cend(),
                       [&](qint64 id) { return groups.contains(id); });
}

} // namespace

PlatformAnswers::PlatformAnswers(SchoolData data)
    : m_data(std::move(data))
    , m_forms(m_data)
{}

const QStringList &PlatformAnswers::paths()
{
    static const QStringList list = {
        u"/api/CourseTask/GetCourseTasksBySchoolIdForSelect"_s,
        u"/api/CourseTask/QueryCourseTask"_s,
        u"/api/CourseTask/CourseTaskMaster"_s,
        u"/api/CourseTask/GetStudentCourseTimeTable"_s,
        u"/api/CourseTask/GetCurrentSingleDoubleSet"_s,
        u"/api/CourseTask/GetCourseTaskClassStudentForSelectByPage"_s,
        u"/api/CourseTask/GetCourseList"_s,
        u"/api/CourseTask/GetTeacherList"_s,
        u"/api/CourseTask/GetTeacherCourseTimeTable"_s,
    };
    return list;
}

std::optional<PlatformAnswer> PlatformAnswers::answer(const QString &path,
                                                      const QMap<QString, QString> &query) const
{
    using Endpoint = PlatformAnswer (PlatformAnswers::*)(const QMap<QString, QString> &) const;
    static const QList<Endpoint> endpoints = {
        &PlatformAnswers::taskList,      &PlatformAnswers::taskDetail,  &PlatformAnswers::master,
        &PlatformAnswers::studentTables, &PlatformAnswers::weekCode,    &PlatformAnswers::roster,
        &PlatformAnswers::courseList,    &PlatformAnswers::teacherList, &PlatformAnswers::teacherTables,
    };
    const qsizetype index = paths().indexOf(path);
    if (index < 0)
        return std::nullopt;
    return (this->*endpoints.at(index))(query);
}

QMap<QString, QString> PlatformAnswers::parseQuery(const QByteArray &encodedQuery)
{
    QMap<QString, QString> items;
    for (const QByteArray &item : encodedQuery.split('&')) {
        if (item.isEmpty())
            continue;
        const qsizetype equals = item.indexOf('=');
        QByteArray key = equals < 0 ? item : item.left(equals);
        QByteArray value = equals < 0 ? QByteArray() : item.mid(equals + 1);
        const QString name = QUrl::fromPercentEncoding(key.replace('+', ' '));
        if (!items.contains(name))
            items.insert(name, QUrl::fromPercentEncoding(value.replace('+', ' ')));
    }
    return items;
}

PlatformAnswer PlatformAnswers::taskList(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"schoolId"_s});
    const qint64 schoolId = reader.id(u"schoolId"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    QJsonArray tasks;
    if (schoolId == m_data.schoolId) {
        for (const SchoolTask &task : m_data.tasks)
            tasks.append(m_forms.taskSummary(task));
    }
    return PlatformAnswer::success(tasks);
}

PlatformAnswer PlatformAnswers::taskDetail(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"id"_s});
    const SchoolTask *task = reader.task(m_data, u"id"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    return PlatformAnswer::success(m_forms.taskDetail(*task));
}

PlatformAnswer PlatformAnswers::master(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"courseTaskId"_s, u"isShowCommentTime"_s});
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    const QString withTimes = reader.choice(u"isShowCommentTime"_s, {u"true"_s, u"false"_s});
    if (const auto refused = reader.refusal())
        return *refused;
    return PlatformAnswer::success(m_forms.master(*task, withTimes == u"true"_s));
}

PlatformAnswer PlatformAnswers::studentTables(const QMap<QString, QString> &query) const
{
    QueryReader reader(query,
                       {u"classId"_s, u"courseTaskId"_s, u"pageIndex"_s, u"pageSize"_s, u"studentId"_s});
    const qint64 classId = reader.id(u"classId"_s);
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    const auto paging = reader.paging();
    const qint64 studentId = reader.id(u"studentId"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    QList<const SchoolStudent *> students = taskStudents(*task);
    students.removeIf([&](const SchoolStudent *s) {
        return (studentId != 0 && s->id != studentId) || (classId != 0 && !s->classIds.contains(classId));
    });
    return PlatformAnswer::success(page(students, paging, [&](const SchoolStudent *student) {
        const QList<qint64> &groups = student->classIds;
        return QJsonObject{
            {u"objectId"_s, student->id},
            {u"objectName"_s, student->name},
            {u"classCourseTimeTable"_s, m_forms.courses(*task, [&groups](const SchoolLesson &l) {
                 return groups.contains(l.classId);
             })}};
    }));
}

PlatformAnswer PlatformAnswers::weekCode(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"nowDate"_s, u"schoolSemesterId"_s});
    const qint64 semesterId = reader.id(u"schoolSemesterId"_s);
    const QDate day = reader.day(u"nowDate"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    const SchoolSemester *semester = m_data.semester(semesterId);
    if (!semester)
        return PlatformAnswer::refusal(u"学期不存在"_s);
    return PlatformAnswer::success(SchoolData::weekCode(*semester, day));
}

PlatformAnswer PlatformAnswers::roster(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"courseTaskId"_s, u"key"_s, u"pageIndex"_s, u"pageSize"_s});
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    const QString key = reader.text(u"key"_s);
    const auto paging = reader.paging();
    if (const auto refused = reader.refusal())
        return *refused;
    QList<const SchoolStudent *> students = taskStudents(*task);
    if (!key.isEmpty()) {
        students.removeIf([&key](const SchoolStudent *s) {
            return !text::containsIgnoringCase(s->name, key) &&
                   !text::containsIgnoringCase(s->englishName, key);
        });
    }
    return PlatformAnswer::success(
        page(students, paging, [this](const SchoolStudent *s) { return m_forms.rosterRow(*s); }));
}

PlatformAnswer PlatformAnswers::courseList(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"courseTaskId"_s});
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    QSet<qint64> taught;
    for (const SchoolEntry &entry : task->entries) {
        for (const SchoolLesson &lesson : entry.lessons())
            taught.insert(lesson.courseId);
    }
    QJsonArray courses;
    for (const SchoolCourse &course : m_data.courses) {
        if (taught.contains(course.id))
            courses.append(m_forms.option(course.id, course.name, course.englishName));
    }
    return PlatformAnswer::success(courses);
}

PlatformAnswer PlatformAnswers::teacherList(const QMap<QString, QString> &query) const
{
    QueryReader reader(query, {u"courseId"_s, u"courseTaskId"_s});
    const qint64 courseId = reader.id(u"courseId"_s);
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    QJsonArray teachers;
    for (const SchoolTeacher *teacher : taskTeachers(*task, courseId))
        teachers.append(m_forms.option(teacher->id, teacher->name, teacher->englishName));
    return PlatformAnswer::success(teachers);
}

PlatformAnswer PlatformAnswers::teacherTables(const QMap<QString, QString> &query) const
{
    QueryReader reader(query,
                       {u"courseId"_s, u"courseTaskId"_s, u"orgUserIds"_s, u"pageIndex"_s, u"pageSize"_s});
    const qint64 courseId = reader.id(u"courseId"_s);
    const SchoolTask *task = reader.task(m_data, u"courseTaskId"_s);
    const auto paging = reader.paging();
    // No teacher ids ask for every teacher.
    const QSet<qint64> wanted = reader.ids(u"orgUserIds"_s);
    if (const auto refused = reader.refusal())
        return *refused;
    QList<const SchoolTeacher *> teachers = taskTeachers(*task, courseId);
    if (!wanted.isEmpty())
        teachers.removeIf([&wanted](const SchoolTeacher *t) { return !wanted.contains(t->id); });
    return PlatformAnswer::success(page(teachers, paging, [&](const SchoolTeacher *teacher) {
        const qint64 id = teacher->id;
        return QJsonObject{{u"objectId"_s, id},
                           {u"objectName"_s, teacher->name},
                           {u"classCourseTimeTable"_s, m_forms.courses(*task, [id](const SchoolLesson &l) {
                                return l.teacherId == id;
                            })}};
    }));
}

QList<const SchoolStudent *> PlatformAnswers::taskStudents(const SchoolTask &task) const
{
    const QSet<qint64> groups = groupsOf(task);
    QList<const SchoolStudent *> students;
    for (const SchoolStudent &student : m_data.students) {
        if (attendsAny(student, groups))
            students.append(&student);
    }
    return students;
}

QList<const SchoolTeacher *> PlatformAnswers::taskTeachers(const SchoolTask &task, qint64 courseId) const
{
    QSet<qint64> ids;
    for (const SchoolEntry &entry : task.entries) {
        for (const SchoolLesson &lesson : entry.lessons()) {
            if (courseId == 0 || lesson.courseId == courseId)
                ids.insert(lesson.teacherId);
        }
    }
    QList<const SchoolTeacher *> teachers;
    for (const SchoolTeacher &teacher : m_data.teachers) {
        if (ids.contains(teacher.id))
            teachers.append(&teacher);
    }
    return teachers;
}

} // namespace quorvale::demo
