#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace quorvale::base64 {

// Strict standard Base64: the alphabet only, padded to whole groups of four; no character is
// skipped, so white space, a missing pad or a pad inside the text is a failure.
std::optional<QByteArray> decodeStrictly(const QString &text);

} // namespace quorvale::base64
