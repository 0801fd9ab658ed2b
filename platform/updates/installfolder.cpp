#include "platform/updates/installfolder.h"

#include "platform/updates/bundleversion.h"
#include "platform/updates/updatefailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace quorvale::updates {

namespace {

const QString currentLink = QStringLiteral("current");

std::filesystem::path native(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

UpdateFailure writeFailure(int error)
{
    return error == ENOSPC || error == EDQUOT ? UpdateFailure::noSpace() : UpdateFailure::notWritable();
}

const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
const QFile::Permissions runnable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

void writeEntry(const QString &path, const ArchiveEntry &entry)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw UpdateFailure::notWritable();
    // Space is claimed before anything is written, so a full disk is told as such.
    if (!entry.bytes.isEmpty()) {
        if (const int error = ::posix_fallocate(file.handle(), 0, off_t(entry.bytes.size())))
            throw writeFailure(error);
    }
    if (file.write(entry.bytes) != entry.bytes.size() || !file.flush() || ::fsync(file.handle()) != 0)
        throw UpdateFailure::notWritable();
    if (!file.setPermissions(entry.executable ? readable | runnable : readable))
        throw UpdateFailure::notWritable();
    // Closed here: Linux refuses to start a file that is still open for writing.
    file.close();
}

} // namespace

InstallFolder::InstallFolder(QString root, QString program, QString running)
    : m_root(std::move(root))
    , m_program(std::move(program))
    , m_running(std::move(running))
{}

std::optional<InstallFolder> InstallFolder::containing(const QString &executablePath)
{
    const QFileInfo executable(executablePath);
    const QDir versionFolder = executable.absoluteDir();
    const QString root = QFileInfo(versionFolder.absolutePath()).absolutePath();
    if (!QFileInfo(QDir(root).filePath(currentLink)).isSymLink())
        return std::nullopt;
    return InstallFolder(root, executable.fileName(), versionFolder.dirName());
}

std::unique_ptr<StagedVersion> InstallFolder::stage(const UpdateArchive &archive,
                                                    const QString &version) const
{
    if (archive.version != version || !compareVersions(version, version))
        throw UpdateFailure::otherVersion();
    const bool hasProgram =
        std::any_of(archive.entries.begin(), archive.entries.end(),
                    [this](const auto &entry) { return entry.name == m_program && entry.executable; });
    if (!hasProgram)
        throw UpdateFailure::incompleteUpdate();
    auto folder = std::make_unique<QTemporaryDir>(QDir(m_root).filePath(QStringLiteral(".incoming-XXXXXX")));
    // A temporary folder is its owner's alone; a version folder is open to every user, as installed.
    if (!folder->isValid() || !QFile::setPermissions(folder->path(), readable | runnable))
        throw UpdateFailure::notWritable();
    for (const ArchiveEntry &entry : archive.entries)
        writeEntry(folder->filePath(entry.name), entry);
    return std::make_unique<StagedVersion>(std::move(folder), m_root, version, m_program, m_running);
}

StagedVersion::StagedVersion(std::unique_ptr<QTemporaryDir> folder, QString root, QString version,
                             QString program, QString running)
    : m_folder(std::move(folder))
    , m_root(std::move(root))
    , m_version(std::move(version))
    , m_program(std::move(program))
    , m_running(std::move(running))
{}

QString StagedVersion::install()
{
    const QDir root(m_root);
    const QString target = root.filePath(m_version);
    const QString link = root.filePath(currentLink);
    std::error_code error;
    // A folder of this version that is not current is left from an earlier attempt: this one replaces it.
    const QString installed = QFileInfo(target).canonicalFilePath();
    if (installed.isEmpty() || QFileInfo(link).canonicalFilePath() != installed) {
        std::filesystem::remove_all(native(target), error);
        std::filesystem::rename(native(m_folder->path()), native(target), error);
        if (error)
            throw UpdateFailure::notReplaced();
    }
    const QString newLink = root.filePath(QStringLiteral(".current.new"));
    std::filesystem::remove(native(newLink), error);
    std::filesystem::create_symlink(native(m_version), native(newLink), error);
    if (!error)
        std::filesystem::rename(native(newLink), native(link), error);
    if (error)
        throw UpdateFailure::notReplaced();
    removeOldVersions();
    return QDir(target).filePath(m_program);
}

void StagedVersion::removeOldVersions() const
{
    const QDir root(m_root);
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        if (name != m_version && name != m_running && compareVersions(name, name)) {
            std::error_code ignored;
            std::filesystem::remove_all(native(root.filePath(name)), ignored);
        }
    }
}

} // namespace quorvale::updates
