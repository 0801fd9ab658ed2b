#include "core/base/errors.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/settled.h"
#include "core/client/studentlookup.h"
#include "core/client/studentrequests.h"
#include "core/client/studentsearch.h"

#include <QJsonDocument>
#include <algorithm>
#include <vector>

namespace quorvale {

namespace {

constexpr qsizetype mostValidTasks = 20;

using studentlookup::Trial;

// The tasks found to hold the student's table, in the order they were tried.
QList<const Trial *> found(const std::vector<Trial> &trials)
{
    QList<const Trial *> candidates;
    for (const Trial &trial : trials) {
        if (trial.kind == Trial::Kind::Found)
            candidates.append(&trial);
    }
    return candidates;
}

QList<CourseTaskOption> tasksOf(const QList<const Trial *> &candidates)
{
    QList<CourseTaskOption> tasks;
    for (const Trial *trial : candidates)
        tasks.append(trial->candidate->task);
    return tasks;
}

// The one candidate, or the one marked default among several.
const Trial *chosen(const QList<const Trial *> &candidates)
{
    if (candidates.size() == 1)
        return candidates.first();
    const Trial *marked = nullptr;
    for (const Trial *trial : candidates) {
        if (trial->candidate->task.isDefault != true)
            continue;
        if (marked)
            return nullptr;
        marked = trial;
    }
    return marked;
}

} // namespace

QCoro::Task<QList<Student>> QuorvaleAPI::search(QString query, qint64 schoolId, QDateTime date)
{
    co_return co_await searchScheduleStudents(std::move(query), schoolId, std::move(date));
}

QCoro::Task<QList<Student>> QuorvaleAPI::searchScheduleStudents(QString query, qint64 schoolId,
                                                                QDateTime date)
{
    using namespace studentrequests;
    // The task list needs nothing of the current user's answer, so both are asked at once; the
    // user's answer is still judged first.
    QCoro::Task<Settled<SessionUser>> user = settled(currentUser());
    const QString key = query.trimmed();
    if (key.isEmpty() || schoolId < 1) {
        requireSignedIn((co_await std::move(user)).take());
        if (key.isEmpty())
            co_return QList<Student>{};
        throw DemoError::message(QStringLiteral("当前账号没有可查询的校区"));
    }
    QCoro::Task<Settled<QJsonObject>> list = settled(request(taskList(schoolId), get, std::nullopt));
    Settled<SessionUser> signedIn = co_await std::move(user);
    Settled<QJsonObject> listed = co_await std::move(list);
    requireSignedIn(signedIn.take());

    const QList<CourseTaskOption> valid = validOn(readTaskList(listed.take()), date);
    if (valid.isEmpty() || valid.size() > mostValidTasks)
        throw DemoError::message(QStringLiteral("该日期没有可查询的有效课表"));
    const std::optional<qint64> preferred = soleDefault(valid);
    const QList<CourseTaskOption> inEffect = co_await studentsearch::tasksInEffect(
        this, firstOf(valid, preferred), preferred.has_value(), schoolId);
    if (inEffect.isEmpty())
        throw DemoError::message(QStringLiteral("该日期没有已生效的可查询课表"));

    std::vector<QCoro::Task<Settled<QList<Student>>>> rosters;
    for (const CourseTaskOption &task : inEffect)
        rosters.push_back(settled(studentsearch::roster(this, task.id, key, schoolId)));
    std::vector<Settled<QList<Student>>> lists = co_await land(std::move(rosters));
    QList<QList<Student>> found;
    for (Settled<QList<Student>> &students : lists)
        found.append(students.take());
    co_return studentsearch::merged(std::move(found), schoolId);
}

QCoro::Task<LiveTimetableResult> QuorvaleAPI::lookupTimetable(Student student, QDateTime date,
                                                              std::optional<qint64> taskId)
{
    using namespace studentrequests;
    QCoro::Task<Settled<SessionUser>> user = settled(currentUser());
    if (student.studySection != 2 && student.studySection != 3) {
        requireSignedIn((co_await std::move(user)).take());
        throw DemoError::message(student.studySection == 0
                                     ? QStringLiteral("该学生学部尚未确认，暂不能换算初高中作息")
                                     : QStringLiteral("只支持初中和高中"));
    }
    QCoro::Task<Settled<QJsonObject>> list = settled(request(taskList(student.schoolId), get, std::nullopt));
    Settled<SessionUser> signedIn = co_await std::move(user);
    Settled<QJsonObject> listed = co_await std::move(list);
    requireSignedIn(signedIn.take());

    const QList<CourseTaskOption> valid = validOn(readTaskList(listed.take()), date);
    if (valid.isEmpty())
        throw DemoError::message(QStringLiteral("该日期没有有效的排课任务"));
    if (valid.size() > mostValidTasks)
        throw DemoError::message(QStringLiteral("有效排课任务过多，需要先确认学校排课范围"));
    if (taskId && std::none_of(valid.cbegin(), valid.cend(),
                               [&](const CourseTaskOption &t) { return t.id == *taskId; }))
        throw DemoError::message(QStringLiteral("所选课表在该日期已不适用，请重新选择"));
    const std::optional<qint64> defaultId = soleDefault(valid);
    QList<CourseTaskOption> order = firstOf(valid, defaultId);
    if (taskId)
        order.removeIf([&](const CourseTaskOption &t) { return t.id != *taskId; });

    // The default task alone first: when it holds the table, nothing else is asked. The tasks left
    // are independent of each other and are tried together, their outcomes read in trial order.
    std::vector<Trial> trials;
    if (!taskId && defaultId && !order.isEmpty()) {
        trials.push_back(co_await studentlookup::tryTask(this, student, order.takeFirst(), true));
        if (trials.back().kind == Trial::Kind::Found)
            order.clear();
    }
    std::vector<QCoro::Task<Settled<Trial>>> tries;
    for (const CourseTaskOption &task : std::as_const(order))
        tries.push_back(settled(studentlookup::tryTask(this, student, task, order.size() == 1)));
    std::vector<Settled<Trial>> tried = co_await land(std::move(tries));
    for (Settled<Trial> &trial : tried)
        trials.push_back(trial.take());

    const QList<const Trial *> candidates = found(trials);
    if (candidates.isEmpty()) {
        const bool unsupported = std::any_of(trials.cbegin(), trials.cend(), [](const Trial &t) {
            return t.kind == Trial::Kind::UnsupportedLayout;
        });
        throw DemoError::message(
            unsupported ? QStringLiteral("该日期没有可解析的个人周课表；循环日或新高考模板尚需适配")
                        : QStringLiteral("当前账号可见的有效任务中，没有该学生的个人课表"));
    }
    const Trial *choice = chosen(candidates);
    if (!choice)
        co_return LiveTimetableResult{std::nullopt, tasksOf(candidates), std::nullopt, std::nullopt};
    studentlookup::Reading reading =
        co_await studentlookup::readChosen(this, student, date, *choice->candidate, choice->master);
    co_return LiveTimetableResult{std::move(reading.timetable), tasksOf(candidates), choice->candidate->task,
                                  std::move(reading.week)};
}

QCoro::Task<QString> QuorvaleAPI::timetable(Student student, qint64 taskId, qint64 taskClassId,
                                            qint64 pageIndex)
{
    studentrequests::requireSignedIn(co_await currentUser());
    const QJsonObject envelope =
        co_await request(studentrequests::courseTable(taskId, taskClassId, pageIndex, student.id),
                         studentrequests::get, std::nullopt);
    // QJsonObject keeps its keys sorted, so the text comes out with sorted keys.
    co_return QString::fromUtf8(QJsonDocument(envelope).toJson(QJsonDocument::Indented));
}

} // namespace quorvale
