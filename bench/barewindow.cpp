// The start-up benchmark's baseline: a plain Qt Widgets window and nothing else, built as its own
// program that links Qt Widgets only.

#include "bench/firstframe.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    const qint64 started = quorvale::bench::startedAt(argc, argv);
    QApplication application(argc, argv);
    quorvale::bench::FirstFrame firstFrame(started);
    QWidget window;
    window.resize(1200, 850);
    window.installEventFilter(&firstFrame);
    window.show();
    return application.exec();
}
