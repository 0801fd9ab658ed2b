#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The Base64 texts of update keys and signatures.
namespace quorvale {

// The bytes of a key or signature of exactly `size` bytes written as canonical standard Base64:
// the alphabet only, no line breaks, padded, and re-encoding gives back the same text.
std::optional<QByteArray> decodeKeyText(const QString &text, qsizetype size);

} // namespace quorvale
