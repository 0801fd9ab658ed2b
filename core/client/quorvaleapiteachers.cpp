#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"
#include "core/client/cancellationerror.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/settled.h"
#include "core/client/studentrequests.h"
#include "core/client/teacherrequests.h"

#include <QSet>
#include <algorithm>

namespace quorvale {

namespace {

constexpr double taskListLimit = 30;
constexpr double taskDetailLimit = 30;
constexpr double courseListLimit = 120;
constexpr double teacherListLimit = 60;
constexpr qsizetype mostValidTasks = 20;

// Only the ordinary one-week timetable is read; cycle days and the exam-reform templates are not.
bool isReadable(const TeacherTaskDetail &detail)
{
    return detail.isTakeEffect && detail.courseTaskType == 1 && detail.workRestTableType == 1;
}

// Items whose name or English name holds the typed text, ignoring case; all of them for a blank text.
template <typename T> QList<T> matching(QList<T> items, const QString &key)
{
    const QString text = key.trimmed();
    if (!text.isEmpty()) {
        items.removeIf([&text](const T &item) {
            return !text::containsIgnoringCase(item.name, text) &&
                   !text::containsIgnoringCase(item.englishName, text);
        });
    }
    return items;
}

template <typename T> void dropUnidentified(QList<T> &items)
{
    items.removeIf([](const T &item) { return item.id < 1; });
}

// The teachers of one course of the task (0 for all), each once, in name order. A blank `key`
// keeps everyone; a search by course passes none.
QCoro::Task<QList<Teacher>> teacherList(QuorvaleAPI *api, qint64 taskId, qint64 courseId, QUuid epoch,
                                        std::optional<QString> key)
{
    const QString path = teacherrequests::teacherList(courseId, taskId);
    QList<Teacher> listed =
        teacherrequests::decodeList<Teacher>(co_await api->teacherPayload(path, teacherListLimit));
    dropUnidentified(listed);
    api->ensureTeacherEpoch(epoch);
    if (key)
        listed = matching(listed, *key);
    QList<Teacher> teachers;
    QSet<qint64> seen;
    for (const Teacher &teacher : std::as_const(listed)) {
        if (!seen.contains(teacher.id)) {
            seen.insert(teacher.id);
            teachers.append(teacher);
        }
    }
    std::stable_sort(teachers.begin(), teachers.end(),
                     [](const Teacher &a, const Teacher &b) { return text::less(a.name, b.name); });
    co_return teachers;
}

} // namespace

void QuorvaleAPI::ensureTeacherEpoch(const QUuid &epoch) const
{
    if (m_teacherCacheEpoch != epoch)
        throw CancellationError();
}

QCoro::Task<QByteArray> QuorvaleAPI::teacherPayload(QString path, double ttl)
{
    const QUuid epoch = m_teacherCacheEpoch;
    const auto cached = m_teacherResponseCache.constFind(path);
    if (cached != m_teacherResponseCache.cend() && cached->epoch == epoch) {
        // A moment stored in the future means the clock was set back: the entry's age is unknown.
        const qint64 age = cached->createdAt.msecsTo(m_clock());
        if (age >= 0 && double(age) < ttl * 1000.0) {
            const QByteArray data = cached->data;
            co_return data;
        }
    }
    const QPointer<QuorvaleAPI> self(this);
    const QJsonObject envelope = co_await request(path, studentrequests::get, std::nullopt);
    if (!self)
        throw CancellationError();
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    if (data.isUndefined() || data.isNull())
        throw QuorvaleAPIError::invalidResponse();
    const QByteArray bytes = json::serialize(data);
    ensureTeacherEpoch(epoch);
    m_teacherResponseCache.insert(path, TeacherResponseCache{m_clock(), epoch, bytes});
    co_return bytes;
}

QCoro::Task<std::pair<TeacherTaskDetail, QByteArray>> QuorvaleAPI::teacherDetail(qint64 taskId,
                                                                                 qint64 schoolId)
{
    const QString path = studentrequests::taskDetail(taskId);
    const QByteArray bytes = co_await teacherPayload(path, taskDetailLimit);
    const TeacherTaskDetail detail = TeacherTaskDetail::fromJson(json::parseObject(bytes));
    if ((detail.id && *detail.id != taskId) || (detail.schoolId && *detail.schoolId != schoolId))
        throw DemoError::message(QStringLiteral("老师课表任务与学校不一致"));
    co_return std::pair{detail, bytes};
}

QCoro::Task<TeacherTaskChoice> QuorvaleAPI::teacherTaskChoices(qint64 schoolId, QDateTime date,
                                                               std::optional<qint64> taskId)
{
    using namespace studentrequests;
    if (schoolId < 1)
        throw DemoError::message(QStringLiteral("请先确认学校"));
    const QString path = taskList(schoolId);
    const QList<CourseTaskOption> valid = validOn(
        teacherrequests::decodeList<CourseTaskOption>(co_await teacherPayload(path, taskListLimit)), date);
    if (valid.isEmpty() || valid.size() > mostValidTasks)
        throw DemoError::message(QStringLiteral("该日期没有可确认的有效老师课表"));
    if (taskId && std::none_of(valid.cbegin(), valid.cend(),
                               [&taskId](const CourseTaskOption &task) { return task.id == *taskId; }))
        throw DemoError::message(QStringLiteral("所选老师课表在该日期不适用"));

    const std::optional<qint64> preferred = taskId ? taskId : soleDefault(valid);
    QList<CourseTaskOption> order = firstOf(valid, preferred);
    if (taskId)
        order.removeIf([&taskId](const CourseTaskOption &task) { return task.id != *taskId; });
    // One detail at a time: a readable preferred task ends the walk before the others are asked.
    QList<CourseTaskOption> readable;
    QList<QByteArray> details;
    for (const CourseTaskOption &task : std::as_const(order)) {
        const std::pair<TeacherTaskDetail, QByteArray> detail = co_await teacherDetail(task.id, schoolId);
        if (!isReadable(detail.first))
            continue;
        if (preferred == task.id)
            co_return TeacherTaskChoice{{task}, task, detail.second};
        readable.append(task);
        details.append(detail.second);
    }
    if (readable.isEmpty())
        throw DemoError::message(QStringLiteral("没有可读取的普通一周老师课表；循环日及新高考模板尚未适配"));
    if (readable.size() == 1)
        co_return TeacherTaskChoice{readable, readable.first(), details.first()};
    co_return TeacherTaskChoice{readable, std::nullopt, std::nullopt};
}

QCoro::Task<TeacherDirectory> QuorvaleAPI::searchTeachers(QString key, qint64 schoolId, QDateTime date,
                                                          bool byCourse, std::optional<qint64> courseId,
                                                          std::optional<qint64> taskId)
{
    const QUuid epoch = m_teacherCacheEpoch;
    // The task choice needs nothing of the current user's answer, so both are asked at once; the
    // user's answer is still judged first.
    QCoro::Task<Settled<SessionUser>> user = settled(currentUser());
    QCoro::Task<Settled<TeacherTaskChoice>> choosing = settled(teacherTaskChoices(schoolId, date, taskId));
    Settled<SessionUser> signedIn = co_await std::move(user);
    Settled<TeacherTaskChoice> chosen = co_await std::move(choosing);
    studentrequests::requireSignedIn(signedIn.take());
    ensureTeacherEpoch(epoch);
    const TeacherTaskChoice choice = chosen.take();
    ensureTeacherEpoch(epoch);

    TeacherDirectory directory{choice.tasks, choice.chosen, {}, std::nullopt, {}};
    if (!choice.chosen)
        co_return directory;
    const qint64 task = choice.chosen->id;
    if (!byCourse) {
        const std::optional<QString> nameKey = key;
        directory.teachers = co_await teacherList(this, task, 0, epoch, nameKey);
        co_return directory;
    }

    const QString path = teacherrequests::courseList(task);
    QList<CourseOption> courses =
        teacherrequests::decodeList<CourseOption>(co_await teacherPayload(path, courseListLimit));
    dropUnidentified(courses);
    directory.courses = matching(courses, key);
    if (!courseId) {
        if (directory.courses.size() != 1) {
            ensureTeacherEpoch(epoch);
            co_return directory;
        }
        directory.selectedCourseId = directory.courses.first().id;
    } else {
        const auto ofId = [&courseId](const CourseOption &course) { return course.id == *courseId; };
        const auto listed = std::find_if(courses.cbegin(), courses.cend(), ofId);
        if (listed == courses.cend())
            throw DemoError::message(QStringLiteral("所选课程不属于这份课表"));
        // A course picked earlier stays offered when the typed text no longer finds it.
        if (std::none_of(directory.courses.cbegin(), directory.courses.cend(), ofId))
            directory.courses.append(*listed);
        directory.selectedCourseId = courseId;
    }
    const std::optional<QString> everyone;
    directory.teachers = co_await teacherList(this, task, *directory.selectedCourseId, epoch, everyone);
    co_return directory;
}

} // namespace quorvale
