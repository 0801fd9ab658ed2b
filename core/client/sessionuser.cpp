#include "core/client/sessionuser.h"

#include "core/base/strictjson.h"

namespace quorvale {

SessionUser SessionUser::fromJson(const QJsonObject &object)
{
    SessionUser user;
    user.isAuthenticated = json::boolean(object, QStringLiteral("isAuthenticated"));
    user.displayName = json::optionalString(object, QStringLiteral("displayName"));
    if (const auto ids = json::optionalArray(object, QStringLiteral("schoolIds"))) {
        QList<qint64> schoolIds;
        for (const QJsonValue &id : *ids)
            schoolIds.append(json::toInteger(id, QStringLiteral("schoolIds")));
        user.schoolIds = schoolIds;
    }
    return user;
}

} // namespace quorvale
