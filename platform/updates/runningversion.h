#pragma once

#include "platform/updates/folderlock.h"
#include "platform/updates/installfolder.h"

#include <chrono>
#include <optional>

// The program's own part in its installation for as long as it runs: its version folder is held
// against removal by any copy's update, and once the program shows that it runs, a version newer than
// the current one becomes current. A program outside an installation does nothing here. Nothing here
// waits for a lock at the start: what another program holds is left for later.
namespace quorvale::updates {

class RunningVersion
{
public:
    // Also removes what an interrupted unpacking left behind, when nobody holds the installation.
    explicit RunningVersion(const QString &executablePath);

    // Makes the version current when it is newer, waiting at most `wait` for the installation's lock:
    // why it could not, or nothing. Safe on any thread.
    std::optional<StartEvent> makeCurrent(std::chrono::milliseconds wait) const;

private:
    std::optional<InstallFolder> m_installation;
    std::optional<FolderLock> m_hold;
};

} // namespace quorvale::updates
