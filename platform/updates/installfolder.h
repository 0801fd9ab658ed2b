#pragma once

#include "platform/updates/updatearchive.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

// An installed program laid out for updates: each version in a folder of its own under one root
// (lib/quorvale/1.0.0/ holds the executable and the web module of 1.0.0), and the symbolic link
// "current" in the root naming the version that starts. A new version is unpacked beside the old one
// and made current by renaming one link, so the executable never meets another version's module.
namespace quorvale::updates {

// A version unpacked into a hidden folder of the root, not yet current. The folder is removed when the
// staged version is dropped uninstalled.
class StagedVersion
{
public:
    StagedVersion(std::unique_ptr<QTemporaryDir> folder, QString root, QString version, QString program,
                  QString running);

    QString version() const { return m_version; }
    // Gives the folder its version's name, makes it current with one atomic rename of the link and
    // removes versions no longer needed. The executable to start; throws UpdateFailure.
    QString install();

private:
    void removeOldVersions() const;

    std::unique_ptr<QTemporaryDir> m_folder;
    QString m_root;
    QString m_version;
    QString m_program;
    // The version folder this process runs from; kept until it ends.
    QString m_running;
};

class InstallFolder
{
public:
    // The installation whose version folder holds the executable; nothing when the program does not run
    // from one (a build tree, for instance).
    static std::optional<InstallFolder> containing(const QString &executablePath);

    QString root() const { return m_root; }
    // Writes every file of the archive, all closed again when this returns. Throws UpdateFailure when
    // the archive is for another version or lacks the program, or when the files cannot be written.
    std::unique_ptr<StagedVersion> stage(const UpdateArchive &archive, const QString &version) const;

private:
    InstallFolder(QString root, QString program, QString running);

    QString m_root;
    QString m_program;
    QString m_running;
};

} // namespace quorvale::updates
