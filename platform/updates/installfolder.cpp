#include "platform/updates/installfolder.h"

#include "platform/updates/bundleversion.h"
#include "platform/updates/updatefailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace quorvale::updates {

namespace {

const QString currentLink = QStringLiteral("current");
const QString incomingPrefix = QStringLiteral(".incoming-");
const QString lockFile = QStringLiteral(".lock");
// Held by the copy that placed a version while the program it started there proves itself; only the
// installation's owner can open it, so no other user's program passes for that copy.
const QString proofFile = QStringLiteral(".proof");

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

// Every decision about `current` and about which folders stay is taken under this lock, so two copies
// of the program updating at once never undo each other. `unopened` tells a lock file that this user
// cannot open, which no wait helps, from one held by another program.
std::optional<FolderLock> tryLockInstallation(const QString &root, std::chrono::milliseconds wait,
                                              bool *unopened = nullptr)
{
    return FolderLock::takeFile(QDir(root).filePath(lockFile), wait, unopened);
}

FolderLock lockInstallation(const QString &root, std::chrono::milliseconds wait = InstallFolder::lockBound)
{
    bool unopened = false;
    std::optional<FolderLock> lock = tryLockInstallation(root, wait, &unopened);
    if (!lock)
        throw unopened ? UpdateFailure::notWritable() : UpdateFailure::notReplaced();
    return std::move(*lock);
}

bool isVersion(const QString &name)
{
    return compareVersions(name, name).has_value();
}

// The version `current` names; empty when it is damaged: a link to nothing or to something other than
// a version folder of the root, or a real file or folder in its place. An update replaces it then.
QString currentVersion(const QString &root)
{
    std::error_code error;
    const std::filesystem::path target =
        std::filesystem::read_symlink(native(QDir(root).filePath(currentLink)), error);
    const QString version = error ? QString() : QFile::decodeName(target.c_str());
    const QFileInfo folder(QDir(root).filePath(version));
    return isVersion(version) && folder.isDir() && !folder.isSymLink() ? version : QString();
}

// Negative, zero or positive as `version` is older than, the same as or newer than the current one;
// nothing when either is not a version.
std::optional<int> againstCurrent(const QString &root, const QString &version)
{
    return compareVersions(version, currentVersion(root));
}

// Whether `version` is to become current: it is newer than the current one, or `current` is damaged.
bool replacesCurrent(const QString &root, const QString &version)
{
    if (!isVersion(version))
        return false;
    const QString current = currentVersion(root);
    return current.isEmpty() || compareVersions(version, current) > 0;
}

// Removes the folder unless a program holds it: one that runs from it, or one still writing it. False
// when one does.
bool removeUnheld(const QString &folder)
{
    if (!QFileInfo::exists(folder))
        return true;
    const std::optional<FolderLock> lock = FolderLock::take(folder, FolderLock::Mode::exclusive, false);
    if (!lock)
        return false;
    std::error_code ignored;
    std::filesystem::remove_all(native(folder), ignored);
    return true;
}

// Only versions older than the current one go: never the current one, nor a newer one that a program
// just started from it has still to make current.
void removeOldVersions(const QString &root)
{
    const QDir folder(root);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const std::optional<int> order = againstCurrent(root, name);
        if (order && *order < 0)
            removeUnheld(folder.filePath(name));
    }
}

// A proof mark that no copy holds any more was left by a copy that ended before the program it started
// finished its proof. Removed only under the installation's lock, under which alone one is taken.
void removeUnheldProofs(const QString &root)
{
    const QDir folder(root);
    for (const QString &name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
        const QString proof = QDir(folder.filePath(name)).filePath(proofFile);
        if (QFileInfo::exists(proof) && !FolderLock::isFileHeld(proof))
            QFile::remove(proof);
    }
}

// Moves a real folder standing where the link `current` belongs out of its way, as an interrupted
// unpacking's: it goes at once unless a program holds it, otherwise on a later start.
std::error_code clearCurrentLink(const QString &root)
{
    const QString link = QDir(root).filePath(currentLink);
    const QFileInfo found(link);
    std::error_code error;
    if (found.isSymLink() || !found.isDir())
        return error;
    QByteArray aside = QFile::encodeName(QDir(root).filePath(incomingPrefix + QStringLiteral("XXXXXX")));
    if (!::mkdtemp(aside.data()))
        return std::error_code(errno, std::generic_category());
    std::filesystem::rename(native(link), std::filesystem::path(aside.toStdString()), error);
    if (!error)
        removeUnheld(QFile::decodeName(aside));
    return error;
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
    // An installation is known by its link `current`, or, should that be damaged, by its lock file beside
    // the version folder the program runs from.
    const QFileInfo lock(QDir(root).filePath(lockFile));
    const bool ours = QFileInfo(QDir(root).filePath(currentLink)).isSymLink() ||
                      (lock.isFile() && !lock.isSymLink() && isVersion(versionFolder.dirName()));
    if (!ours)
        return std::nullopt;
    return InstallFolder(root, executable.fileName(), versionFolder.dirName());
}

