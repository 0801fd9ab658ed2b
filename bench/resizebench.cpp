// What one step of a resize costs while a student's week is shown: the application's main window,
// with its menu bar, on the X server (run it under an X server, such as xvfb-run), signed in to the
// simulated platform, a student chosen ten minutes into a lesson, then its edge dragged as a window
// manager drags it, a few pixels a step, at 1600×1000 and at 3840×2160. Each step's processor time
// and the drawings the X server receives for it (X DAMAGE, one drawing per request) are taken from
// outside the window's own code.

#include "app/look/caretrest.h"
#include "app/screens/contentview.h"
#include "app/screens/loginview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/shell/mainwindow.h"
#include "app/updates/updatercontroller.h"
#include "bench/benchfigures.h"
#include "bench/windowwatch.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <functional>

using namespace quorvale;
using namespace quorvale::bench;
using namespace quorvale::testing;

namespace {

constexpr int steps = 40;
// Each step takes this long: a drag's steps come at the display's rate or slower, and whatever the
// step drew has reached the server by then.
constexpr int stepMs = 200;
constexpr QSize stride(6, 4);

struct Scale
{
    QSize size;
    double goalMs;
};
constexpr Scale scales[] = {{QSize(1600, 1000), 8.0}, {QSize(3840, 2160), 16.0}};

struct Steps
{
    QList<double> cpuMs;
    QList<double> drawings;
    // Every drawing of the last step, as the server received it.
    QList<WindowWatch::Drawing> last;
};

// The processor time of every thread of another process so far, in milliseconds.
double runningMs(qint64 pid)
{
    double total = 0.0;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (stat.open(QIODevice::ReadOnly))
            total += stat.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return total;
}

// Drags the window's edge in and out around `size`, one step at a time, measuring each with `cpu`.
Steps drag(WindowWatch &watch, xcb_window_t window, QSize size, const std::function<double()> &cpu)
{
    watch.resize(window, size);
    runLoop(1000);
    watch.takeDrawings();
    Steps measured;
    for (int step = 1; step <= steps; ++step) {
        const int out = step <= steps / 2 ? step : steps - step;
        const double before = cpu();
        watch.resize(window, size - stride * out);
        runLoop(stepMs);
        measured.cpuMs.append(cpu() - before);
        measured.last = watch.takeDrawings();
        measured.drawings.append(double(measured.last.size()));
    }
    return measured;
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1×%2").arg(size.width()).arg(size.height());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QTextStream out(stdout);
    const CaretRest caret;
    WindowWatch watch;
    const QString measured = QStringLiteral("one resize step of the window with a week shown at %1");
    if (!watch.connected()) {
        out << "no X display with the DAMAGE and XTEST extensions" << Qt::endl;
        return 1;
    }
    const std::optional<ExpectedLesson> lesson = [] {
        const ScreenRig probe;
        return plainLessonAt(probe.school(), shanghai::dateOf(probe.now()), 3);
    }();
    ScreenRig rig(lesson ? lesson->during : ScreenRig::defaultMoment());
    UpdaterController updater(std::nullopt, false, [] { return true; });
    MainWindow main(rig.model.get(), &updater, rig.clock());
    // At the display's corner, so that the window is whole on it at every size measured: the server
    // reports drawings only where the window is on screen.
    main.move(0, 0);
    main.show();
    QApplication::setActiveWindow(&main);
    const auto content = qobject_cast<ContentView *>(main.centralWidget());
    const auto query = [content] { return qobject_cast<QueryView *>(content->screen()); };
    ScreenRig::waitFor([content] { return qobject_cast<LoginView *>(content->screen()) != nullptr; });
    rig.signIn();
    if (!lesson || !ScreenRig::waitFor([&] { return query() != nullptr; }) ||
        !chooseStudent(rig, &main, query(), lesson->studentName) ||
        !ScreenRig::waitFor([&] { return query()->resultArea() && query()->resultArea()->weekShown(); })) {
        out << "no week shown" << Qt::endl;
        return 1;
    }

    const auto window = xcb_window_t(main.winId());
    QList<Steps> app;
    for (const Scale &scale : scales) {
        watch.watchDrawings(window);
        app.append(drag(watch, window, scale.size, processMs));
    }

    // The empty window alone on the display, as the application's window was.
    main.hide();
    QProcess bare;
    bare.setStandardErrorFile(QProcess::nullDevice());
    watch.drain();
    bare.start(QStringLiteral(QUORVALE_BARE_PROGRAM), {});
    const xcb_window_t bareWindow = watch.nextDrawing(30000);
    for (qsizetype i = 0; i < app.size(); ++i) {
        const Scale &scale = scales[i];
        const Steps &steps = app[i];
        out << "drawings of the last step at " << sizeText(scale.size) << ": "
            << WindowWatch::describe(steps.last) << Qt::endl;
        QString beside = QStringLiteral("the empty window did not show");
        if (bareWindow) {
            watch.watchDrawings(bareWindow);
            const Steps empty =
                drag(watch, bareWindow, scale.size, [&] { return runningMs(bare.processId()); });
            beside = QStringLiteral("an empty Qt window: %1 ms, %2 drawings")
                         .arg(median(empty.cpuMs), 0, 'f', 1)
                         .arg(median(empty.drawings), 0, 'f', 0);
        }
        const double cpuMs = median(steps.cpuMs);
        const auto more = std::count_if(steps.drawings.cbegin(), steps.drawings.cend(),
                                        [](double drawings) { return drawings > 1.0; });
        result(measured.arg(sizeText(scale.size)),
               QStringLiteral("%1 ms CPU, %2 drawing(s) a step, more in %3 of %4 steps (medians; %5)")
                   .arg(cpuMs, 0, 'f', 1)
                   .arg(median(steps.drawings), 0, 'f', 0)
                   .arg(more)
                   .arg(steps.cpuMs.size())
                   .arg(beside),
               QStringLiteral("at most %1 ms and one drawing a step").arg(scale.goalMs),
               cpuMs <= scale.goalMs && median(steps.drawings) <= 1.0);
    }
    bare.kill();
    bare.waitForFinished();
    return 0;
}
