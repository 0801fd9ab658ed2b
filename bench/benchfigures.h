#pragma once

#include <QEventLoop>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <ctime>

// What the benchmarks share: the process's processor time, a turn of the event loop, and the
// "result:" line that scripts/bench gathers.
namespace quorvale::bench {

// Processor time of every thread of the process so far.
inline double processMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

inline void runLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void result(const QString &what, const QString &figure, const QString &goal, bool holds)
{
    QTextStream(stdout) << "result: " << what << " | " << figure << " | " << goal << " | "
                        << (holds ? "holds" : "misses") << Qt::endl;
}

} // namespace quorvale::bench
