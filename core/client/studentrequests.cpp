#include "core/client/studentrequests.h"

#include "core/base/shanghai.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"

#include <QJsonArray>
#include <algorithm>

namespace quorvale::studentrequests {

namespace {

QString decimal(qint64 value)
{
    return QString::number(value);
}

} // namespace

QString taskList(qint64 schoolId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetCourseTasksBySchoolIdForSelect"),
                             {{QStringLiteral("schoolId"), decimal(schoolId)}});
}

QString taskDetail(qint64 taskId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/QueryCourseTask"),
                             {{QStringLiteral("id"), decimal(taskId)}});
}

QString roster(qint64 taskId, const QString &key, qint64 pageIndex)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage"),
                             {{QStringLiteral("courseTaskId"), decimal(taskId)},
                              {QStringLiteral("key"), key},
                              {QStringLiteral("pageIndex"), decimal(pageIndex)},
                              {QStringLiteral("pageSize"), QStringLiteral("50")}});
}

QString courseTable(qint64 taskId, qint64 classId, qint64 pageIndex, qint64 studentId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetStudentCourseTimeTable"),
                             {{QStringLiteral("classId"), decimal(classId)},
                              {QStringLiteral("courseTaskId"), decimal(taskId)},
                              {QStringLiteral("pageIndex"), decimal(pageIndex)},
                              {QStringLiteral("pageSize"), QStringLiteral("50")},
                              {QStringLiteral("studentId"), decimal(studentId)}});
}

QString master(qint64 taskId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/CourseTaskMaster"),
                             {{QStringLiteral("courseTaskId"), decimal(taskId)},
                              {QStringLiteral("isShowCommentTime"), QStringLiteral("true")}});
}

QString weekCode(QDate day, qint64 semesterId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetCurrentSingleDoubleSet"),
                             {{QStringLiteral("nowDate"), shanghai::dayText(day)},
                              {QStringLiteral("schoolSemesterId"), decimal(semesterId)}});
}

void requireSignedIn(const SessionUser &user)
{
    if (!user.isAuthenticated)
        throw QuorvaleAPIError::unauthenticated();
}

QList<CourseTaskOption> readTaskList(const QJsonObject &envelope)
{
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    const QJsonArray list = data.toArray();
    if (!data.isArray() ||
        !std::all_of(list.begin(), list.end(), [](const QJsonValue &v) { return v.isObject(); }))
        throw QuorvaleAPIError::invalidResponse();
    QList<CourseTaskOption> tasks;
    tasks.reserve(list.size());
    for (const QJsonValue &task : list)
        tasks.append(CourseTaskOption::fromJson(task.toObject()));
    return tasks;
}

QList<CourseTaskOption> validOn(const QList<CourseTaskOption> &tasks, const QDateTime &moment)
{
    QList<CourseTaskOption> valid;
    std::copy_if(tasks.cbegin(), tasks.cend(), std::back_inserter(valid),
                 [&moment](const CourseTaskOption &task) { return task.contains(moment); });
    return valid;
}

std::optional<qint64> soleDefault(const QList<CourseTaskOption> &tasks)
{
    std::optional<qint64> found;
    for (const CourseTaskOption &task : tasks) {
        if (task.isDefault != true)
            continue;
        if (found)
            return std::nullopt;
        found = task.id;
    }
    return found;
}

QList<CourseTaskOption> firstOf(QList<CourseTaskOption> tasks, std::optional<qint64> id)
{
    if (id) {
        std::stable_partition(tasks.begin(), tasks.end(),
                              [&id](const CourseTaskOption &task) { return task.id == *id; });
    }
    return tasks;
}

} // namespace quorvale::studentrequests
