// Measures what the week view costs while it follows the clock: the processor time of one 15-second
// tick (the view takes the new moment, paints and finishes any animation it starts) for weeks of 5, 50
// and 500 lessons a day, each beside a bare window's tick on the same rhythm, and the time to colour a
// week of 500 distinct subjects. Each figure is one "result:" line; the growth between the steps shows
// how the cost scales with the week.

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/reducemotion.h"
#include "app/look/transition.h"
#include "app/week/subjecttint.h"
#include "app/week/weektimetableview.h"

#include "core/base/shanghai.h"

#include "bench/benchfigures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHash>
#include <QLabel>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

using namespace quorvale;
using namespace quorvale::bench;

namespace {

const QDate monday(2025, 9, 1);
constexpr int tickSeconds = 15;
constexpr int ticks = 20;
// Long enough for the quarter-second glide of the now line and the tag to end.
constexpr int settleMs = 300;
constexpr double tickGoalMs = 1.0;
// Ten times the input may cost at most this much more: linear, with room for one sort.
constexpr double linearGrowth = 15.0;
constexpr double colourGoalMs = 10.0;
constexpr int repaints = 41;
constexpr int gridLessons = 60;
constexpr int entranceFew = 6;
constexpr int entranceMany = 60;
constexpr int entrancePairs = 5;
constexpr double entranceGoal = 1.3;

// `days` days of `perDay` lessons one after another from 08:00 to 21:30, in `subjects` subjects.
WeeklySchedule weekOf(int perDay, int subjects, int days = 7)
{
    WeeklySchedule week{monday, {}};
    const int span = (1290 - 480) / perDay;
    int made = 0;
    for (int offset = 0; offset < days; ++offset) {
        WeekDaySchedule day{monday.addDays(offset), {}, std::nullopt};
        for (int i = 0; i < perDay; ++i, ++made) {
            const qint64 start = 480 + qint64(i) * span;
            day.events.append(
                WeekEvent{QStringLiteral("e%1").arg(made), day.date, QStringLiteral("B%1").arg(i),
                          QStringLiteral("科目%1").arg(made % subjects), QStringLiteral("教室%1").arg(i),
                          QStringLiteral("高一%1班").arg(offset), start, start + std::max(1, span - 1)});
        }
        week.days.append(day);
    }
    return week;
}

// One step of a scaling table: how the figure grew for ten times the input.
void growthResult(const QString &what, double growth)
{
    result(what, QStringLiteral("%1x").arg(growth, 0, 'f', 2),
           QStringLiteral("at most %1x for 10x the input").arg(linearGrowth), growth <= linearGrowth);
}

// Counts the paint and layout events the application delivers, by the class of the receiver.
class EventCounter : public QObject
{
public:
    QHash<QByteArray, int> paints;
    int layouts = 0;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints[watched->metaObject()->className()];
        else if (event->type() == QEvent::LayoutRequest)
            ++layouts;
        return QObject::eventFilter(watched, event);
    }
};

// Waits until the shown view has arrived and nothing is painted any more; the counter keeps counting.
void settle(EventCounter &counter)
{
    for (int quiet = -1; quiet != 0;) {
        counter.paints.clear();
        counter.layouts = 0;
        runLoop(500);
        quiet = int(counter.paints.size());
    }
}

