// The update archive as it arrives in a download: whatever is accepted names only plain files, few
// of them, each once, and packs again into an archive that reads back the same.
#include "fuzz/fuzzinput.h"
#include "platform/updates/updatearchive.h"

#include <QRegularExpression>
#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    using namespace quorvale::updates;
    const std::optional<UpdateArchive> archive = unpackArchive(fuzz::bytesOf(data, size));
    if (!archive)
        return 0;
    static const QRegularExpression plain(QStringLiteral("\\A[A-Za-z0-9._+-]+\\z"));
    fuzz::require(archive->entries.size() <= qsizetype(maxArchiveEntries));
    QSet<QString> names;
    for (const ArchiveEntry &entry : archive->entries) {
        fuzz::require(plain.match(entry.name).hasMatch() && entry.name != u"." && entry.name != u"..");
        fuzz::require(!names.contains(entry.name));
        names.insert(entry.name);
    }
    fuzz::require(unpackArchive(packArchive(*archive)) == archive);
    return 0;
}
