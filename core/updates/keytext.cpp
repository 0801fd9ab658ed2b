#include "core/updates/keytext.h"

#include "core/base/base64.h"

namespace quorvale {

std::optional<QByteArray> decodeKeyText(const QString &text, qsizetype size)
{
    const std::optional<QByteArray> bytes = base64::decodeStrictly(text);
    if (!bytes || bytes->size() != size || QString::fromLatin1(bytes->toBase64()) != text)
        return std::nullopt;
    return bytes;
}

} // namespace quorvale
