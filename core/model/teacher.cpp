#include "core/model/teacher.h"

#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"

namespace quorvale {

namespace {

// The platform writes these ids either as integers or as decimal texts; a text must be a strictly
// written integer. Every failure, a missing id included, is reported as a value of the wrong form.
qint64 numericId(const QJsonObject &object, const QString &key)
{
    const QJsonValue value = object.value(key);
    if (const auto number = json::asInteger(value))
        return *number;
    if (value.isString()) {
        if (const auto parsed = text::parseInteger(value.toString()))
            return *parsed;
    }
    throw DecodingError(DecodingError::Kind::InvalidValue, key);
}

// Teachers and courses share one form: "id", "name" and an optional "eName".
template <typename T> T decodeNamed(const QJsonObject &object)
{
    const qint64 id = numericId(object, QStringLiteral("id"));
    const QString name = json::string(object, QStringLiteral("name"));
    return T{id, name, json::optionalString(object, QStringLiteral("eName")).value_or(QString())};
}

} // namespace

Teacher Teacher::fromJson(const QJsonObject &object)
{
    return decodeNamed<Teacher>(object);
}

CourseOption CourseOption::fromJson(const QJsonObject &object)
{
    return decodeNamed<CourseOption>(object);
}

size_t qHash(const Teacher &teacher, size_t seed)
{
    return qHashMulti(seed, teacher.id, teacher.name, teacher.englishName);
}

size_t qHash(const CourseOption &course, size_t seed)
{
    return qHashMulti(seed, course.id, course.name, course.englishName);
}

} // namespace quorvale
