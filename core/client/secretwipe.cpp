#include "core/client/secretwipe.h"

#include <cstring>

namespace quorvale {

namespace {

template <typename Text> void overwrite(Text &text)
{
    // Literals live in read-only memory and own no heap block.
    if (text.data_ptr().isMutable())
        explicit_bzero(const_cast<void *>(static_cast<const void *>(text.constData())),
                       std::size_t(text.size()) * sizeof(*text.constData()));
    text = Text();
}

} // namespace

void wipe(QByteArray &bytes)
{
    overwrite(bytes);
}

void wipe(QString &text)
{
    overwrite(text);
}

} // namespace quorvale
