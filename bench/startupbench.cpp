// Start to first frame and peak memory of the application's window against a bare Qt Widgets
// window built as its own program: pairs of fresh processes, bare and application in turn, so both
// meet the same machine state; the medians of the paired ratios are compared with the goals. The
// application as it was built before, with the web engine linked in and the shared graphics context
// made at start, is measured alongside.

#include "bench/firstframe.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTextStream>
#include <algorithm>

namespace {

using namespace quorvale::bench;

constexpr int pairs = 11;
constexpr double timeGoal = 1.5;
constexpr double memoryGoal = 2.0;

struct Start
{
    double ms = 0.0;
    double kib = 0.0;
};

Start startOnce(const QString &program)
{
    QProcess child;
    child.start(program, {QString::number(monotonicNanoseconds())});
    child.waitForFinished(120000);
    Start start;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("frame_ms "))
            start.ms = line.mid(9).toDouble();
        else if (line.startsWith("peak_kib "))
            start.kib = line.mid(9).toDouble();
    }
    return start;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0.0 : values.at(values.size() / 2);
}

void result(const QString &what, const QString &figure, double value, double goal)
{
    QTextStream(stdout) << "result: " << what << " | " << figure << " | at most " << goal << "x | "
                        << (value <= goal ? "holds" : "misses") << Qt::endl;
}

void compare(const QString &name, const QString &program, const QString &bare)
{
    QList<double> timeRatios, memoryRatios, times, memories, bareTimes, bareMemories;
    for (int pair = 0; pair < pairs; ++pair) {
        const Start base = startOnce(bare);
        const Start app = startOnce(program);
        if (base.ms <= 0.0 || app.ms <= 0.0 || base.kib <= 0.0 || app.kib <= 0.0)
            continue;
        timeRatios.append(app.ms / base.ms);
        memoryRatios.append(app.kib / base.kib);
        times.append(app.ms);
        memories.append(app.kib);
        bareTimes.append(base.ms);
        bareMemories.append(base.kib);
    }
    const double timeRatio = median(timeRatios);
    const double memoryRatio = median(memoryRatios);
    result(name + QStringLiteral(", start to first frame against a bare Qt window"),
           QStringLiteral("%1x (%2 ms against %3 ms, median of %4 pairs)")
               .arg(timeRatio, 0, 'f', 2)
               .arg(median(times), 0, 'f', 1)
               .arg(median(bareTimes), 0, 'f', 1)
               .arg(timeRatios.size()),
           timeRatio, timeGoal);
    result(name + QStringLiteral(", peak memory against a bare Qt window"),
           QStringLiteral("%1x (%2 MiB against %3 MiB)")
               .arg(memoryRatio, 0, 'f', 2)
               .arg(median(memories) / 1024.0, 0, 'f', 1)
               .arg(median(bareMemories) / 1024.0, 0, 'f', 1),
           memoryRatio, memoryGoal);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QDir here(QCoreApplication::applicationDirPath());
    const QString bare = here.filePath(QStringLiteral("startup_bare"));
    compare(QStringLiteral("application"), here.filePath(QStringLiteral("startup_app")), bare);
    compare(QStringLiteral("application with the web engine at start (as before)"),
            here.filePath(QStringLiteral("startup_eager")), bare);
    return 0;
}
