#pragma once

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QString>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <ctime>
#include <malloc.h>
#include <unistd.h>

// What the benchmarks share: the process's processor time, the event loop's longest stall, the
// memory the process holds, a turn of the event loop, the median of repeated measurements, and the
// "result:" line that scripts/bench gathers.
namespace quorvale::bench {

// The longest a timer that asks to run every 2 ms ran late while it watched.
class StallWatch
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longestMs = std::max(m_longestMs, m_since.restart() - period); });
        m_since.start();
        m_timer.start(period);
    }
    qint64 longestMs() const { return m_longestMs; }

private:
    static constexpr int period = 2;
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longestMs = 0;
};

// Memory the process holds, after handing back to the system what its allocator keeps free.
inline double residentMb()
{
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? double(fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0)
                             : 0;
}

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
