#include "platform/updates/updatearchive.h"

#include <QDataStream>
#include <QIODevice>
#include <QRegularExpression>
#include <QSet>

namespace quorvale::updates {

namespace {

const QByteArray marker = "quorvale-update 1\n";
constexpr QDataStream::Version encoding = QDataStream::Qt_6_4;

bool plainName(const QString &name)
{
    // Anchored as a whole: "$" alone also matches before a final line break.
    static const QRegularExpression allowed(
        QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z0-9._+-]{1,255}")));
    return name != u"." && name != u".." && allowed.match(name).hasMatch();
}

} // namespace

QByteArray packArchive(const UpdateArchive &archive)
{
    QByteArray bytes = marker;
    QDataStream out(&bytes, QIODevice::WriteOnly | QIODevice::Append);
    out.setVersion(encoding);
    out << archive.version << quint32(archive.entries.size());
    for (const ArchiveEntry &entry : archive.entries)
        out << entry.name << entry.executable << entry.bytes;
    return bytes;
}

std::optional<UpdateArchive> unpackArchive(const QByteArray &bytes)
{
    if (!bytes.startsWith(marker))
        return std::nullopt;
    // The stream shares the bytes instead of copying them.
    QDataStream in(bytes);
    in.setVersion(encoding);
    in.skipRawData(int(marker.size()));
    UpdateArchive archive;
    quint32 count = 0;
    in >> archive.version >> count;
    if (count > maxArchiveEntries)
        return std::nullopt;
    QSet<QString> names;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        ArchiveEntry entry;
        in >> entry.name >> entry.executable >> entry.bytes;
        if (in.status() != QDataStream::Ok || !plainName(entry.name) || names.contains(entry.name))
            return std::nullopt;
        names.insert(entry.name);
        archive.entries.append(entry);
    }
    if (in.status() != QDataStream::Ok || !in.atEnd())
        return std::nullopt;
    return archive;
}

} // namespace quorvale::updates
