#include "platform/updates/enclosuredownload.h"

#include "core/updates/keytext.h"
#include "platform/updates/ed25519.h"
#include "platform/updates/updatefailure.h"

namespace quorvale::updates {

QCoro::Task<QByteArray> downloadEnclosure(QObject *context, AppcastItem item, QByteArray publicKey,
                                          TransferSettings settings, Progress progress)
{
    if (item.length <= 0 || item.length > largestUpdate)
        throw UpdateFailure::wrongLength();
    const qint64 length = item.length;
    // Arguments of an awaited call are named first: g++ 12 destroys temporaries made inside a
    // co_await expression twice.
    const UpdateFailure failure = UpdateFailure::downloadFailed();
    const UpdateFailure tooLarge = UpdateFailure::wrongLength();
    const std::function<void(qint64)> grew = [&progress, length](qint64 received) {
        if (progress)
            progress(received, length);
    };
    const QByteArray received =
        co_await transferBody(context, item.url, settings, length, failure, tooLarge, grew);
    if (received.size() != item.length)
        throw UpdateFailure::wrongLength();
    const std::optional<QByteArray> signature = decodeKeyText(item.edSignature, signatureSize);
    if (!signature || !verifyEd25519(received, *signature, publicKey))
        throw UpdateFailure::badSignature();
    co_return received;
}

} // namespace quorvale::updates
