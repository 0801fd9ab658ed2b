#include "platform/updates/buildstamp.h"

namespace quorvale::updates {

namespace {

// Versions are short; a longer run after the prefix is not a stamp.
constexpr qsizetype longestVersion = 64;

} // namespace

QStringList stampedVersions(const QByteArray &file)
{
    const QByteArray prefix = QUORVALE_BUILD_STAMP_PREFIX;
    QStringList versions;
    for (qsizetype at = file.indexOf(prefix); at >= 0; at = file.indexOf(prefix, at + 1)) {
        const qsizetype start = at + prefix.size();
        const qsizetype end = file.indexOf('\0', start);
        if (end < 0 || end == start || end - start > longestVersion)
            continue;
        const QString version = QString::fromLatin1(file.mid(start, end - start));
        if (!versions.contains(version))
            versions.append(version);
    }
    return versions;
}

} // namespace quorvale::updates
