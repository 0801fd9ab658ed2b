#include "core/updates/keytext.h"

namespace quorvale {

namespace {

// Strict standard Base64: the alphabet only, padded to whole groups of four.
std::optional<QByteArray> strictBase64(const QString &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    for (const QChar c : text) {
        if (c.unicode() > 0x7f)
            return std::nullopt;
    }
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

} // namespace

std::optional<QByteArray> decodeKeyText(const QString &text, qsizetype size)
{
    const std::optional<QByteArray> bytes = strictBase64(text);
    if (!bytes || bytes->size() != size || QString::fromLatin1(bytes->toBase64()) != text)
        return std::nullopt;
    return bytes;
}

} // namespace quorvale
