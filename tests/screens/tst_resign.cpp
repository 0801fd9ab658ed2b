// The query screen through an automatic re-sign-in: the session runs out while the person works on,
// the client signs in again with the saved account, and the screen comes back as it was, with what
// was typed, composed or chosen meanwhile applied as it would be without the re-sign-in.

#include "app/look/reducemotion.h"
#include "app/screens/answergroup.h"
#include "app/screens/contentview.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/week/coursedetailcard.h"
#include "app/week/detailoverlay.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QTest>
#include <algorithm>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A window signed in with the account remembered, so that the client signs in again by itself.
struct RememberingWindow : SignedInWindow
{
    RememberingWindow()
        : SignedInWindow(ScreenRig::defaultMoment(), true)
    {}

    // Holds the platform's answer to the new sign-in, so that the person can go on while it runs.
    void holdTheNewSignIn()
    {
        rig.platform.sessions().expireAll();
        rig.platform.faults().hold(QStringLiteral("/api/MemberShip/Login"));
    }
    // The new sign-in is waiting for the platform and its screen shows.
    bool reSigningIn()
    {
        return ScreenRig::waitFor([this] {
            return window->shownPhase() == SessionPhase::Restoring && rig.platform.heldCount() > 0;
        });
    }
    bool signedInAgain()
    {
        rig.platform.releaseHeld();
        return ScreenRig::waitFor([this] {
            return window->shownPhase() == SessionPhase::SignedIn && !rig.client->working();
        });
    }
};

// A student whose whole name finds no one else.
QString uniqueStudent(const demo::SchoolData &school)
{
    const auto &students = school.students;
    const auto unique = std::find_if(students.begin(), students.end(), [&students](const auto &candidate) {
        return std::count_if(students.begin(), students.end(), [&candidate](const auto &other) {
                   return other.name.contains(candidate.name);
               }) == 1;
    });
    return unique != students.end() ? unique->name : QString();
}

void sendInputMethod(const QString &preedit, const QString &commit)
{
    QInputMethodEvent event(preedit, {});
    event.setCommitString(commit);
    // Where the platform's input context sends it.
    QCoreApplication::sendEvent(QGuiApplication::focusObject(), &event);
}

} // namespace

class ReSignInTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void courseDetailKeepsTheKeyboard_data();
    void courseDetailKeepsTheKeyboard();
    void returnOnAWholeNameChoosesThroughTheExpiredSession();
    void composedTextLandsInTheField_data();
    void composedTextLandsInTheField();
};

void ReSignInTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void ReSignInTest::courseDetailKeepsTheKeyboard_data()
{
    QTest::addColumn<bool>("escapeMeanwhile");
    QTest::newRow("nothing typed meanwhile") << false;
    QTest::newRow("Escape typed meanwhile") << true;
}

// A course's detail opened from the keyboard stays open with the keyboard on it; Escape typed while
// the new sign-in runs closes it and hands the keyboard back to its course.
void ReSignInTest::courseDetailKeepsTheKeyboard()
{
    QFETCH(bool, escapeMeanwhile);
    RememberingWindow signedIn;
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    // Watched, not kept as an address: a screen made anew may be made where the old one was.
    const QPointer<QueryView> query = signedIn.query();
    WeekCourseBlock *block = firstCourse(query);
    QVERIFY(block);
    WeekTimetableView *week = query->resultArea()->weekView();
    block->setFocus(Qt::TabFocusReason);
    QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Return);
    QTRY_VERIFY(week->detailOverlay()->card() && week->detailOverlay()->card()->hasFocus());
    const QString eventId = block->event().id;

    signedIn.holdTheNewSignIn();
    QCoro::Task<> check = signedIn.rig.client->verify();
    QVERIFY(signedIn.reSigningIn());
    if (escapeMeanwhile)
        QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Escape);
    QVERIFY(signedIn.signedInAgain());
    awaitTask(std::move(check));
    settle();
    QueryView *shown = signedIn.query();
    QVERIFY(shown);
    WeekTimetableView *shownWeek = shown->resultArea() ? shown->resultArea()->weekView() : nullptr;
    QVERIFY(shownWeek);
    QWidget *focused = QApplication::focusWidget();
    if (escapeMeanwhile) {
        QTRY_VERIFY(!shownWeek->detailOverlay()->card());
        auto *course = qobject_cast<WeekCourseBlock *>(QApplication::focusWidget());
        QVERIFY(course && course->event().id == eventId);
    } else {
        QVERIFY(shownWeek->detailOverlay()->card());
        QCOMPARE(focused, shownWeek->detailOverlay()->card());
        QCOMPARE(shownWeek->detailOverlay()->card()->anchorId(), eventId);
    }
    QCOMPARE(shown, query.data());
}

