#include "core/client/platformsession.h"

#include "core/base/sameorigin.h"
#include "core/client/quorvaleapierror.h"

#include <QCoroNetworkReply>
#include <QDeadlineTimer>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QTimer>
#include <memory>

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

// Hands a reply back to the event loop for deletion; the manager may have deleted it already.
struct ReplyHandle
{
    QPointer<QNetworkReply> reply;
    ~ReplyHandle()
    {
        if (reply)
            reply->deleteLater();
    }
};

// An answer that did not arrive whole: no status at all, or a failure of the connection or the
// protocol after the status. Errors that merely restate a 4xx or 5xx status are judged by the status.
bool arrivedBroken(const QNetworkReply &reply)
{
    if (!reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return true;
    const QNetworkReply::NetworkError error = reply.error();
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied) ||
           error == QNetworkReply::ProtocolFailure;
}

// Qt drops every field of a header block beyond its limits and then waits for a body of unknown
// length until the silence limit. The platform always sends fields, so such an answer ends at once.
bool lostItsHeaders(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
           reply.rawHeaderPairs().isEmpty();
}

bool beyondLimit(qint64 bytes)
{
    return bytes > PlatformSession::answerLimit;
}

// Takes an answer's body off the reply as it arrives, so that the reply buffers little however fast
// the bytes come, and cuts the answer off as soon as its declared length or the bytes received pass
// the limit: memory stays bounded while it arrives.
std::shared_ptr<QByteArray> collectBody(QNetworkReply *reply)
{
    constexpr qint64 chunk = 256 * 1024;
    auto body = std::make_shared<QByteArray>();
    reply->setReadBufferSize(chunk);
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [reply] {
        const QVariant declared = reply->header(QNetworkRequest::ContentLengthHeader);
        if (lostItsHeaders(*reply) || (declared.isValid() && beyondLimit(declared.toLongLong())))
            reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body] {
        body->append(reply->readAll());
        if (beyondLimit(body->size()))
            reply->abort();
    });
    return body;
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
    , m_manager(new QNetworkAccessManager(this))
    , m_cookies(new SessionCookieJar(m_manager))
{
    m_manager->setCookieJar(m_cookies);
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

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
    QList<QPointer<QNetworkReply>> outstanding;
    for (QNetworkReply *reply : m_manager->findChildren<QNetworkReply *>())
        outstanding.append(reply);
    // Aborting resumes each waiting request at once; that code may start new work, which by now
    // goes to whatever session replaced this one.
    for (const QPointer<QNetworkReply> &reply : outstanding) {
        if (reply && !reply->isFinished())
            reply->abort();
    }
}

bool PlatformSession::followsRedirect(const QUrl &target) const
{
    return target.isValid() && sameOrigin(target, m_origin);
}

QNetworkReply *PlatformSession::send(const QNetworkRequest &request, const QByteArray &method,
                                     const std::optional<QByteArray> &body,
                                     std::chrono::milliseconds remaining)
{
    QNetworkRequest prepared = request;
    prepared.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    prepared.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    prepared.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    prepared.setTransferTimeout(int(m_settings.requestTimeout.count()));
    if (m_settings.tls)
        prepared.setSslConfiguration(*m_settings.tls);
    QNetworkReply *reply = body ? m_manager->sendCustomRequest(prepared, method, *body)
                                : m_manager->sendCustomRequest(prepared, method);
    // A child of the reply, stopped when the reply finishes: a timer of its own would stay armed
    // for the rest of the time limit after the reply is gone.
    auto *limit = new QTimer(reply);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::finished, limit, &QTimer::stop);
    limit->start(remaining);
    return reply;
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
        const ReplyHandle handle{session->send(request, method, body, remaining)};
        const std::shared_ptr<QByteArray> received = collectBody(handle.reply);
        QNetworkReply *reply = co_await handle.reply.data();
        if (!reply || arrivedBroken(*reply))
            throw QuorvaleAPIError::network();
        received->append(reply->readAll());
        if (beyondLimit(received->size()))
            throw QuorvaleAPIError::network();

        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QUrl url = reply->url();
        const QUrl location(QString::fromUtf8(reply->rawHeader("Location")), QUrl::StrictMode);
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
        co_return PlatformAnswer{status, url, *received, reply->rawHeader("Date")};
    }
}

} // namespace quorvale
