#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// The platform's view of the current session: who is signed in, if anyone.
struct SessionUser
{
    bool isAuthenticated = false;
    std::optional<QString> displayName;
    std::optional<QList<qint64>> schoolIds;

    // Reads "isAuthenticated" (required), "displayName" and "schoolIds"; throws DecodingError.
    static SessionUser fromJson(const QJsonObject &object);

    bool operator==(const SessionUser &) const = default;
};

} // namespace quorvale
