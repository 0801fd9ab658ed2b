#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// An update as one signed file: the version it installs and every file the program loads at run
// time, unpacked side by side into one folder. The format is our own: a marker line, then the
// version and the files through QDataStream (Qt 6.4 encoding).
namespace quorvale::updates {

struct ArchiveEntry
{
    // A plain file name: letters, digits, ".", "_", "+" and "-", never "." or "..".
    QString name;
    bool executable = false;
    QByteArray bytes;

    bool operator==(const ArchiveEntry &) const = default;
};

struct UpdateArchive
{
    QString version;
    QList<ArchiveEntry> entries;

    bool operator==(const UpdateArchive &) const = default;
};

// A version folder holds the program and its web module; an archive of more files is not one of ours.
constexpr quint32 maxArchiveEntries = 16;

QByteArray packArchive(const UpdateArchive &archive);

// Nothing when the bytes are not a complete archive, a name is not a plain file name, a name occurs
// twice, or the archive holds more than maxArchiveEntries files.
std::optional<UpdateArchive> unpackArchive(const QByteArray &bytes);

} // namespace quorvale::updates
