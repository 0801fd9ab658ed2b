#pragma once

#include <QEventLoop>
#include <QList>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <ctime>

// What the benchmarks share: the process's processor time, a turn of the event loop, the median of
// repeated measurements, and the "result:" line that scripts/bench gathers.
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

// The middle of the values; with none, not a number, so no goal holds for a figure never measured.
inline double median(QList<double> values)
{
    if (values.isEmpty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

inline void result(const QString &what, const QString &figure, const QString &goal, bool holds)
{
    QTextStream(stdout) << "result: " << what << " | " << figure << " | " << goal << " | "
                        << (holds ? "holds" : "misses") << Qt::endl;
}

} // namespace quorvale::bench
