// The appcast as it arrives: every item read is complete, and the update chosen from them is newer
// than the running version and the newest of them.
#include "fuzz/fuzzinput.h"
#include "platform/updates/appcast.h"
#include "platform/updates/bundleversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    using namespace quorvale::updates;
    const std::optional<QList<AppcastItem>> items = parseAppcast(fuzz::bytesOf(data, size));
    if (!items)
        return 0;
    for (const AppcastItem &item : *items) {
        fuzz::require(!item.version.isEmpty() && !item.url.host().isEmpty() && item.length > 0 &&
                      !item.edSignature.isEmpty());
    }
    const QString running = QStringLiteral("1.0.0");
    if (const std::optional<AppcastItem> newest = newestUpdate(*items, running)) {
        fuzz::require(compareVersions(newest->version, running).value_or(0) > 0);
        for (const AppcastItem &item : *items)
            fuzz::require(compareVersions(item.version, newest->version).value_or(0) <= 0);
    }
    return 0;
}
