// The rest benchmark's baseline: a Qt Widgets window of the application's size whose one line of
// text follows the clock on the application's 15-second tick, built as its own program that links
// Qt Widgets only. Arguments: how long to settle and how long to measure, in milliseconds. It prints
// the processor time it spent per minute of the measurement, then quits.

#include "bench/benchfigures.h"

#include <QApplication>
#include <QLabel>
#include <QTextStream>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

using namespace quorvale::bench;

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 3)
        return 2;
    const int settleMs = arguments.at(1).toInt();
    const int measuredMs = arguments.at(2).toInt();
    if (settleMs < 0 || measuredMs <= 0)
        return 2;

    QWidget window;
    auto *line = new QLabel(&window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(line, 0, Qt::AlignCenter);
    const auto showTime = [line] {
        line->setText(QStringLiteral("现在 %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    };
    showTime();
    window.resize(1200, 850);
    window.show();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, showTime);
    tick.start(15000);

    runLoop(settleMs);
    const double before = processMs();
    runLoop(measuredMs);
    const double perMinute = (processMs() - before) * 60000.0 / measuredMs;
    QTextStream(stdout) << perMinute << Qt::endl;
    return 0;
}
