#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

// A build's information dictionary: text keys to values of any type (texts, Booleans, numbers).
namespace quorvale {

using InfoDictionary = QVariantMap;

namespace info {

// The value under `key` when it is text.
inline std::optional<QString> text(const InfoDictionary &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

// The value under `key` when it is a Boolean; a number or a text such as "YES" is not one.
inline std::optional<bool> boolean(const InfoDictionary &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    if (value.typeId() != QMetaType::Bool)
        return std::nullopt;
    return value.toBool();
}

// The value under `key` when it is a number, integer or floating-point.
inline std::optional<double> number(const InfoDictionary &dictionary, const QString &key)
{
    const QVariant value = dictionary.value(key);
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return value.toDouble();
    default:
        return std::nullopt;
    }
}

} // namespace info

} // namespace quorvale
