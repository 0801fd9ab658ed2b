#include "platform/updates/updatetransfer.h"

#include "core/base/sameorigin.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>

namespace quorvale::updates {

namespace {

constexpr int silenceLimitMs = 30000;
const char *refusedRedirect = "quorvaleRefusedRedirect";

} // namespace

QNetworkReply *startTransfer(QNetworkAccessManager *manager, const QUrl &url,
                             const TransferSettings &settings)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, settings.userAgent);
    request.setTransferTimeout(silenceLimitMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    if (settings.tls)
        request.setSslConfiguration(*settings.tls);
    QNetworkReply *reply = manager->get(request);
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, url](const QUrl &target) {
        if (sameOrigin(url, target)) {
            emit reply->redirectAllowed();
        } else {
            reply->setProperty(refusedRedirect, true);
            reply->abort();
        }
    });
    return reply;
}

void checkTransfer(QNetworkReply *reply, const UpdateFailure &failure)
{
    if (reply->property(refusedRedirect).toBool())
        throw UpdateFailure::foreignRedirect();
    if (reply->error() != QNetworkReply::NoError ||
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        throw failure;
}

QCoro::Task<QByteArray> fetchFeed(QNetworkAccessManager *manager, QUrl url, TransferSettings settings,
                                  qint64 limit)
{
    if (url.scheme() != u"https")
        throw UpdateFailure::noFeed();
    const QPointer<QNetworkReply> reply = startTransfer(manager, url, settings);
    const auto release = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });
    bool tooLarge = false;
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                     [&tooLarge, limit, raw = reply.data()](qint64 received, qint64) {
                         if (received > limit && !tooLarge) {
                             tooLarge = true;
                             raw->abort();
                         }
                     });
    co_await reply.data();
    if (!reply || tooLarge)
        throw UpdateFailure::unreadableFeed();
    checkTransfer(reply, UpdateFailure::unreachable());
    co_return reply->readAll();
}

} // namespace quorvale::updates
