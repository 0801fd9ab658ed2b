#pragma once

#include "platform/updates/appcast.h"
#include "platform/updates/updatetransfer.h"

#include <QByteArray>
#include <QCoroTask>
#include <functional>

class QObject;

// The update's signed archive, downloaded and checked before anything is unpacked.
namespace quorvale::updates {

// An update holds the program and its web module; anything larger is not one of ours.
inline constexpr qint64 largestUpdate = qint64(1) << 30;

using Progress = std::function<void(qint64 received, qint64 total)>;

// The downloaded bytes once their length is the item's and their Ed25519 signature matches the key.
// The transfer goes on the connections of `context`. Throws UpdateFailure.
QCoro::Task<QByteArray> downloadEnclosure(QObject *context, AppcastItem item, QByteArray publicKey,
                                          TransferSettings settings, Progress progress);

} // namespace quorvale::updates
