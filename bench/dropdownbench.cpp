// What opening the suggestions dropdown costs the application: the window on screen (run it under an X
// server, such as xvfb-run), signed in to the simulated platform, a name typed into the search field and
// answered with no match, 1 000 and 10 000 matches at once. Each figure is the processor time from the
// answer until the dropdown's spring has ended and its shadow has come to rest; the answer with no match
// is the baseline. The shadow's own paints are timed too: while the dropdown springs, against those at
// rest. Last, the whole path of a search that the simulated platform answers with 10 000 matches:
// from the typed name until the dropdown rests, the window's longest stall (pages arriving, read,
// merged and listed), the memory held while the rows show, and what is still held once the field is
// cleared again.

#include "app/look/caretrest.h"
#include "app/screens/queryview.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "tests/screens/windowrig.h"
#include "tools/demoplatform/timetableroutes.h"

#include "bench/benchfigures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <algorithm>

using namespace quorvale;
using namespace quorvale::bench;
using namespace quorvale::testing;

namespace {

constexpr double openGoalMs = 150.0;
constexpr double shadowGoalMs = 0.5;
constexpr qint64 stallGoalMs = 100;
constexpr double keptGoalMb = 10.0;
constexpr int runs = 5;
constexpr int platformMatches = 10000;
// Longer than the shadow waits before it paints itself directly again once its size rests.
constexpr int restMs = 300;

QList<Student> matches(const QString &query, int count)
{
    QList<Student> students;
    students.reserve(count);
    for (int index = 0; index < count; ++index) {
        Student student;
        student.id = index + 1;
        student.name = QStringLiteral("%1%2").arg(query).arg(index);
        student.className = QStringLiteral("初二（%1）班").arg(index % 12 + 1);
        students.append(student);
    }
    return students;
}

// Waits until the box's height has not changed for a while.
void waitForRest(SearchBox *box)
{
    for (int last = -1; last != box->currentHeight();) {
        last = box->currentHeight();
        runLoop(100);
    }
}

// Processor time from the answer with `count` matches until the dropdown and its shadow rest.
double openMs(SignedInWindow &signedIn, const QString &query, int count)
{
    SearchBox *box = signedIn.query()->searchBox();
    box->field()->clear();
    waitForRest(box);
    runLoop(restMs);
    signedIn.rig.api->answer = matches(query, count);
    double answered = -1.0;
    const QMetaObject::Connection noting =
        QObject::connect(signedIn.rig.api, &CountingSearchAPI::answered, [&] { answered = processMs(); });
    typeText(box->field(), query);
    ScreenRig::waitFor([&] { return answered >= 0.0; });
    QObject::disconnect(noting);
    waitForRest(box);
    runLoop(restMs);
    return processMs() - answered;
}

// The rig's platform moved to a thread of its own, as the platform runs apart from the real program,
// so that the window's stalls are the program's own: it listens at the rig's port, knows the rig's
// sessions, and serves the rig's school with `count` more students whose names start with `prefix`.
class PlatformThread
{
public:
    PlatformThread(ScreenRig &rig, const QString &prefix, int count)
    {
        demo::SchoolData school = rig.school();
        const QList<qint64> classIds = school.students.first().classIds;
        for (int index = 0; index < count; ++index)
            school.students.append(
                {900000 + index, QStringLiteral("%1%2").arg(prefix).arg(index), QString(), classIds});
        const quint16 port = rig.platform.port();
        rig.platform.close();
        m_context.moveToThread(&m_thread);
        m_thread.start();
        run([&] {
            m_platform = std::make_unique<demo::DemoPlatform>();
            m_platform->setClock(rig.clock());
            m_platform->sessions() = rig.platform.sessions();
            m_platform->listen(port);
            demo::serveSchool(*m_platform, std::move(school));
        });
    }
    ~PlatformThread()
    {
        run([this] { m_platform.reset(); });
        m_thread.quit();
        m_thread.wait();
    }
    // Forgets the requests logged so far, so the log holds no memory of earlier searches.
    void clearLog()
    {
        run([this] { m_platform->clearLog(); });
    }

private:
    void run(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }

