#include "core/client/platformsession.h"

#include "core/base/sameorigin.h"
#include "core/client/curlmulti.h"
#include "core/client/desktopproxy.h"
#include "core/client/httptransfer.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/systemtrust.h"

#include <QCoroFuture>
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

// Hands a transfer back to the event loop for deletion; the session may have deleted it already.
struct TransferHandle
{
    QPointer<HttpTransfer> transfer;
    ~TransferHandle()
    {
        if (transfer)
            transfer->deleteLater();
    }
};

QByteArray cookieField(const QList<QNetworkCookie> &cookies)
{
    QList<QByteArray> pairs;
    for (const QNetworkCookie &cookie : cookies)
        pairs.append(cookie.toRawForm(QNetworkCookie::NameAndValueOnly));
    return pairs.join("; ");
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
    , m_connections(CurlMulti::of(this))
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
    QList<QPointer<HttpTransfer>> outstanding;
    for (HttpTransfer *transfer : findChildren<HttpTransfer *>(Qt::FindDirectChildrenOnly))
        outstanding.append(transfer);
    // Aborting resumes each waiting request at once; that code may start new work, which by now
    // goes to whatever session replaced this one.
    for (const QPointer<HttpTransfer> &transfer : outstanding) {
        if (transfer)
            transfer->abort();
    }
}

bool PlatformSession::followsRedirect(const QUrl &target) const
{
    return target.isValid() && sameOrigin(target, m_origin);
}

HttpTransfer *PlatformSession::send(const QNetworkRequest &request, const QByteArray &method,
                                    const std::optional<QByteArray> &body,
                                    std::chrono::milliseconds remaining, bool newConnection,
                                    const std::optional<QUrl> &proxy)
{
    HttpTransfer::Request outgoing{request.url(), method, {}, body, proxy};
    for (const QByteArray &name : request.rawHeaderList())
        outgoing.fields.append({name, request.rawHeader(name)});
    // The agent Qt's own HTTP layer named, so a platform or a gateway before it that asks for one
    // sees what it always saw.
    if (!request.hasRawHeader("User-Agent"))
        outgoing.fields.append({QByteArray("User-Agent"), QByteArray("Mozilla/5.0")});
    const QList<QNetworkCookie> cookies = m_cookies->cookiesForUrl(request.url());
    if (!cookies.isEmpty())
        outgoing.fields.append({"Cookie", cookieField(cookies)});
    auto *transfer = new HttpTransfer(
        m_connections, std::move(outgoing),
        {m_settings.requestTimeout, remaining, answerLimit, m_settings.tls, std::nullopt,
         m_settings.idleConnectionLimit, m_settings.unacknowledgedLimit},
        this);
    if (newConnection)
        transfer->useNewConnection();
    // The cookies of every answer are kept, whatever its status and whether its body arrives.
    connect(transfer, &HttpTransfer::headArrived, this, [this, transfer, url = request.url()] {
        QList<QNetworkCookie> received;
        for (const QByteArray &field : transfer->fieldValues("Set-Cookie"))
            received += QNetworkCookie::parseCookies(field);
        m_cookies->setCookiesFromUrl(received, url);
    });
    transfer->start();
    return transfer;
}

QCoro::Task<PlatformAnswer> PlatformSession::transfer(QPointer<PlatformSession> session,
                                                      QNetworkRequest request, QByteArray method,
                                                      std::optional<QByteArray> body)
{
    if (!session)
        throw QuorvaleAPIError::network();
    const QDeadlineTimer deadline(session->m_settings.resourceTimeout);
    if (!session->m_proxy)
        session->m_proxy = desktopproxy::lookup(session->m_origin);
    // Within a few seconds, whatever the desktop does.
    QFuture<std::optional<QUrl>> desktopProxy = *session->m_proxy;
    const std::optional<QUrl> proxy = co_await desktopProxy;
    if (!session)
        throw QuorvaleAPIError::network();
    // Read off this thread: a request that comes first waits for them here rather than in libcurl.
    if (!session->m_settings.tls && session->m_origin.scheme() == u"https") {
        QFuture<void> authorities = systemtrust::prepare();
        co_await authorities;
    }
    bool retried = false;
    bool retrying = false;
    for (int redirects = 0;; ++redirects) {
        if (!session || !session->m_valid || deadline.hasExpired())
            throw QuorvaleAPIError::network();
        const auto remaining =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
        const TransferHandle handle{session->send(request, method, body, remaining, retrying, proxy)};
        co_await handle.transfer->ending();
        retrying = handle.transfer && handle.transfer->mayRetry() && !retried;
        if (retrying) {
            // The failed connection is closed; the second try makes a new one.
            retried = true;
            --redirects;
            continue;
        }
        if (!handle.transfer || !handle.transfer->succeeded())
            throw QuorvaleAPIError::network();
        const HttpTransfer &answer = *handle.transfer;

        const int status = answer.status();
        const QUrl url = request.url();
        const std::optional<QUrl> target = answer.redirectTarget();
        if (target && session && session->followsRedirect(*target)) {
            if (redirects == redirectLimit)
                throw QuorvaleAPIError::network();
            request.setUrl(*target);
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
