#pragma once

#include "platform/updates/folderlock.h"
#include "platform/updates/startreport.h"
#include "platform/updates/updatearchive.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// An installed program laid out for updates: each version in a folder of its own under one root
// (lib/quorvale/1.0.0/ holds the executable and the web module of 1.0.0), and the symbolic link
// "current" in the root naming the version that starts. A new version is unpacked beside the old one
// and made current by renaming one link, so the executable never meets another version's module.
// Several copies of the program may run from one installation: `current` only ever moves to a newer
// version, decided under the lock of the root's owner-only file ".lock", and each copy holds its own
// version folder against removal.
namespace quorvale::updates {

// A version unpacked into a hidden folder of the root, locked while it is written and until it is
// placed, not yet current. The folder is removed when the staged version is dropped unplaced.
class StagedVersion
{
public:
    StagedVersion(std::unique_ptr<QTemporaryDir> folder, FolderLock lock, QString root, QString version,
                  QString program);
    StagedVersion(const StagedVersion &) = delete;
    StagedVersion &operator=(const StagedVersion &) = delete;
    ~StagedVersion();

    QString version() const { return m_version; }
    // Gives the folder its version's name beside the current version, still held against removal while
    // this object lives, and marked as this copy's while the program started from there proves itself.
    // `current` moves only once that program shows that it runs. The executable to start; throws
    // UpdateFailure, also when `current` already names this version or a newer one, when another copy
    // placed this version and its program has not yet taken over, or when another program holds a
    // folder of this version left from before.
    QString install();
    // The version `current` names.
    QString current() const;

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    FolderLock m_lock;
    QString m_root;
    QString m_version;
    QString m_program;
    // The placed folder's owner-only proof file, locked while this object lives.
    QString m_proofFile;
    std::optional<FolderLock> m_proof;
};

class InstallFolder
{
public:
    // The installation whose version folder holds the executable; nothing when the program does not run
    // from one (a build tree, for instance).
    static std::optional<InstallFolder> containing(const QString &executablePath);

    // How long an update waits for the installation's lock before it gives up.
    static constexpr std::chrono::seconds lockBound{10};

    QString root() const { return m_root; }
    // The version `current` names; empty when `current` is damaged.
    QString current() const;
    // Whether this user can update the installation: the root and its lock file can be written.
    bool writable() const;
    // The folder of the version the program runs from.
    QString runningFolder() const;
    // Writes every file of the archive, all closed again when this returns. Throws UpdateFailure when
    // the archive is for another version or lacks the program, or when the files cannot be written.
    std::unique_ptr<StagedVersion> stage(const UpdateArchive &archive, const QString &version) const;
    // Makes the running version current when it is newer than the one `current` names or `current` is
    // damaged, then removes the versions older than the current one and the proof marks that no program
    // holds. Waits at most `wait` for the installation's lock; tells why `current` was not moved, nothing
    // when all went well.
    std::optional<StartEvent> makeRunningCurrent(std::chrono::milliseconds wait) const;
    // Removes the hidden folders of unpackings that were interrupted and that nobody writes any more, and
    // the proof marks of copies that ended before their program's proof did. Throws UpdateFailure when
    // the installation's lock is not had within `wait`.
    void removeAbandoned(std::chrono::milliseconds wait) const;

private:
    InstallFolder(QString root, QString program, QString running);

    QString m_root;
    QString m_program;
    QString m_running;
};

} // namespace quorvale::updates
