#include "platform/updates/folderlock.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
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
