#pragma once

#include "platform/updates/appcast.h"
#include "platform/updates/updatetransfer.h"

#include <QCoroTask>
#include <QTemporaryFile>
#include <functional>
#include <memory>

class QNetworkAccessManager;

// The update's executable, downloaded into a temporary file beside the installed one (so the final
// rename stays on one file system) and checked before anything is replaced.
namespace quorvale::updates {

using Progress = std::function<void(qint64 received, qint64 total)>;

// The downloaded file once its length is the item's and its Ed25519 signature matches the key; it is
// removed again when the result is dropped. Throws UpdateFailure.
QCoro::Task<std::unique_ptr<QTemporaryFile>> downloadEnclosure(QNetworkAccessManager *manager, AppcastItem item,
                                                                 QByteArray publicKey, QString installedPath,
                                                                 TransferSettings settings, Progress progress);

// Puts the downloaded file in the installed executable's place in one atomic rename, keeping the
// installed file's permissions. False when nothing could be replaced.
bool replaceInstalled(QTemporaryFile &download, const QString &installedPath);

} // namespace quorvale::updates
