#include "core/client/envelope.h"

#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"
#include "core/client/quorvaleapierror.h"


namespace quorvale {

namespace {

constexpr qint64 sessionGone = 999901;
constexpr qint64 sessionExpired = 999904;
constexpr int messageLimit = 250;

QString refusalMessage(const QJsonObject &envelope)
{
    for (const QLatin1String key : {QLatin1String("msgCN"), QLatin1String("msg")}) {
        const QJsonValue value = envelope.value(key);
        if (value.isString())
            return value.toString();
    }
    return QStringLiteral("澜序拒绝了此次请求，请检查输入或登录状态");
}

bool isSignInPage(const QUrl &url)
{
    const QString path = url.path().toLower();
    return path == QLatin1String("/newsis/login") || path == QLatin1String("/login");
}

} // namespace

QJsonObject readEnvelope(int status, const QUrl &finalUrl, const QString &platformHost,
                         const QByteArray &body)
{
    if (status == 401)
        throw QuorvaleAPIError::unauthenticated();
    if (status == 403)
        throw QuorvaleAPIError::service(403, QStringLiteral("当前账号没有访问权限"));
    if (finalUrl.isValid() && isSignInPage(finalUrl))
        throw QuorvaleAPIError::unauthenticated();
    if (status != 200 || !finalUrl.isValid() || finalUrl.host() != platformHost)
        throw QuorvaleAPIError::invalidResponse();

    QJsonObject envelope;
    try {
        envelope = json::parseObject(body);
    } catch (const DecodingError &) {
        throw QuorvaleAPIError::invalidResponse();
    }
    const auto state = json::asInteger(envelope.value(QStringLiteral("state")));
    if (envelope.isEmpty() || !state)
        throw QuorvaleAPIError::invalidResponse();
    if (*state == 0)
        return envelope;
    if (*state == sessionGone || *state == sessionExpired)
        throw QuorvaleAPIError::unauthenticated();
    throw QuorvaleAPIError::service(*state, text::leadingCharacters(refusalMessage(envelope), messageLimit));
}

} // namespace quorvale
