// CPU time the application spends while it sits open, following the clock: the window on screen
// (run it under an X server, such as xvfb-run), signed in to the simulated platform, in two scenes
// of two minutes left alone while the clock moves on: a student chosen ten minutes into a lesson,
// and a student's week shown before school, no lesson running yet. Prints the CPU milliseconds per
// minute of each, and what the X server received in the second scene at a tick of the clock. The
// simulated platform runs in this process; the time it spends serving the periodic session check
// is the server's, not the application's, and is left out.
//
// Beside each scene, over the same two minutes, a separate Qt Widgets window whose one line of text
// follows the clock on the same tick: what waking up to show the time costs on this machine at all.
// Where memory left untouched between ticks is slow to reach again, both pay for it.

#include "app/look/caretrest.h"
#include "app/screens/contentview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "bench/benchfigures.h"
#include "bench/windowwatch.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"

#include <QApplication>
#include <QProcess>

using namespace quorvale;
using namespace quorvale::bench;
using namespace quorvale::testing;

namespace {

constexpr int minutes = 2;
// Everything that came in has arrived, the caret has come to rest after the last key, and the
// threads Qt's raster engine started for the first large paints have ended: they end after 30 s
// without work, and their ending belongs to those paints, not to the time at rest.
constexpr int settleMs = 35000;
constexpr double goalMsPerMinute = 5.0;
constexpr double goalTimes = 1.5;

struct Scene
{
    QString measured;
    QString goal;
    // The bell period whose lesson is chosen, and whether the clock starts ten minutes into it or
    // ten minutes before the first lesson of the day.
    int row;
    bool beforeSchool;
};

struct Figures
{
    double perMinute = 0.0;
    std::optional<double> bareMinute;
    // The drawings the X server received at each tick that drew anything, in the order they came.
    QList<QList<WindowWatch::Drawing>> ticks;
};

std::optional<Figures> measure(const Scene &scene, WindowWatch &watch)
{
    // The rig that finds a lesson goes before the measurement: its model's clock would count too.
    const std::optional<ExpectedLesson> lesson = [&] {
        const ScreenRig probe;
        return plainLessonAt(probe.school(), shanghai::dateOf(probe.now()), scene.row);
    }();
    if (!lesson)
        return std::nullopt;
    SignedInWindow signedIn(scene.beforeSchool ? lesson->before : lesson->during);
    // Beside the bare window, which opens at the display's top left corner: a window covered by
    // another is not drawn where it is covered, and the server would not tell what it receives.
    signedIn.window->move(1240, 0);
    if (!signedIn.choose(lesson->studentName) || !ScreenRig::waitFor([&] {
            const ResultArea *result = signedIn.query()->resultArea();
            return result && result->weekShown();
        }))
        return std::nullopt;
    QProcess bare;
    bare.setStandardErrorFile(QProcess::nullDevice());
    bare.start(QStringLiteral(QUORVALE_BARE_CLOCK_PROGRAM),
               {QString::number(settleMs), QString::number(minutes * 60 * 1000)});
    runLoop(settleMs);
    watch.watchDrawings(xcb_window_t(signedIn.window->winId()));
    signedIn.rig.runClock();
    const demo::DemoPlatform &platform = signedIn.rig.platform;
    Figures figures;
    const double before = processMs() - platform.servingMilliseconds();
    runLoop(minutes * 60 * 1000);
    figures.perMinute = (processMs() - platform.servingMilliseconds() - before) / minutes;
    // Read only now, so that reading them costs the window nothing while it is measured; a tick's
    // drawings come within a few milliseconds of each other, ticks 15 seconds apart.
    figures.ticks = watch.takeDrawingBursts(1000);
    // It may have finished while the loop above ran: then there is nothing to wait for.
    bool read = bare.state() == QProcess::NotRunning || bare.waitForFinished(30000);
    const double bareMinute =
        read ? QString::fromLatin1(bare.readAllStandardOutput()).trimmed().toDouble(&read) : 0.0;
    if (read) {
        figures.bareMinute = bareMinute;
    } else {
        bare.kill();
        bare.waitForFinished();
    }
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // As the application's main() has it: the caret stops blinking once input rests.
    const CaretRest caret;
    WindowWatch watch;
    const Scene scenes[] = {
        {QStringLiteral("CPU while open, following the clock, a lesson running"),
         QStringLiteral("at most %1 ms per minute more than the bare window").arg(goalMsPerMinute), 3, false},
        {QStringLiteral("CPU while open, following the clock, a week shown before school"),
         QStringLiteral("at most %1 times the bare window").arg(goalTimes), 1, true},
    };
    bool complete = watch.connected();
    for (const Scene &scene : scenes) {
        const std::optional<Figures> figures = complete ? measure(scene, watch) : std::nullopt;
        if (!figures) {
            result(scene.measured, QStringLiteral("not measured: no week shown on the X server"), scene.goal,
                   false);
            complete = false;
            continue;
        }
        for (const QList<WindowWatch::Drawing> &tick : figures->ticks)
            QTextStream(stdout) << "drawn at a tick: " << WindowWatch::describe(tick) << Qt::endl;
        const QString figure =
            QStringLiteral("%1 ms per minute (bare window: %2; over %3 minutes)")
                .arg(figures->perMinute, 0, 'f', 1)
                .arg(figures->bareMinute
                         ? QStringLiteral("%1 ms per minute").arg(*figures->bareMinute, 0, 'f', 1)
                         : QStringLiteral("did not report"))
                .arg(minutes);
        const bool holds =
            figures->bareMinute &&
            (scene.beforeSchool ? figures->perMinute <= goalTimes * *figures->bareMinute
                                : figures->perMinute - *figures->bareMinute <= goalMsPerMinute);
        result(scene.measured, figure, scene.goal, holds);
    }
    return complete ? 0 : 1;
}
