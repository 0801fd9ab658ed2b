#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>

// Strict readers for platform and document JSON. A required member that is absent fails with
// DecodingError::MissingKey; a member of another JSON type fails with WrongType. Optional members
// may be absent or null; any other type is an error. Integers are JSON numbers with an integral
// value that fits 64 bits; Booleans are JSON true/false only.
namespace quorvale::json {

QJsonObject parseObject(const QByteArray &bytes);
QJsonValue parse(const QByteArray &bytes);
QByteArray serialize(const QJsonValue &value);

qint64 toInteger(const QJsonValue &value, const QString &key = {});
std::optional<qint64> asInteger(const QJsonValue &value);
QString toString(const QJsonValue &value, const QString &key = {});
bool toBool(const QJsonValue &value, const QString &key = {});
QJsonObject toObject(const QJsonValue &value, const QString &key = {});
QJsonArray toArray(const QJsonValue &value, const QString &key = {});

// Required members.
qint64 integer(const QJsonObject &object, const QString &key);
QString string(const QJsonObject &object, const QString &key);
bool boolean(const QJsonObject &object, const QString &key);
QJsonObject object(const QJsonObject &object, const QString &key);
QJsonArray array(const QJsonObject &object, const QString &key);

// Optional members: absent or null give none.
std::optional<qint64> optionalInteger(const QJsonObject &object, const QString &key);
std::optional<QString> optionalString(const QJsonObject &object, const QString &key);
std::optional<bool> optionalBoolean(const QJsonObject &object, const QString &key);
std::optional<QJsonObject> optionalObject(const QJsonObject &object, const QString &key);
std::optional<QJsonArray> optionalArray(const QJsonObject &object, const QString &key);

} // namespace quorvale::json
