#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

namespace quorvale {

// Reads the "Date" field of an HTTP answer in its one usual form, "Sun, 06 Nov 1994 08:49:37 GMT"
// (English names, zone GMT or UTC). Any other form gives none.
std::optional<QDateTime> parseHttpDate(const QByteArray &field);

} // namespace quorvale
