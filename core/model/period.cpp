#include "core/model/period.h"

#include "core/base/strictjson.h"

namespace quorvale {

Period Period::fromJson(const QJsonObject &object)
{
    return Period{json::string(object, QStringLiteral("id")), json::string(object, QStringLiteral("start")),
                  json::string(object, QStringLiteral("end"))};
}

QJsonObject Period::toJson() const
{
    return QJsonObject{
        {QStringLiteral("id"), id}, {QStringLiteral("start"), start}, {QStringLiteral("end"), end}};
}

} // namespace quorvale
