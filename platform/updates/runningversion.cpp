#include "platform/updates/runningversion.h"

#include "platform/updates/updatefailure.h"

namespace quorvale::updates {

RunningVersion::RunningVersion(const QString &executablePath)
    : m_installation(InstallFolder::containing(executablePath))
{
    if (!m_installation)
        return;
    // Held by someone else, the folder goes unheld: its removal waits for that holder as well.
    m_hold = FolderLock::take(m_installation->runningFolder(), FolderLock::Mode::shared, false);
    try {
        m_installation->removeAbandoned(std::chrono::milliseconds(0));
    } catch (const UpdateFailure &) {
        // Another program holds the installation, or this user cannot lock it: the tidying waits for a
        // later start, and the program runs all the same.
    }
}

std::optional<StartEvent> RunningVersion::makeCurrent(std::chrono::milliseconds wait) const
{
    if (!m_installation)
        return std::nullopt;
    return m_installation->makeRunningCurrent(wait);
}

} // namespace quorvale::updates
