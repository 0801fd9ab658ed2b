#include "platform/updates/folderlock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <utility>

namespace quorvale::updates {

std::optional<FolderLock> FolderLock::take(const QString &folder, Mode mode, bool wait)
{
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return std::nullopt;
    FolderLock lock(descriptor);
    const int operation = (mode == Mode::shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB);
    int result = 0;
    do
        result = ::flock(descriptor, operation);
    while (result != 0 && errno == EINTR);
    if (result != 0)
        return std::nullopt;
    return lock;
}

std::optional<FolderLock> FolderLock::takeFile(const QString &file, std::chrono::milliseconds wait,
                                               bool *unopened)
{
    if (unopened)
        *unopened = true;
    // Not blocking on open, so a pipe put in the file's place cannot hold the program.
    const int descriptor = ::open(QFile::encodeName(file).constData(),
                                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (descriptor < 0)
        return std::nullopt;
    FolderLock lock(descriptor);
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    if (unopened)
        *unopened = false;
    // flock cannot wait for a bounded time: it is asked again until the deadline.
    constexpr qint64 retry = 20;
    const QDeadlineTimer deadline(wait);
    while (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired())
            return std::nullopt;
        QThread::msleep(std::min(retry, deadline.remainingTime()));
    }
    return lock;
}

bool FolderLock::isFileHeld(const QString &file)
{
    const int descriptor =
        ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (descriptor < 0)
        return false;
    const FolderLock probe(descriptor);
    struct stat status = {};
    return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) &&
           ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

FolderLock::FolderLock(FolderLock &&other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1))
{}

FolderLock &FolderLock::operator=(FolderLock &&other) noexcept
{
    std::swap(m_descriptor, other.m_descriptor);
    return *this;
}

FolderLock::~FolderLock()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void FolderLock::share()
{
    ::flock(m_descriptor, LOCK_SH);
}

} // namespace quorvale::updates