// The whole name is typed and Return pressed as the search meets the expired session: once signed in
// again, the one student found is chosen, the suggestions close and the answer has the keyboard.
void ReSignInTest::returnOnAWholeNameChoosesThroughTheExpiredSession()
{
    RememberingWindow signedIn;
    const QPointer<QueryView> query = signedIn.query();
    const QString name = uniqueStudent(signedIn.rig.school());
    QVERIFY(!name.isEmpty());
    SearchField *field = query->searchBox()->field();
    field->setFocus(Qt::TabFocusReason);
    typeText(field, name.chopped(1));
    QTRY_VERIFY(!query->suggestions().isEmpty() && !signedIn.rig.model->busy());

    signedIn.holdTheNewSignIn();
    typeText(QApplication::focusWidget(), name.right(1));
    // Keys come one turn of the event loop apart, as a person types them.
    settle();
    QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Return);
    QVERIFY(signedIn.reSigningIn());
    QVERIFY(signedIn.signedInAgain());
    QTRY_COMPARE(signedIn.rig.model->selectionName(), name);
    settle();
    QueryView *shown = signedIn.query();
    QVERIFY(shown);
    QCOMPARE(shown->searchBox()->field()->text(), name);
    QVERIFY(!shown->dropdownVisible());
    QTRY_VERIFY(shown->resultArea() && shown->resultArea()->answer()->hasFocus());
    QCOMPARE(shown, query.data());
}

void ReSignInTest::composedTextLandsInTheField_data()
{
    QTest::addColumn<bool>("composingBefore");
    QTest::newRow("composed meanwhile") << false;
    QTest::newRow("composition under way as the session runs out") << true;
}

// What an input method composes while the new sign-in runs is committed into the field after what was
// typed before, as it would be without the re-sign-in.
void ReSignInTest::composedTextLandsInTheField()
{
    QFETCH(bool, composingBefore);
    RememberingWindow signedIn;
    const QPointer<QueryView> query = signedIn.query();
    SearchField *field = query->searchBox()->field();
    field->setFocus(Qt::TabFocusReason);
    sendInputMethod(QString(), QStringLiteral("张"));
    if (composingBefore)
        sendInputMethod(QStringLiteral("wen"), QString());

    signedIn.holdTheNewSignIn();
    QCoro::Task<> check = signedIn.rig.client->verify();
    QVERIFY(signedIn.reSigningIn());
    sendInputMethod(QStringLiteral("wenbo"), QString());
    sendInputMethod(QString(), QStringLiteral("文博"));
    QVERIFY(signedIn.signedInAgain());
    awaitTask(std::move(check));
    settle();
    QueryView *shown = signedIn.query();
    QVERIFY(shown);
    QCOMPARE(shown->searchBox()->field()->text(), QStringLiteral("张文博"));
    QCOMPARE(signedIn.rig.model->query(), QStringLiteral("张文博"));
    QVERIFY(shown->searchBox()->field()->hasFocus());
    QCOMPARE(shown, query.data());
}

QTEST_MAIN(ReSignInTest)
#include "tst_resign.moc"
