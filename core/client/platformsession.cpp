#include "core/client/platformsession.h"

#include "core/base/sameorigin.h"
#include "core/client/httpexchange.h"
#include "core/client/quorvaleapierror.h"

#include <QDeadlineTimer>
#include <QNetworkCookieJar>

namespace quorvale {

// The session's cookies, in memory only, with the list of all of them made public.
class SessionCookieJar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::allCookies;
    using QNetworkCookieJar::QNetworkCookieJar;
};

namespace {

// As many redirects as the platform's own clients follow before giving up.
constexpr int redirectLimit = 16;

// Hands an exchange back to the event loop for deletion; the session may have deleted it already.
struct ExchangeHandle
{
    QPointer<HttpExchange> exchange;
    ~ExchangeHandle()
    {
        if (exchange)
            exchange->deleteLater();
    }
};

QByteArray cookieField(const QList<QNetworkCookie> &cookies)
{
    QList<QByteArray> pairs;
    for (const QNetworkCookie &cookie : cookies)
        pairs.append(cookie.toRawForm(QNetworkCookie::NameAndValueOnly));
    return pairs.join("; ");
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// 303 always, and 301 and 302 after a POST, continue as a GET without the body, as browsers do.
bool becomesGet(int status, const QByteArray &method)
{
    return (status == 303 && method != "HEAD") || ((status == 301 || status == 302) && method == "POST");
}

} // namespace

PlatformSession::PlatformSession(const QUrl &origin, const TransportSettings &settings, QObject *parent)
    : QObject(parent)
    , m_origin(origin)
    , m_settings(settings)
    , m_cookies(new SessionCookieJar(this))
{}

PlatformSession::~PlatformSession()
{
    invalidate();
}

QList<QNetworkCookie> PlatformSession::cookies() const
{
    return m_cookies->allCookies();
}

void PlatformSession::insertCookie(const QNetworkCookie &cookie)
{
    m_cookies->insertCookie(cookie);
}

void PlatformSession::invalidate()
{
    m_valid = false;
    QList<QPointer<HttpExchange>> outstanding;
    for (HttpExchange *exchange : findChildren<HttpExchange *>(Qt::FindDirectChildrenOnly))
        outstanding.append(exchange);
    // Aborting resumes each waiting request at once; that code may start new work, which by now
    // goes to whatever session replaced this one.
    for (const QPointer<HttpExchange> &exchange : outstanding) {
        if (exchange)
            exchange->abort();
    }
}

bool PlatformSession::followsRedirect(const QUrl &target) const
{
    return target.isValid() && sameOrigin(target, m_origin);
}

HttpExchange *PlatformSession::send(const QNetworkRequest &request, const QByteArray &method,
                                    const std::optional<QByteArray> &body, std::chrono::milliseconds remaining)
{
    HttpExchange::Request outgoing{request.url(), method, {}, body};
    for (const QByteArray &name : request.rawHeaderList())
        outgoing.fields.append({name, request.rawHeader(name)});
    // The agent Qt's own HTTP layer named, so a platform or a gateway before it that asks for one
    // sees what it always saw.
    if (!request.hasRawHeader("User-Agent"))
        outgoing.fields.append({QByteArray("User-Agent"), QByteArray("Mozilla/5.0")});
    const QList<QNetworkCookie> cookies = m_cookies->cookiesForUrl(request.url());
    if (!cookies.isEmpty())
        outgoing.fields.append({"Cookie", cookieField(cookies)});
    auto *exchange = new HttpExchange(
        outgoing, {m_settings.requestTimeout, remaining, answerLimit, m_settings.tls}, this);
    // The cookies of every answer are kept, whatever its status and whether its body arrives.
    connect(exchange, &HttpExchange::headArrived, this, [this, exchange, url = request.url()] {
        QList<QNetworkCookie> received;
        for (const QByteArray &field : exchange->answer().fieldValues("Set-Cookie"))
            received += QNetworkCookie::parseCookies(field);
        m_cookies->setCookiesFromUrl(received, url);
    });
    exchange->start();
    return exchange;
}

QCoro::Task<PlatformAnswer> PlatformSession::transfer(QPointer<PlatformSession> session,
                                                      QNetworkRequest request, QByteArray method,
                                                      std::optional<QByteArray> body)
{
    if (!session)
        throw QuorvaleAPIError::network();
    const QDeadlineTimer deadline(session->m_settings.resourceTimeout);
    for (int redirects = 0;; ++redirects) {
        if (!session || !session->m_valid || deadline.hasExpired())
            throw QuorvaleAPIError::network();
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
        const ExchangeHandle handle{session->send(request, method, body, remaining)};
        co_await handle.exchange->ending();
        if (!handle.exchange || !handle.exchange->succeeded())
            throw QuorvaleAPIError::network();
        const AnswerReader &answer = handle.exchange->answer();

        const int status = answer.status();
        const QUrl url = request.url();
        const QUrl location(QString::fromUtf8(answer.field("Location")), QUrl::StrictMode);
        const QUrl target = url.resolved(location);
        if (isRedirect(status) && location.isValid() && !location.isEmpty() && session &&
            session->followsRedirect(target)) {
            if (redirects == redirectLimit)
                throw QuorvaleAPIError::network();
            request.setUrl(target);
            if (becomesGet(status, method)) {
                method = "GET";
                body.reset();
                request.setRawHeader("Content-Type", QByteArray());
            }
            continue;
        }
        co_return PlatformAnswer{status, url, answer.body(), answer.field("Date")};
    }
}

} // namespace quorvale
