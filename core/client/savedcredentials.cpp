#include "core/base/strictjson.h"
#include "core/client/credentialstore.h"

namespace quorvale {

QByteArray SavedCredentials::toJson() const
{
    return json::serialize(
        QJsonObject{{QStringLiteral("account"), account}, {QStringLiteral("password"), password}});
}

SavedCredentials SavedCredentials::fromJson(const QByteArray &json)
{
    const QJsonObject object = json::parseObject(json);
    return {json::string(object, QStringLiteral("account")),
            json::string(object, QStringLiteral("password"))};
}

} // namespace quorvale
