#pragma once

#include "core/client/httptransfer.h"
#include "platform/updates/updatefailure.h"

#include <QByteArray>
#include <QCoroTask>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QObject;

// HTTPS requests of the updater: its user agent, a limit on silence, the bounds of the request, and
// redirects only within the same scheme, host and port. They go through the program's one HTTP
// layer, on connections kept for the requests of the same context object.
namespace quorvale::updates {

struct TransferSettings
{
    QString userAgent;
    std::optional<QSslConfiguration> tls;
    // The desktop's proxy for the update host, asked once for a check.
    std::optional<QUrl> proxy;
    // The longest time for the whole transfer, its redirects included, if any.
    std::optional<std::chrono::milliseconds> total;
    // The slowest average rate the body may arrive at, if any.
    std::optional<HttpTransfer::Pace> slowest;
};

// The bounds of a check's transfers: the feed is small and bounded in whole time, the archive may
// be large on a slow line and is bounded by its rate.
struct TransferBounds
{
    std::chrono::milliseconds feed{30000};
    HttpTransfer::Pace archive{1024, std::chrono::seconds(60)};
};

// The body of a GET once it ended with HTTP 200, at most `limit` bytes of it; `grew` hears its size
// as it arrives. Throws `failure` when it did not or a bound ran out, `tooLarge` past the limit, and
// foreignRedirect for a redirect elsewhere.
QCoro::Task<QByteArray> transferBody(QObject *context, QUrl url, TransferSettings settings, qint64 limit,
                                     UpdateFailure failure, UpdateFailure tooLarge,
                                     std::function<void(qint64 received)> grew = {});

// The feed's bytes, at most `limit` of them. Throws UpdateFailure.
QCoro::Task<QByteArray> fetchFeed(QObject *context, QUrl url, TransferSettings settings, qint64 limit);

} // namespace quorvale::updates
