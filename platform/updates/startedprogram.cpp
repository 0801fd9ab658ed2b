#include "platform/updates/startedprogram.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>

namespace quorvale::updates {

namespace {

std::optional<StartedProgram::End> reap(pid_t process, int options)
{
    int status = 0;
    pid_t reaped = 0;
    do
        reaped = ::waitpid(process, &status, options);
    while (reaped < 0 && errno == EINTR);
    if (reaped == 0)
        return std::nullopt;
    // Not a child any more (reaped elsewhere): how it ended is unknown, so nothing vouches for it.
    if (reaped < 0)
        return StartedProgram::End::failed;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return StartedProgram::End::exited;
    const bool closed = WIFSIGNALED(status) &&
                        (WTERMSIG(status) == SIGTERM || WTERMSIG(status) == SIGHUP || WTERMSIG(status) == SIGINT);
    return closed ? StartedProgram::End::closed : StartedProgram::End::failed;
}

} // namespace

std::optional<StartedProgram::End> StartedProgram::ended()
{
    if (!m_end)
        m_end = reap(m_process, WNOHANG);
    return m_end;
}

void StartedProgram::end()
{
    if (ended())
        return;
    ::kill(m_process, SIGKILL);
    m_end = reap(m_process, 0);
}

} // namespace quorvale::updates
