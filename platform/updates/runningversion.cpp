#include "platform/updates/runningversion.h"

#include "platform/updates/updatefailure.h"

namespace quorvale::updates {

RunningVersion::RunningVersion(const QString &executablePath)
    : m_installation(InstallFolder::containing(executablePath))
{
    if (!m_installation)
        return;
    m_hold = FolderLock::take(m_installation->runningFolder(), FolderLock::Mode::shared, true);
    try {
        m_installation->removeAbandoned();
    } catch (const UpdateFailure &) {
        // An installation this user cannot lock cannot be updated either; the program runs all the same.
    }
}

void RunningVersion::confirmStarted() const
{
    if (!m_installation)
        return;
    try {
        m_installation->makeRunningCurrent();
    } catch (const UpdateFailure &) {
        // The update that started this program tells the person that it did not take over.
    }
}

} // namespace quorvale::updates
