#include "tests/session/sessionfixture.h"

#include "core/client/quorvaleapierror.h"

namespace quorvale::testing {

SessionFixture::SessionFixture()
{
    platform.listen();
    platform.sessions().addAccount({account, password, QStringLiteral("王老师"), {17}, false});
    platform.route(probePath, [this](const demo::HttpRequest &request) {
        const demo::Session *session = platform.sessions().find(request);
        if (!session || session->expired || !session->account)
            return demo::refusal(999901, QStringLiteral("登录已过期"));
        return demo::envelope(request.query.value(QStringLiteral("tag")));
    });
}

QCoro::Task<std::optional<QByteArray>> CountingAPI::captcha()
{
    ++captchasStarted;
    co_return co_await QuorvaleAPI::captcha();
}

QCoro::Task<SessionUser> CountingAPI::login(QString account, QString password, QString captcha)
{
    ++loginsStarted;
    co_return co_await QuorvaleAPI::login(account, password, captcha);
}

CountingAPI *SessionFixture::newAPI() const
{
    return new CountingAPI(platform.origin(), TransportSettings{}, {});
}

QByteArray SessionFixture::demandCaptcha()
{
    const QByteArray image = demo::captchaImage(QStringLiteral("4711"));
    platform.faults().answer(captchaPath, demo::envelope(QStringLiteral("data:image/png;base64,") +
                                                         QString::fromLatin1(image.toBase64())));
    return image;
}

QCoro::Task<QString> probe(QuorvaleAPI *api, QString tag)
{
    const QString target = QuorvaleAPI::path(SessionFixture::probePath, {{QStringLiteral("tag"), tag}});
    const QString method = QStringLiteral("GET");
    const QJsonObject answer = co_await api->request(target, method, std::nullopt);
    const QJsonValue data = answer.value(QStringLiteral("data"));
    if (!data.isString())
        throw QuorvaleAPIError::invalidResponse();
    co_return data.toString();
}

QCoro::Task<QString> afterGate(std::shared_ptr<Gate> gate, QString value)
{
    co_await qCoro(gate.get(), &Gate::opened);
    co_return value;
}

QCoro::Task<QString> failAfterGate(std::shared_ptr<Gate> gate, QuorvaleAPIError error)
{
    co_await qCoro(gate.get(), &Gate::opened);
    throw error;
}

} // namespace quorvale::testing
