#include "core/base/base64.h"
#include "core/base/errors.h"
#include "core/client/loginpayload.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/secretwipe.h"

#include <QScopeGuard>
#include <cmath>

namespace quorvale {

namespace {

// The Base64 payload of a captcha answer: a data URL keeps only what follows its first comma, or
// its head when nothing follows, which then fails as Base64.
QString captchaPayload(const QString &text)
{
    if (!text.startsWith(QLatin1String("data:image/")))
        return text;
    const qsizetype comma = text.indexOf(u',');
    if (comma < 0)
        return text;
    const QString tail = text.mid(comma + 1);
    return tail.isEmpty() ? text.left(comma) : tail;
}

} // namespace

QCoro::Task<SessionUser> QuorvaleAPI::currentUser()
{
    const QJsonObject envelope = co_await request(QStringLiteral("/api/MemberShip/GetCurrentUser"),
                                                  QStringLiteral("GET"), std::nullopt);
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    if (!data.isObject())
        throw QuorvaleAPIError::invalidResponse();
    co_return SessionUser::fromJson(data.toObject());
}

QCoro::Task<std::optional<QByteArray>> QuorvaleAPI::captcha()
{
    const QJsonObject envelope = co_await request(QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin"),
                                                  QStringLiteral("GET"), std::nullopt);
    const QJsonValue data = envelope.value(QStringLiteral("data"));
    if (data.isUndefined() || data.isNull() || (data.isString() && data.toString().isEmpty()))
        co_return std::nullopt;
    if (!data.isString())
        throw QuorvaleAPIError::invalidResponse();
    const std::optional<QByteArray> image = base64::decodeStrictly(captchaPayload(data.toString()));
    if (!image || image->isEmpty())
        throw QuorvaleAPIError::invalidResponse();
    co_return image;
}

QCoro::Task<SessionUser> QuorvaleAPI::login(QString account, QString password, QString captcha)
{
    if (account.trimmed().isEmpty() || password.isEmpty())
        throw DemoError::message(QStringLiteral("请输入账号和密码"));
    const double now = double(m_clock().toMSecsSinceEpoch()) / 1000.0;
    const auto timestamp = qint64(std::floor(now + m_clockOffset));
    const QString target =
        path(QStringLiteral("/api/MemberShip/Login"), {{QStringLiteral("captcha"), captcha}});
    {
        // The body is a sign-in of its own while its timestamp is accepted: wiped once sent, however
        // the request ends.
        QByteArray body = LoginPayload(account, password, timestamp).toJson();
        const auto wipeBody = qScopeGuard([&body] { wipe(body); });
        co_await request(target, QStringLiteral("POST"), body);
    }
    const SessionUser user = co_await currentUser();
    if (!user.isAuthenticated)
        throw QuorvaleAPIError::unauthenticated();
    clearTeacherCaches();
    co_return user;
}

QCoro::Task<> QuorvaleAPI::logout()
{
    std::exception_ptr failure;
    try {
        co_await request(QStringLiteral("/api/MemberShip/LogOut"), QStringLiteral("POST"), std::nullopt);
    } catch (const QuorvaleAPIError &) {
        failure = std::current_exception();
    }
    // The new session, clock and teacher epoch go in first: requests woken by the abort below, and
    // anything they start, must find the new session and see the old teacher work as stale.
    PlatformSession *old = m_session;
    m_session = newSession();
    m_clockOffset = 0;
    clearTeacherCaches();
    old->invalidate();
    old->deleteLater();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace quorvale
