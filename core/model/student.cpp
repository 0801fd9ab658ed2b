#include "core/model/student.h"

#include "core/base/strictjson.h"
#include "core/base/text.h"

namespace quorvale {

std::optional<QString> Student::section() const
{
    switch (studySection) {
    case 2:
        return QStringLiteral("middle");
    case 3:
        return QStringLiteral("high");
    default:
        return std::nullopt;
    }
}

QString Student::sectionName() const
{
    switch (studySection) {
    case 0:
        return QStringLiteral("学部待确认");
    case 2:
        return QStringLiteral("初中 G6–G8");
    case 3:
        return QStringLiteral("高中 G9–G12");
    default:
        return QStringLiteral("不支持的学部");
    }
}

bool Student::matches(const QString &query) const
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty())
        return false;
    return text::containsIgnoringCase(name, trimmed) || text::containsIgnoringCase(englishName, trimmed);
}

Student Student::fromJson(const QJsonObject &object)
{
    return Student{json::integer(object, QStringLiteral("id")),
                   json::string(object, QStringLiteral("name")),
                   json::string(object, QStringLiteral("englishName")),
                   json::integer(object, QStringLiteral("classId")),
                   json::string(object, QStringLiteral("className")),
                   json::integer(object, QStringLiteral("schoolId")),
                   json::integer(object, QStringLiteral("studySection"))};
}

QJsonObject Student::toJson() const
{
    return QJsonObject{{QStringLiteral("id"), id},
                       {QStringLiteral("name"), name},
                       {QStringLiteral("englishName"), englishName},
                       {QStringLiteral("classId"), classId},
                       {QStringLiteral("className"), className},
                       {QStringLiteral("schoolId"), schoolId},
                       {QStringLiteral("studySection"), studySection}};
}

size_t qHash(const Student &student, size_t seed)
{
    return qHashMulti(seed, student.id, student.name, student.englishName, student.classId, student.className,
                      student.schoolId, student.studySection);
}

} // namespace quorvale
