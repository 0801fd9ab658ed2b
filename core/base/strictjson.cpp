#include "core/base/strictjson.h"

#include "core/base/errors.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace quorvale::json {

namespace {

[[noreturn]] void wrongType(const QString &key)
{
    throw DecodingError(DecodingError::Kind::WrongType, key);
}

QJsonValue required(const QJsonObject &object, const QString &key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        throw DecodingError(DecodingError::Kind::MissingKey, key);
    return *it;
}

std::optional<QJsonValue> present(const QJsonObject &object, const QString &key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd() || it->isNull())
        return std::nullopt;
    return *it;
}

} // namespace

QJsonValue parse(const QByteArray &bytes)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw DecodingError(DecodingError::Kind::Corrupted, {});
    if (document.isArray())
        return document.array();
    if (document.isObject())
        return document.object();
    throw DecodingError(DecodingError::Kind::Corrupted, {});
}

QJsonObject parseObject(const QByteArray &bytes)
{
    return toObject(parse(bytes));
}

QByteArray serialize(const QJsonValue &value)
{
    if (value.isArray())
        return QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    if (value.isObject())
        return QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    // A scalar is wrapped and unwrapped so that it keeps its exact JSON spelling.
    QByteArray wrapped = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return wrapped.mid(1, wrapped.size() - 2);
}

std::optional<qint64> asInteger(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    // toInteger() answers its default for anything that is not a whole number fitting 64 bits, so
    // two different defaults tell a real value from a refusal.
    const qint64 first = value.toInteger(0);
    return first == value.toInteger(1) ? std::optional(first) : std::nullopt;
}

qint64 toInteger(const QJsonValue &value, const QString &key)
{
    if (const auto number = asInteger(value))
        return *number;
    wrongType(key);
}

QString toString(const QJsonValue &value, const QString &key)
{
    if (!value.isString())
        wrongType(key);
    return value.toString();
}

bool toBool(const QJsonValue &value, const QString &key)
{
    if (!value.isBool())
        wrongType(key);
    return value.toBool();
}

QJsonObject toObject(const QJsonValue &value, const QString &key)
{
    if (!value.isObject())
        wrongType(key);
    return value.toObject();
}

QJsonArray toArray(const QJsonValue &value, const QString &key)
{
    if (!value.isArray())
        wrongType(key);
    return value.toArray();
}

qint64 integer(const QJsonObject &object, const QString &key)
{
    return toInteger(required(object, key), key);
}

QString string(const QJsonObject &object, const QString &key)
{
    return toString(required(object, key), key);
}

bool boolean(const QJsonObject &object, const QString &key)
{
    return toBool(required(object, key), key);
}

QJsonObject object(const QJsonObject &object, const QString &key)
{
    return toObject(required(object, key), key);
}

QJsonArray array(const QJsonObject &object, const QString &key)
{
    return toArray(required(object, key), key);
}

std::optional<qint64> optionalInteger(const QJsonObject &object, const QString &key)
{
    const auto value = present(object, key);
    return value ? std::optional(toInteger(*value, key)) : std::nullopt;
}

std::optional<QString> optionalString(const QJsonObject &object, const QString &key)
{
    const auto value = present(object, key);
    return value ? std::optional(toString(*value, key)) : std::nullopt;
}

std::optional<bool> optionalBoolean(const QJsonObject &object, const QString &key)
{
    const auto value = present(object, key);
    return value ? std::optional(toBool(*value, key)) : std::nullopt;
}

std::optional<QJsonObject> optionalObject(const QJsonObject &object, const QString &key)
{
    const auto value = present(object, key);
    return value ? std::optional(toObject(*value, key)) : std::nullopt;
}

std::optional<QJsonArray> optionalArray(const QJsonObject &object, const QString &key)
{
    const auto value = present(object, key);
    return value ? std::optional(toArray(*value, key)) : std::nullopt;
}

} // namespace quorvale::json
