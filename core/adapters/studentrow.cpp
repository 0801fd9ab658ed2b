#include "core/adapters/studentrow.h"

#include "core/adapters/teacherrecords.h"
#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

#include <QJsonArray>
#include <QSet>
#include <algorithm>

namespace quorvale {

ScheduleStudentRow::SchoolClass ScheduleStudentRow::SchoolClass::fromJson(const QJsonObject &object)
{
    return {json::integer(object, QStringLiteral("id")), json::optionalString(object, QStringLiteral("name")),
            json::optionalString(object, QStringLiteral("eName")),
            json::optionalInteger(object, QStringLiteral("grade")),
            json::optionalInteger(object, QStringLiteral("classType"))};
}

ScheduleStudentRow ScheduleStudentRow::fromJson(const QJsonObject &object)
{
    ScheduleStudentRow row;
    row.studentId = json::integer(object, QStringLiteral("studentId"));
    row.studentName = json::optionalString(object, QStringLiteral("studentName"));
    row.studentEName = json::optionalString(object, QStringLiteral("studentEName"));
    const QString key = QStringLiteral("classInfos");
    if (const auto classes = json::optionalArray(object, key)) {
        row.classInfos.emplace();
        for (const QJsonValue &value : *classes)
            row.classInfos->append(SchoolClass::fromJson(json::toObject(value, key)));
    }
    return row;
}

std::optional<Student> ScheduleStudentRow::student(qint64 schoolId) const
{
    QString name = studentName.value_or(QString()).trimmed();
    const QString englishName = studentEName.value_or(QString()).trimmed();
    if (studentId < 1 || (name.isEmpty() && englishName.isEmpty()))
        throw DemoError::message(QStringLiteral("课表名单存在缺失姓名或身份的记录，请重新查询"));

    QList<SchoolClass> kept;
    for (const SchoolClass &schoolClass : classInfos.value_or(QList<SchoolClass>())) {
        if (schoolClass.classType == 1)
            kept.append(schoolClass);
    }
    QSet<qint64> sections;
    for (const SchoolClass &schoolClass : kept)
        sections.insert(sectionOfGrade(schoolClass.grade));
    // Every class lies outside middle and high school: not a student this system serves.
    if (sections == QSet<qint64>{0})
        return std::nullopt;
    const qint64 studySection = sections == QSet<qint64>{2} ? 2 : sections == QSet<qint64>{3} ? 3 : 0;

    QStringList labels;
    for (const SchoolClass &schoolClass : kept) {
        const auto taken =
            schoolClass.name && !schoolClass.name->isEmpty() ? schoolClass.name : schoolClass.eName;
        const QString label = taken.value_or(QString()).trimmed();
        const bool known = std::any_of(labels.cbegin(), labels.cend(), [&](const QString &other) {
            return text::compare(other, label) == 0;
        });
        if (!label.isEmpty() && !known)
            labels.append(label);
    }
    std::sort(labels.begin(), labels.end(), text::less);
    const QString className =
        labels.isEmpty() ? QStringLiteral("班级待确认") : labels.join(QStringLiteral(" / "));

    if (name.isEmpty())
        name = englishName;
    return Student{studentId, name,     englishName, kept.size() == 1 ? kept.first().id : 0,
                   className, schoolId, studySection};
}

} // namespace quorvale
