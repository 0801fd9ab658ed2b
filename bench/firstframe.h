#pragma once

// What every program of the start-up benchmark does at its first painted frame: it prints the
// milliseconds since the driver started it (the driver passes its monotonic clock in nanoseconds as
// the first argument) and its peak resident memory in KiB, then quits.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTextStream>
#include <QTimer>
#include <time.h>

namespace quorvale::bench {

inline qint64 monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

inline qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

class FirstFrame : public QObject
{
public:
    explicit FirstFrame(qint64 startedNs)
        : m_started(startedNs)
    {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            const double ms = double(monotonicNanoseconds() - m_started) / 1e6;
            QTextStream(stdout) << "frame_ms " << ms << "\npeak_kib " << peakResidentKiB() << Qt::endl;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    qint64 m_started;
    bool m_seen = false;
};

inline qint64 startedAt(int argc, char *argv[])
{
    return argc > 1 ? QByteArray(argv[1]).toLongLong() : monotonicNanoseconds();
}

} // namespace quorvale::bench
