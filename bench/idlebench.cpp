// CPU time the application spends while it sits open, following the clock with a lesson running:
// the window on screen (run it under an X server, such as xvfb-run), signed in to the simulated
// platform, a student chosen ten minutes into a lesson, then two minutes left alone while the clock
// moves on. Prints the CPU milliseconds per minute. The simulated platform runs in this process; the
// time it spends serving the periodic session check is the server's, not the application's, and is
// left out.
//
// Beside it, over the same two minutes, a separate Qt Widgets window whose one line of text follows
// the clock on the same tick: what waking up to show the time costs on this machine at all. Where
// memory left untouched between ticks is slow to reach again, both pay for it.

#include "app/look/caretrest.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "bench/benchfigures.h"
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

const QString measured = QStringLiteral("CPU while open, following the clock, a lesson running");
const QString goal = QStringLiteral("at most %1 ms per minute more than the bare window").arg(goalMsPerMinute);

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // As the application's main() has it: the caret stops blinking once input rests.
    const CaretRest caret;
    // The rig that finds a lesson goes before the measurement: its model's clock would count too.
    const std::optional<ExpectedLesson> lesson = [] {
        const ScreenRig probe;
        return plainLessonAt(probe.school(), shanghai::dateOf(probe.now()), 3);
    }();
    SignedInWindow signedIn(lesson ? lesson->during : ScreenRig::defaultMoment());
    if (!lesson || !signedIn.choose(lesson->studentName) ||
        !ScreenRig::waitFor([&] { return signedIn.query()->resultArea() != nullptr; })) {
        result(measured, QStringLiteral("not measured: no lesson shown"), goal, false);
        return 1;
    }
    QProcess bare;
    bare.setStandardErrorFile(QProcess::nullDevice());
    bare.start(QStringLiteral(QUORVALE_BARE_CLOCK_PROGRAM),
               {QString::number(settleMs), QString::number(minutes * 60 * 1000)});
    runLoop(settleMs);
    signedIn.rig.runClock();
    const demo::DemoPlatform &platform = signedIn.rig.platform;
    const double before = processMs() - platform.servingMilliseconds();
    runLoop(minutes * 60 * 1000);
    const double perMinute = (processMs() - platform.servingMilliseconds() - before) / minutes;
    bool read = bare.waitForFinished(30000);
    const double bareMinute =
        read ? QString::fromLatin1(bare.readAllStandardOutput()).trimmed().toDouble(&read) : 0.0;
    if (!read) {
        bare.kill();
        bare.waitForFinished();
        result(measured, QStringLiteral("%1 ms per minute; the bare window did not report").arg(perMinute, 0, 'f', 1),
               goal, false);
        return 1;
    }
    result(measured,
           QStringLiteral("%1 ms per minute (bare window: %2 ms per minute; over %3 minutes)")
               .arg(perMinute, 0, 'f', 1)
               .arg(bareMinute, 0, 'f', 1)
               .arg(minutes),
           goal, perMinute - bareMinute <= goalMsPerMinute);
    return 0;
}
