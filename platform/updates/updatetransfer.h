#pragma once

#include "platform/updates/updatefailure.h"

#include <QByteArray>
#include <QCoroTask>
#include <QSslConfiguration>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// HTTPS requests of the updater: its user agent, a timeout, and redirects only within the same
// scheme, host and port.
namespace quorvale::updates {

struct TransferSettings
{
    QString userAgent;
    std::optional<QSslConfiguration> tls;
};

// A started GET; the reply belongs to the caller.
QNetworkReply *startTransfer(QNetworkAccessManager *manager, const QUrl &url, const TransferSettings &settings);

// Throws `failure` unless the reply ended with HTTP 200; a refused redirect has its own failure.
void checkTransfer(QNetworkReply *reply, const UpdateFailure &failure);

// The feed's bytes, at most `limit` of them. Throws UpdateFailure.
QCoro::Task<QByteArray> fetchFeed(QNetworkAccessManager *manager, QUrl url, TransferSettings settings,
                                  qint64 limit);

} // namespace quorvale::updates
