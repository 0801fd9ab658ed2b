#include "core/base/sameorigin.h"
#include "core/client/envelope.h"
#include "core/client/httpdate.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"

namespace quorvale {

QUrl QuorvaleAPI::resolve(const QString &path) const
{
    const QUrl reference(path, QUrl::StrictMode);
    return reference.isValid() ? m_origin.resolved(reference) : QUrl();
}

QNetworkRequest QuorvaleAPI::prepare(const QUrl &url, bool hasBody) const
{
    const QByteArray origin = m_origin.toEncoded();
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("Origin", origin);
    request.setRawHeader("Referer", origin + "/newsis/login");
    // The platform expects the field present and empty; a null value would remove it.
    request.setRawHeader("K", QByteArray(""));
    if (hasBody)
        request.setRawHeader("Content-Type", "application/json");
    return request;
}

QCoro::Task<QJsonObject> QuorvaleAPI::request(QString path, QString method, std::optional<QByteArray> body)
{
    const QUrl url = resolve(path);
    if (!url.isValid() || !sameOrigin(url, m_origin))
        throw QuorvaleAPIError::invalidResponse();
    const QNetworkRequest request = prepare(url, body.has_value());
    // The session's cookies go out and come back through its cookie jar, on every answer whatever
    // its status.
    const PlatformAnswer answer =
        co_await PlatformSession::transfer(m_session, request, method.toUtf8(), std::move(body));
    if (const std::optional<QDateTime> platformTime = parseHttpDate(answer.date))
        m_clockOffset = double(m_clock().msecsTo(*platformTime)) / 1000.0;
    co_return readEnvelope(answer.status, answer.url, m_origin.host(), answer.body);
}

} // namespace quorvale
