#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QUrl>

namespace quorvale {

// Judges one HTTP answer of the platform: its status, the page it ended on and the envelope in its
// body. Returns the whole envelope when its "state" is 0; otherwise throws QuorvaleAPIError.
QJsonObject readEnvelope(int status, const QUrl &finalUrl, const QString &platformHost,
                         const QByteArray &body);

} // namespace quorvale