    QThread m_thread;
    QObject m_context;
    std::unique_ptr<demo::DemoPlatform> m_platform;
};

// Clears the search field as a person does and waits until the dropdown has closed and rested.
void clearSearch(SearchBox *box)
{
    QTest::keyClick(box->field(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box->field(), Qt::Key_Backspace);
    waitForRest(box);
    runLoop(restMs);
}

// The window's longest stall from typing `query` until the dropdown with `count` rows rests.
qint64 searchStallMs(SignedInWindow &signedIn, const QString &query, int count)
{
    QueryView *screen = signedIn.query();
    SearchBox *box = screen->searchBox();
    clearSearch(box);
    const qsizetype asked = signedIn.rig.api->queries.size();
    const StallWatch watch;
    typeText(box->field(), query);
    if (!ScreenRig::waitFor(
            [&] {
                return signedIn.rig.api->queries.size() > asked && screen->suggestions().size() == count &&
                       !signedIn.rig.model->busy();
            },
            60000))
        return -1;
    waitForRest(box);
    return watch.longestMs();
}

// Times the shadow's paints in the window, apart while its size springs and once it rests.
class ShadowPaints : public QObject
{
public:
    explicit ShadowPaints(SearchShadow *shadow)
        : m_springing(shadow->findChild<QTimer *>())
    {
        shadow->installEventFilter(this);
    }

    QList<double> springing;
    QList<double> resting;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        const bool moving = m_springing && m_springing->isActive();
        const double before = processMs();
        watched->event(event);
        (moving ? springing : resting).append(processMs() - before);
        return true;
    }

private:
    const QTimer *m_springing;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const CaretRest caret;
    QTextStream out(stdout);

    SignedInWindow signedIn;
    if (!signedIn.query()) {
        result(QStringLiteral("dropdown opening"), QStringLiteral("not measured: no query screen"),
               QStringLiteral("-"), false);
        return 1;
    }
    ShadowPaints shadowPaints(signedIn.query()->findChild<SearchShadow *>());
    QHash<int, QList<double>> times;
    int typed = 0;
    for (int run = 0; run < runs; ++run) {
        for (const int count : {0, 1000, 10000})
            times[count].append(openMs(signedIn, QStringLiteral("测%1").arg(++typed), count));
    }
    const double none = median(times.value(0));
    for (const int count : {1000, 10000}) {
        const double ms = median(times.value(count));
        const QString figure =
            QStringLiteral("%1 ms CPU (no match: %2 ms)").arg(ms, 0, 'f', 1).arg(none, 0, 'f', 1);
        result(QStringLiteral("dropdown opening with %1 matches, answer to rest").arg(count), figure,
               count == 10000 ? QStringLiteral("at most %1 ms").arg(openGoalMs) : QStringLiteral("-"),
               count != 10000 || ms <= openGoalMs);
    }
    // The search through the platform.
    SearchBox *box = signedIn.query()->searchBox();
    signedIn.rig.api->answer.reset();
    const QString name = QStringLiteral("测");
    PlatformThread platform(signedIn.rig, name, platformMatches);
    const qsizetype found =
        platformMatches + std::count_if(signedIn.rig.school().students.cbegin(),
                                        signedIn.rig.school().students.cend(),
                                        [&](const auto &student) { return student.name.contains(name); });
    clearSearch(box);
    platform.clearLog();
    const double before = residentMb();
    qint64 longest = 0;
    double first = 0.0;
    for (int run = 0; run < runs; ++run) {
        const qint64 stall = searchStallMs(signedIn, name, int(found));
        longest = stall < 0 || longest < 0 ? -1 : std::max(longest, stall);
        if (run == 0)
            first = residentMb();
    }
    platform.clearLog();
    const double shown = residentMb();
    clearSearch(box);
    const double kept = residentMb();
    result(
        QStringLiteral(
            "longest stall of the window, search matching %1 students through the platform, typing to rest")
            .arg(found),
        longest < 0 ? QStringLiteral("not measured: the rows never came")
                    : QStringLiteral("%1 ms").arg(longest),
        QStringLiteral("at most %1 ms").arg(stallGoalMs), longest >= 0 && longest <= stallGoalMs);
    result(QStringLiteral("memory held while those rows show"),
           QStringLiteral("%1 MB (%2 MB at the first search)")
               .arg(shown - before, 0, 'f', 1)
               .arg(first - before, 0, 'f', 1),
           QStringLiteral("at most %1 MB").arg(keptGoalMb), shown - before <= keptGoalMb);
    result(QStringLiteral("memory kept after %1 such searches, field cleared").arg(runs),
           QStringLiteral("%1 MB").arg(kept - before, 0, 'f', 1),
           QStringLiteral("at most %1 MB").arg(keptGoalMb), kept - before <= keptGoalMb);

    const double springing = median(shadowPaints.springing);
    result(QStringLiteral("search field shadow, one paint while the dropdown springs"),
           QStringLiteral("%1 ms CPU (%2 ms painted at rest)")
               .arg(springing, 0, 'f', 3)
               .arg(median(shadowPaints.resting), 0, 'f', 3),
           QStringLiteral("at most %1 ms").arg(shadowGoalMs), springing >= 0.0 && springing <= shadowGoalMs);
    out << "(the median of " << runs << " openings each, alternating; each includes " << restMs
        << " ms of rest after the spring)" << Qt::endl;
    return 0;
}