// Wall time of one full repaint of a settled week of `lessons` lessons (five days of twelve or fewer)
// at the given size, the median of many.
double repaintMs(const QSize &size, int lessons)
{
    const WeeklySchedule week = weekOf(std::max(1, lessons / 5), 12, lessons == 0 ? 0 : 5);
    WeekTimetableView view(week, shanghai::at(monday.addDays(1), 10 * 60), true);
    view.setShowFullDay(true);
    view.resize(size);
    view.show();
    EventCounter counter;
    qApp->installEventFilter(&counter);
    settle(counter);
    qApp->removeEventFilter(&counter);
    QList<double> times;
    for (int run = 0; run < repaints; ++run) {
        QElapsedTimer clock;
        clock.start();
        view.repaint();
        times.append(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Processor time of a week's entrance as the result area plays it: the view brought in with the reveal
// transition while its columns arrive, until nothing is painted any more.
double entranceMs(int lessons)
{
    const WeeklySchedule week = weekOf(lessons / 5, 12, 5);
    QWidget window;
    window.resize(1200, 900);
    auto *layout = new QVBoxLayout(&window);
    window.show();
    EventCounter counter;
    qApp->installEventFilter(&counter);
    settle(counter);
    const double before = processMs();
    auto *view = new WeekTimetableView(week, shanghai::at(monday.addDays(1), 10 * 60), true);
    playInsertion(view, Appearance::reveal(false), springCurve<springs::standard>());
    layout->addWidget(view);
    view->show();
    settle(counter);
    qApp->removeEventFilter(&counter);
    return processMs() - before;
}

struct TickCost
{
    double weekMs;
    double bareMs;
};

// Processor time of one tick of a shown week with a lesson running, averaged over many ticks. Between
// them, on the same rhythm, one line of text in a window of the same size takes the same new moment:
// what a tick after a rest costs any Qt window on this machine.
TickCost tickMs(int perDay)
{
    const WeeklySchedule week = weekOf(perDay, 12);
    QDateTime moment = shanghai::at(monday.addDays(1), 10 * 60);
    WeekTimetableView view(week, moment, true);
    view.setShowFullDay(true);
    view.resize(1200, 1000);
    view.show();
    QWidget bare;
    auto *line = new QLabel(&bare);
    (new QVBoxLayout(&bare))->addWidget(line, 0, Qt::AlignCenter);
    bare.resize(view.size());
    bare.show();
    EventCounter counter;
    qApp->installEventFilter(&counter);
    settle(counter);
    TickCost cost{0.0, 0.0};
    for (int tick = 0; tick < ticks; ++tick) {
        moment = moment.addSecs(tickSeconds);
        double before = processMs();
        view.setWeek(week, moment, true);
        runLoop(settleMs);
        cost.weekMs += processMs() - before;
        qApp->removeEventFilter(&counter);
        before = processMs();
        line->setText(QStringLiteral("现在 %1").arg(moment.toString(QStringLiteral("HH:mm:ss"))));
        runLoop(settleMs);
        cost.bareMs += processMs() - before;
        qApp->installEventFilter(&counter);
    }
    qApp->removeEventFilter(&counter);
    cost.weekMs /= ticks;
    cost.bareMs /= ticks;
    QTextStream out(stdout);
    out << "  " << perDay << " lessons a day, per tick: " << counter.layouts / double(ticks)
        << " layout requests;";
    for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
        out << ' ' << it.key() << ' ' << it.value() / double(ticks);
    out << " paints" << Qt::endl;
    return cost;
}

// Wall time to work out the colours of every lesson of a week with the given number of subjects, the
// best of a few runs.
double colourMs(int subjects)
{
    const WeeklySchedule week = weekOf(subjects / 7 + 1, subjects);
    double best = -1.0;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        const SubjectTints tints(week);
        int sum = 0;
        for (const WeekEvent &event : week.events())
            sum += tints.tint(event.subject).index;
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (sum >= 0 && (best < 0.0 || ms < best))
            best = ms;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    motion::setReduced(false);
    QTextStream out(stdout);

    // The same view without lessons is the baseline: its grid, axis and headers cost the same.
    for (const auto &[size, goalMs] :
         {std::pair{QSize(1600, 1000), 8.0}, std::pair{QSize(3840, 2160), 20.0}}) {
        const double empty = repaintMs(size, 0);
        const double ms = repaintMs(size, gridLessons);
        result(QStringLiteral("week grid full repaint, %1 lessons, %2x%3")
                   .arg(gridLessons)
                   .arg(size.width())
                   .arg(size.height()),
               QStringLiteral("%1 ms (%2 ms without lessons)").arg(ms, 0, 'f', 2).arg(empty, 0, 'f', 2),
               QStringLiteral("at most %1 ms").arg(goalMs), ms <= goalMs);
    }

    // Alternating pairs: the machine's load weighs on both alike.
    QList<double> entranceGrowth;
    for (int pair = 0; pair < entrancePairs; ++pair) {
        const double few = entranceMs(entranceFew);
        const double many = entranceMs(entranceMany);
        out << "  entrance: " << entranceFew << " lessons " << few << " ms CPU, " << entranceMany
            << " lessons " << many << " ms CPU" << Qt::endl;
        entranceGrowth.append(many / few);
    }
    std::sort(entranceGrowth.begin(), entranceGrowth.end());
    const double growth = entranceGrowth[entranceGrowth.size() / 2];
    result(QStringLiteral("week entrance, %1 lessons a week against %2").arg(entranceMany).arg(entranceFew),
           QStringLiteral("%1x the CPU").arg(growth, 0, 'f', 2),
           QStringLiteral("at most %1x").arg(entranceGoal), growth <= entranceGoal);

    double previous = 0.0;
    for (const int perDay : {5, 50, 500}) {
        const auto [ms, bareMs] = tickMs(perDay);
        result(QStringLiteral("week view tick, %1 lessons a day").arg(perDay),
               QStringLiteral("%1 ms CPU (a bare window's tick: %2 ms)")
                   .arg(ms, 0, 'f', 3)
                   .arg(bareMs, 0, 'f', 3),
               QStringLiteral("at most %1 ms").arg(tickGoalMs), ms <= tickGoalMs);
        if (previous > 0.0)
            growthResult(
                QStringLiteral("week view tick growth, %1 to %2 lessons a day").arg(perDay / 10).arg(perDay),
                ms / previous);
        previous = ms;
    }
    out << "(a tick moves the moment by " << tickSeconds << " s; each includes " << settleMs
        << " ms of event loop for its animations)" << Qt::endl;

    previous = 0.0;
    for (const int subjects : {50, 500, 5000}) {
        const double ms = colourMs(subjects);
        if (subjects == 500)
            result(QStringLiteral("subject colours of a week with 500 distinct subjects"),
                   QStringLiteral("%1 ms").arg(ms, 0, 'f', 3),
                   QStringLiteral("at most %1 ms").arg(colourGoalMs), ms <= colourGoalMs);
        if (previous > 0.0)
            growthResult(
                QStringLiteral("subject colour growth, %1 to %2 subjects").arg(subjects / 10).arg(subjects),
                ms / previous);
        previous = ms;
    }
    return 0;
}
