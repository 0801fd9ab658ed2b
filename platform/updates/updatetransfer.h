#pragma once

#include "platform/updates/updatefailure.h"

#include <QByteArray>
#include <QCoroTask>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

class QObject;

// HTTPS requests of the updater: its user agent, a limit on silence, and redirects only within the
// same scheme, host and port. They go through the program's one HTTP layer, on connections kept for
// the requests of the same context object.
namespace quorvale::updates {

struct TransferSettings
{
    QString userAgent;
    std::optional<QSslConfiguration> tls;
};

// The body of a GET once it ended with HTTP 200, at most `limit` bytes of it; `grew` hears its size
// as it arrives. Throws `failure` when it did not, `tooLarge` past the limit, and foreignRedirect
// for a redirect elsewhere.
QCoro::Task<QByteArray> transferBody(QObject *context, QUrl url, TransferSettings settings, qint64 limit,
                                     UpdateFailure failure, UpdateFailure tooLarge,
                                     std::function<void(qint64 received)> grew = {});

// The feed's bytes, at most `limit` of them. Throws UpdateFailure.
QCoro::Task<QByteArray> fetchFeed(QObject *context, QUrl url, TransferSettings settings, qint64 limit);

} // namespace quorvale::updates
