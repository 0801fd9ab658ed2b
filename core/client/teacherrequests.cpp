#include "core/client/teacherrequests.h"

#include "core/client/quorvaleapi.h"

#include <algorithm>

namespace quorvale::teacherrequests {

QString courseList(qint64 taskId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetCourseList"),
                             {{QStringLiteral("courseTaskId"), QString::number(taskId)}});
}

QString teacherList(qint64 courseId, qint64 taskId)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetTeacherList"),
                             {{QStringLiteral("courseId"), QString::number(courseId)},
                              {QStringLiteral("courseTaskId"), QString::number(taskId)}});
}

QString teacherTables(qint64 taskId, qint64 teacherId, qint64 pageIndex)
{
    return QuorvaleAPI::path(QStringLiteral("/api/CourseTask/GetTeacherCourseTimeTable"),
                             {{QStringLiteral("courseId"), QStringLiteral("0")},
                              {QStringLiteral("courseTaskId"), QString::number(taskId)},
                              {QStringLiteral("orgUserIds"), QString::number(teacherId)},
                              {QStringLiteral("pageIndex"), QString::number(pageIndex)},
                              {QStringLiteral("pageSize"), QStringLiteral("50")}});
}

std::optional<ListPage> readListPage(const QJsonObject &envelope, qint64 largestTotal)
{
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    const QJsonObject object = data.toObject();
    const std::optional<qint64> total = json::asInteger(object.value(QStringLiteral("totalCount")));
    const QJsonValue list = object.value(QStringLiteral("list"));
    const QJsonArray rows = list.toArray();
    if (!data.isObject() || !total || *total < 0 || *total > largestTotal || !list.isArray() ||
        !std::all_of(rows.begin(), rows.end(), [](const QJsonValue &row) { return row.isObject(); }))
        return std::nullopt;
    return ListPage{object, *total, rows};
}

} // namespace quorvale::teacherrequests
