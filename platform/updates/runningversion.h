#pragma once

#include "platform/updates/folderlock.h"
#include "platform/updates/installfolder.h"

#include <optional>

// The program's own part in its installation for as long as it runs: its version folder is held
// against removal by any copy's update, and once the program shows that it runs, a version newer than
// the current one becomes current. A program outside an installation does nothing here.
namespace quorvale::updates {

class RunningVersion
{
public:
    // Also removes what an interrupted unpacking left behind.
    explicit RunningVersion(const QString &executablePath);

    // Called once the program is up. An update that started it waits for this to end.
    void confirmStarted() const;

private:
    std::optional<InstallFolder> m_installation;
    std::optional<FolderLock> m_hold;
};

} // namespace quorvale::updates
