// The query screen at rest: the clock's tick and the periodic session check change on screen only
// what they really move.

#include "app/look/animation.h"
#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/screens/lessoncard.h"
#include "app/screens/lessonprogress.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/week/weektimetableview.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// Counts what the screen's widgets are asked to lay out and to paint, leaving out the week view,
// which draws the clock's own marks.
class ScreenActivity : public QObject
{
public:
    explicit ScreenActivity(QWidget *screen)
        : m_screen(screen)
    {
        qApp->installEventFilter(this);
    }

    // Where the window was painted, in its coordinates; a widget that is not opaque has the parts
    // of its parents behind it painted too.
    QRegion painted;
    QStringList laidOut;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !(widget == m_screen || m_screen->isAncestorOf(widget)) || inWeek(widget))
            return false;
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region().translated(
                widget->mapTo(widget->window(), QPoint()));
        else if (event->type() == QEvent::LayoutRequest)
            laidOut.append(QString::fromLatin1(widget->metaObject()->className()));
        return false;
    }

private:
    static bool inWeek(const QWidget *widget)
    {
        for (const QWidget *up = widget; up; up = up->parentWidget()) {
            if (qobject_cast<const WeekTimetableView *>(up))
                return true;
        }
        return false;
    }

    QWidget *m_screen;
};

// Frames of Qt's animation timer, which wakes the application sixty times a second while any
// animation runs, and the paints of one widget.
class Wakeups : public QObject
{
public:
    explicit Wakeups(const QWidget *watched)
        : m_watched(watched)
    {
        qApp->installEventFilter(this);
    }

    int frames = 0;
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Timer && watched->inherits("QAnimationDriver"))
            ++frames;
        else if (event->type() == QEvent::Paint && watched == m_watched)
            ++paints;
        return false;
    }

private:
    const QWidget *m_watched;
};

// Motion as the desktop has it by default, for the length of a test.
struct MotionOn
{
    MotionOn() { motion::setReduced(false); }
    ~MotionOn() { motion::setReduced(true); }
};

// Counts the layouts and paints of the whole application.
struct Stillness : QObject
{
    int events = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::LayoutRequest || type == QEvent::Paint || type == QEvent::UpdateRequest)
            ++events;
        return false;
    }
};

// A window on a running lesson, ten minutes in.
struct RunningLesson
{
    RunningLesson()
    {
        const ScreenRig probe;
        lesson = plainLessonAt(probe.school(), shanghai::dateOf(probe.now()), 3);
        if (!lesson)
            return;
        signedIn = std::make_unique<SignedInWindow>(lesson->during);
        chosen = signedIn->choose(lesson->studentName);
        ScreenRig::waitFor([this] {
            const ResultArea *result = signedIn->query()->resultArea();
            return result && result->lessonCards().size() == 1;
        });
        waitUntilStill();
    }

    // Whatever came in has arrived, been laid out and painted: nothing is laid out or painted for a
    // while. A slow build (the sanitizer run) takes longer to get there than a fixed pause allows.
    static void waitUntilStill()
    {
        Stillness watch;
        qApp->installEventFilter(&watch);
        QDeadlineTimer deadline(10000);
        int seen = -1;
        while (seen != watch.events && !deadline.hasExpired()) {
            seen = watch.events;
            QTest::qWait(300);
        }
        qApp->removeEventFilter(&watch);
    }

    LessonCard *card() const { return signedIn->query()->resultArea()->lessonCards().first(); }

    std::optional<ExpectedLesson> lesson;
    std::unique_ptr<SignedInWindow> signedIn;
    bool chosen = false;
};

} // namespace

class RestTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void tickRepaintsOnlyWhatMoved_data();
    void tickRepaintsOnlyWhatMoved();
    void tickMovesTheBarPixelByPixel();
    void sameSessionAnswerChangesNothing();
    void tickDuringSessionCheckKeepsSearchReady();
};

void RestTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void RestTest::tickRepaintsOnlyWhatMoved_data()
{
    QTest::addColumn<int>("seconds");
    // 15 s into a 40-minute lesson move its bar by about two pixels; the countdown and the time in
    // the date line stay. A minute later both say another number.
    QTest::newRow("15 s") << 15;
    QTest::newRow("60 s") << 60;
}