QString InstallFolder::current() const
{
    return currentVersion(m_root);
}

bool InstallFolder::writable() const
{
    // A missing lock file is made on first use, in the root that must be writable anyway.
    const QByteArray lock = QFile::encodeName(QDir(m_root).filePath(lockFile));
    return ::access(QFile::encodeName(m_root).constData(), W_OK | X_OK) == 0 &&
           (::access(lock.constData(), R_OK | W_OK) == 0 || errno == ENOENT);
}

QString InstallFolder::runningFolder() const
{
    return QDir(m_root).filePath(m_running);
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
    removeAbandoned(lockBound);
    std::unique_ptr<QTemporaryDir> folder;
    std::optional<FolderLock> writing;
    {
        // Made and locked in one step, so no other copy takes it for an abandoned one.
        const FolderLock installation = lockInstallation(m_root);
        folder =
            std::make_unique<QTemporaryDir>(QDir(m_root).filePath(incomingPrefix + QStringLiteral("XXXXXX")));
        if (folder->isValid())
            writing = FolderLock::take(folder->path(), FolderLock::Mode::exclusive, false);
    }
    // A temporary folder is its owner's alone; a version folder is open to every user, as installed.
    if (!writing || !QFile::setPermissions(folder->path(), readable | runnable))
        throw UpdateFailure::notWritable();
    for (const ArchiveEntry &entry : archive.entries)
        writeEntry(folder->filePath(entry.name), entry);
    return std::make_unique<StagedVersion>(std::move(folder), std::move(*writing), m_root, version,
                                           m_program);
}

std::optional<StartEvent> InstallFolder::makeRunningCurrent(std::chrono::milliseconds wait) const
{
    bool unopened = false;
    const std::optional<FolderLock> installation = tryLockInstallation(m_root, wait, &unopened);
    if (!installation)
        return unopened ? StartEvent::notWritable : StartEvent::busy;
    if (replacesCurrent(m_root, m_running)) {
        const QDir root(m_root);
        const QString newLink = root.filePath(QStringLiteral(".current.new"));
        std::error_code error;
        std::filesystem::remove(native(newLink), error);
        std::filesystem::create_symlink(native(m_running), native(newLink), error);
        if (!error)
            error = clearCurrentLink(m_root);
        if (!error)
            std::filesystem::rename(native(newLink), native(root.filePath(currentLink)), error);
        if (error) {
            const int code = error.value();
            return code == ENOSPC || code == EDQUOT ? StartEvent::noSpace : StartEvent::notWritable;
        }
    }
    removeOldVersions(m_root);
    removeUnheldProofs(m_root);
    return std::nullopt;
}

void InstallFolder::removeAbandoned(std::chrono::milliseconds wait) const
{
    const FolderLock installation = lockInstallation(m_root, wait);
    const QDir root(m_root);
    const QStringList pattern{incomingPrefix + u'*'};
    for (const QString &name : root.entryList(pattern, QDir::Dirs | QDir::Hidden | QDir::NoSymLinks))
        removeUnheld(root.filePath(name));
    removeUnheldProofs(m_root);
}

StagedVersion::StagedVersion(std::unique_ptr<QTemporaryDir> folder, FolderLock lock, QString root,
                             QString version, QString program)
    : m_folder(std::move(folder))
    , m_lock(std::move(lock))
    , m_root(std::move(root))
    , m_version(std::move(version))
    , m_program(std::move(program))
{}

QString StagedVersion::install()
{
    const FolderLock installation = lockInstallation(m_root);
    if (!replacesCurrent(m_root, m_version))
        throw UpdateFailure::newerInstalled(currentVersion(m_root));
    // A folder of this version is left from an attempt whose program did not take over: this one
    // replaces it. Held, it is either another copy's that placed the same version and whose program
    // still proves itself, or in the hands of some other program; once let go, it is replaced.
    const QString target = QDir(m_root).filePath(m_version);
    if (!removeUnheld(target)) {
        if (FolderLock::isFileHeld(QDir(target).filePath(proofFile)))
            throw UpdateFailure::installingElsewhere();
        throw UpdateFailure::versionFolderHeld(m_version);
    }
    std::error_code error;
    std::filesystem::rename(native(m_folder->path()), native(target), error);
    if (error)
        throw UpdateFailure::notReplaced();
    m_lock.share();
    m_proofFile = QDir(target).filePath(proofFile);
    m_proof = FolderLock::takeFile(m_proofFile, std::chrono::milliseconds(0));
    return QDir(target).filePath(m_program);
}

StagedVersion::~StagedVersion()
{
    // The proof is over, whatever came of it: the mark goes before its lock is let go.
    if (m_proof)
        QFile::remove(m_proofFile);
}

QString StagedVersion::current() const
{
    return currentVersion(m_root);
}

} // namespace quorvale::updates
