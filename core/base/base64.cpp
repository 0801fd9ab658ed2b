#include "core/base/base64.h"

#include <algorithm>

namespace quorvale::base64 {

std::optional<QByteArray> decodeStrictly(const QString &text)
{
    if (text.size() % 4 != 0)
        return std::nullopt;
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() > 0x7f; }))
        return std::nullopt;
    // Decoded in place: a body of a capture can be megabytes long.
    auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return std::move(*decoded);
}

} // namespace quorvale::base64