void RestTest::tickRepaintsOnlyWhatMoved()
{
    QFETCH(int, seconds);
    RunningLesson running;
    QVERIFY(running.lesson);
    QVERIFY(running.chosen);
    QueryView *query = running.signedIn->query();
    const QString countdown = running.card()->countdownPill()->text();
    ScreenActivity activity(query);
    running.signedIn->rig.setNow(running.lesson->during.addSecs(seconds));
    // What the follow-now tick does with the clock it reads.
    running.signedIn->rig.model->setDate(running.signedIn->rig.now());
    QTest::qWait(50);
    const bool minutePassed = seconds >= 60;
    QCOMPARE(running.card()->countdownPill()->text() != countdown, minutePassed);
    // The week view draws the clock's own marks.
    QRegion allowed(inWindow(running.card()->progressBar()));
    if (const QWidget *week = query->resultArea()->findChild<WeekTimetableView *>())
        allowed += inWindow(week);
    if (minutePassed) {
        // The card whose countdown changed and the line with the time.
        allowed += inWindow(running.card());
        allowed += inWindow(query->searchArea()->dateLine());
    } else {
        QCOMPARE(activity.laidOut, QStringList());
    }
    QVERIFY(!activity.painted.isEmpty());
    QCOMPARE(activity.painted.subtracted(allowed), QRegion());
}

void RestTest::tickMovesTheBarPixelByPixel()
{
    RunningLesson running;
    QVERIFY(running.lesson);
    QVERIFY(running.chosen);
    LessonProgress *bar = running.card()->progressBar();
    const auto filled = [bar] { return qRound(bar->width() * bar->fraction()); };
    const int before = filled();
    const Tween *shown = bar->findChild<Tween *>();
    QVERIFY(shown);
    MotionOn motion;
    Wakeups wakeups(bar);
    running.signedIn->rig.setNow(running.lesson->during.addSecs(15));
    running.signedIn->rig.model->setDate(running.signedIn->rig.now());
    QTRY_VERIFY(filled() != before && !shown->moving());
    // A move of a pixel or two is taken at once, so its paint may still be pending here.
    RunningLesson::waitUntilStill();
    // The spring still carries the bar, but only the frames that show another pixel wake the
    // application.
    const int moved = std::abs(filled() - before);
    QCOMPARE(wakeups.frames, 0);
    QVERIFY(wakeups.paints >= 1);
    QVERIFY(wakeups.paints <= moved);
}

void RestTest::sameSessionAnswerChangesNothing()
{
    RunningLesson running;
    QVERIFY(running.lesson);
    QVERIFY(running.chosen);
    QuorvaleClient *client = running.signedIn->rig.client;
    ScreenActivity activity(running.signedIn->query());
    int announced = 0;
    for (auto signal :
         {&QuorvaleClient::workingChanged, &QuorvaleClient::userChanged, &QuorvaleClient::phaseChanged})
        connect(client, signal, this, [&announced] { ++announced; });
    auto *check = client->findChild<QTimer *>(QStringLiteral("sessionCheck"));
    QVERIFY(check);
    const int interval = check->interval();
    running.signedIn->rig.platform.clearLog();
    check->start(0);
    QTRY_VERIFY(!running.signedIn->rig.platform.requests().isEmpty());
    check->setInterval(interval);
    // The check is over when it has started the next one.
    QTRY_VERIFY(check->isActive());
    QTest::qWait(50);
    QCOMPARE(announced, 0);
    QCOMPARE(activity.painted, QRegion());
    QCOMPARE(activity.laidOut, QStringList());
}

void RestTest::tickDuringSessionCheckKeepsSearchReady()
{
    RunningLesson running;
    QVERIFY(running.lesson);
    QVERIFY(running.chosen);
    ScreenRig &rig = running.signedIn->rig;
    const QAbstractButton *search = running.signedIn->query()->searchBox()->searchButton();
    QVERIFY(search->isEnabled());
    auto *check = rig.client->findChild<QTimer *>(QStringLiteral("sessionCheck"));
    QVERIFY(check);
    const int interval = check->interval();
    const QString userPath = QStringLiteral("/api/MemberShip/GetCurrentUser");
    rig.platform.faults().hold(userPath);
    check->start(0);
    QTRY_COMPARE(rig.platform.heldCount(), 1);
    check->setInterval(interval);
    // A minute on, so the screen refreshes the countdown while the check waits for its answer.
    const QString countdown = running.card()->countdownPill()->text();
    rig.setNow(running.lesson->during.addSecs(60));
    rig.model->setDate(rig.now());
    QTRY_VERIFY(running.card()->countdownPill()->text() != countdown);
    QVERIFY(!rig.client->working());
    QVERIFY(search->isEnabled());
    rig.platform.releaseHeld();
    QTRY_VERIFY(check->isActive());
    QVERIFY(search->isEnabled());
}

QTEST_MAIN(RestTest)

#include "tst_rest.moc"
