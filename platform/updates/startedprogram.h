#pragma once

#include <QtGlobal>
#include <optional>
#include <sys/types.h>

// The program an update started, a child of this process. Its id stays its own until it is reaped
// here, so it is signalled only before that: once reaped, the id may already name another process.
namespace quorvale::updates {

class StartedProgram
{
public:
    enum class End
    {
        // It exited with status 0.
        exited,
        // A signal that asks a program to end ended it, as the desktop sends when a session ends: no
        // fault of the program.
        closed,
        // Another signal ended it, or it exited with an error.
        failed
    };

    explicit StartedProgram(qint64 process)
        : m_process(pid_t(process))
    {}

    // How it ended, reaping it the first time; nothing while it runs.
    std::optional<End> ended();
    // Kills it unless it has ended, and reaps it.
    void end();

private:
    pid_t m_process;
    std::optional<End> m_end;
};

} // namespace quorvale::updates
