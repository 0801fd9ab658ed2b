#include "core/adapters/teacherrecords.h"

#include "core/base/strictjson.h"

#include <QJsonArray>

namespace quorvale {

TeacherTaskDetail TeacherTaskDetail::fromJson(const QJsonObject &object)
{
    TeacherTaskDetail detail;
    detail.id = json::optionalInteger(object, QStringLiteral("id"));
    detail.schoolId = json::optionalInteger(object, QStringLiteral("schoolId"));
    detail.isTakeEffect = json::boolean(object, QStringLiteral("isTakeEffect"));
    detail.workRestTableType = json::integer(object, QStringLiteral("workRestTableType"));
    detail.courseTaskType = json::integer(object, QStringLiteral("courseTaskType"));
    detail.schoolSemesterId = json::optionalInteger(object, QStringLiteral("schoolSemesterId"));
    return detail;
}

TeacherRosterClass TeacherRosterClass::fromJson(const QJsonObject &object)
{
    return {json::integer(object, QStringLiteral("id")),
            json::optionalInteger(object, QStringLiteral("grade")),
            json::optionalInteger(object, QStringLiteral("classType"))};
}

TeacherRosterStudent TeacherRosterStudent::fromJson(const QJsonObject &object)
{
    TeacherRosterStudent student;
    student.studentId = json::integer(object, QStringLiteral("studentId"));
    const QString key = QStringLiteral("classInfos");
    if (const auto classes = json::optionalArray(object, key)) {
        student.classInfos.emplace();
        for (const QJsonValue &value : *classes)
            student.classInfos->append(TeacherRosterClass::fromJson(json::toObject(value, key)));
    }
    return student;
}

qint64 sectionOfGrade(std::optional<qint64> grade)
{
    if (!grade || *grade < 1)
        return -1;
    if (*grade >= 6 && *grade <= 8)
        return 2;
    if (*grade >= 9 && *grade <= 12)
        return 3;
    return 0;
}

} // namespace quorvale
