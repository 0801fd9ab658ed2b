#include "platform/updates/updatetransfer.h"

#include "core/base/sameorigin.h"
#include "core/client/curlmulti.h"
#include "core/client/httptransfer.h"
#include "core/client/systemtrust.h"

#include <QCoroFuture>
#include <QDeadlineTimer>
#include <QPointer>
#include <QScopeGuard>
#include <chrono>

namespace quorvale::updates {

namespace {

constexpr std::chrono::milliseconds silenceLimit{30000};
// As many redirects as Qt's network access manager followed for the updater.
constexpr int redirectLimit = 50;

} // namespace

QCoro::Task<QByteArray> transferBody(QObject *context, QUrl url, TransferSettings settings, qint64 limit,
                                     UpdateFailure failure, UpdateFailure tooLarge,
                                     std::function<void(qint64 received)> grew)
{
    const QPointer<CurlMulti> connections = CurlMulti::of(context);
    const QDeadlineTimer deadline =
        settings.total ? QDeadlineTimer(*settings.total) : QDeadlineTimer(QDeadlineTimer::Forever);
    // Read off this thread: a check that comes first waits for them here rather than in libcurl.
    if (!settings.tls) {
        QFuture<void> authorities = systemtrust::prepare();
        co_await authorities;
    }
    for (int redirects = 0;; ++redirects) {
        if (!connections || deadline.hasExpired())
            throw failure;
        std::optional<std::chrono::milliseconds> remaining;
        if (settings.total)
            remaining =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline.remainingTimeAsDuration());
        HttpTransfer::Request request{
            url, "GET", {{"User-Agent", settings.userAgent.toUtf8()}}, std::nullopt, settings.proxy};
        const HttpTransfer::Limits limits{silenceLimit, remaining, limit, settings.tls, settings.slowest};
        const QPointer<HttpTransfer> transfer =
            new HttpTransfer(connections, std::move(request), limits, connections);
        const auto release = qScopeGuard([transfer] {
            if (transfer)
                transfer->deleteLater();
        });
        if (grew) {
            QObject::connect(transfer, &HttpTransfer::bodyGrew, transfer,
                             [&grew, raw = transfer.data()] { grew(raw->body().size()); });
        }
        transfer->start();
        co_await transfer->ending();
        if (!transfer)
            throw failure;
        if (transfer->outcome() == HttpTransfer::Outcome::TooLarge)
            throw tooLarge;
        if (!transfer->succeeded())
            throw failure;
        if (const std::optional<QUrl> target = transfer->redirectTarget()) {
            if (!sameOrigin(url, *target))
                throw UpdateFailure::foreignRedirect();
            if (redirects == redirectLimit)
                throw failure;
            url = *target;
            continue;
        }
        if (transfer->status() != 200)
            throw failure;
        co_return transfer->body();
    }
}

QCoro::Task<QByteArray> fetchFeed(QObject *context, QUrl url, TransferSettings settings, qint64 limit)
{
    if (url.scheme() != u"https")
        throw UpdateFailure::noFeed();
    // Arguments of an awaited call are named first: g++ 12 destroys temporaries made inside a
    // co_await expression twice.
    const UpdateFailure failure = UpdateFailure::unreachable();
    const UpdateFailure tooLarge = UpdateFailure::unreadableFeed();
    co_return co_await transferBody(context, url, settings, limit, failure, tooLarge);
}

} // namespace quorvale::updates
