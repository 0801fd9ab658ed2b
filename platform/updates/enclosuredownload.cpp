#include "platform/updates/enclosuredownload.h"

#include "core/updates/keytext.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/updatefailure.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QScopeGuard>

namespace quorvale::updates {

QCoro::Task<QByteArray> downloadEnclosure(QNetworkAccessManager *manager, AppcastItem item,
                                          QByteArray publicKey, TransferSettings settings, Progress progress)
{
    if (item.length <= 0 || item.length > largestUpdate)
        throw UpdateFailure::wrongLength();
    const QPointer<QNetworkReply> reply = startTransfer(manager, item.url, settings);
    const auto release = qScopeGuard([reply] {
        if (reply)
            reply->deleteLater();
    });
    QByteArray received;
    received.reserve(item.length);
    bool overflow = false;
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [&, raw = reply.data()] {
        const QByteArray chunk = raw->readAll();
        if (received.size() + chunk.size() > item.length) {
            overflow = true;
            raw->abort();
            return;
        }
        received.append(chunk);
        if (progress)
            progress(received.size(), item.length);
    });
    co_await reply.data();
    if (!reply)
        throw UpdateFailure::downloadFailed();
    if (overflow)
        throw UpdateFailure::wrongLength();
    checkTransfer(reply, UpdateFailure::downloadFailed());
    if (received.size() != item.length)
        throw UpdateFailure::wrongLength();
    const std::optional<QByteArray> signature = decodeKeyText(item.edSignature, signatureSize);
    if (!signature || !verifyEd25519(received, *signature, publicKey))
        throw UpdateFailure::badSignature();
    co_return received;
}

} // namespace quorvale::updates
