// The screens under the keyboard: which field has the focus as each screen appears, what the query
// screen opens by itself as it comes back after a new sign-in, and where Tab takes a person who has no pointer.

#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/look/searchactionbutton.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/answergroup.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/signinbutton.h"
#include "app/screens/topbar.h"
#include "app/week/weekcourseblock.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/faults.h"
#include "tools/demoplatform/httpmessage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QTest>
#include <algorithm>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

LoginView *loginOf(const ContentView &window)
{
    return qobject_cast<LoginView *>(window.screen());
}

// The sign-in screen of the window once its form takes input.
LoginView *usableLogin(const ContentView &window)
{
    if (!ScreenRig::waitFor([&window] {
            const LoginView *login = loginOf(window);
            return login && login->accountField()->isEnabled();
        }))
        return nullptr;
    settle();
    return loginOf(window);
}

QStringList names(const QList<QWidget *> &widgets)
{
    QStringList texts;
    for (const QWidget *widget : widgets)
        texts.append(
            widget ? QStringLiteral("%1 %2").arg(widget->metaObject()->className(), widget->accessibleName())
                   : QStringLiteral("(none)"));
    return texts;
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rebuiltQueryScreenOpensNothingByItself();
    void signInScreenFocusesTheFieldToFill_data();
    void signInScreenFocusesTheFieldToFill();
    void tabVisitsEveryControlOnceInReadingOrder_data();
    void tabVisitsEveryControlOnceInReadingOrder();
    void disabledWebsiteLinkLooksDisabled();
    void calendarOpensAndPicksFromTheKeyboard_data();
    void calendarOpensAndPicksFromTheKeyboard();
    void signInButtonKeepsTheKeyboardWhileSigningIn();
};

void KeyboardTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void KeyboardTest::rebuiltQueryScreenOpensNothingByItself()
{
    SignedInWindow signedIn(ScreenRig::defaultMoment(), true);
    QVERIFY(signedIn.query());
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
    QVERIFY(lesson);
    QVERIFY(signedIn.choose(lesson->studentName));
    QuorvaleClient *client = signedIn.rig.client;
    // Watched, not kept as an address: a new screen could be made where the old one was.
    const QPointer<QueryView> before = signedIn.query();

    // The session runs out; the client signs in again by itself and the same screen comes back.
    signedIn.rig.platform.sessions().expireAll();
    awaitTask(client->verify());
    QTRY_VERIFY(client->phase() == SessionPhase::SignedIn && !client->working());
    QTRY_VERIFY(before && signedIn.query() == before);
    settle();
    QueryView *query = signedIn.query();
    QCOMPARE(query->searchBox()->field()->text(), lesson->studentName);
    QVERIFY(!query->searchFocused());
    QVERIFY(!query->dropdownVisible());
    // A stray Return changes nothing either.
    QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Return);
    settle();
    QVERIFY(!query->dropdownVisible());
    QCOMPARE(signedIn.rig.model->selectionName(), lesson->studentName);
}

void KeyboardTest::signInScreenFocusesTheFieldToFill_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<bool>("accountShown");
    QTest::newRow("start, nothing saved") << QStringLiteral("start") << false;
    QTest::newRow("signed out, account forgotten") << QStringLiteral("sign-out") << false;
    QTest::newRow("expired, nothing saved") << QStringLiteral("expiry") << false;
    QTest::newRow("new sign-in refused for a captcha") << QStringLiteral("captcha") << true;
}

void KeyboardTest::signInScreenFocusesTheFieldToFill()
{
    QFETCH(QString, situation);
    QFETCH(bool, accountShown);
    ScreenRig rig;
    ContentView window(rig.model.get(), rig.clock());
    window.resize(1200, 850);
    window.show();
    // The window has the keyboard as it maps, before the client has checked anything.
    QApplication::setActiveWindow(&window);
    QVERIFY(usableLogin(window));
    if (situation != QLatin1String("start")) {
        const demo::DemoAccount &account = rig.school().account;
        awaitTask(rig.client->login(account.name, account.password, QString(), situation != "expiry"));
        QTRY_VERIFY(qobject_cast<QueryView *>(window.screen()));
        settle();
        if (situation == QLatin1String("sign-out")) {
            TopBar *bar = qobject_cast<QueryView *>(window.screen())->topBar();
            clickAt(&window, inWindow(bar->accountButton()).center());
            QTRY_VERIFY(bar->accountMenu()->isVisible());
            QMenu *menu = bar->accountMenu();
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(bar->signOutAction()).center());
        } else {
            if (situation == QLatin1String("captcha"))
                rig.platform.sessions().account(account.name)->captchaRequired = true;
            rig.platform.sessions().expireAll();
            awaitTask(rig.client->verify());
        }
    }
    LoginView *login = usableLogin(window);
    QVERIFY(login);
    QCOMPARE(login->accountField()->text().isEmpty(), !accountShown);
    QLineEdit *expected = accountShown ? login->passwordField() : login->accountField();
    QTRY_COMPARE(QApplication::focusWidget(), expected);
    // What is typed now lands there.
    QTest::keyClick(window.windowHandle(), 'k');
    QTest::keyClick(window.windowHandle(), '7');
    QCOMPARE(expected->text().right(2), QStringLiteral("k7"));
}

void KeyboardTest::tabVisitsEveryControlOnceInReadingOrder_data()
{
    QTest::addColumn<QString>("shown");
    QTest::newRow("nothing searched") << QStringLiteral("empty");
    QTest::newRow("a name typed") << QStringLiteral("typed");
    QTest::newRow("student selected") << QStringLiteral("student");
    QTest::newRow("teacher selected") << QStringLiteral("teacher");
}

void KeyboardTest::tabVisitsEveryControlOnceInReadingOrder()
{
    QFETCH(QString, shown);
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    const demo::SchoolData &school = signedIn.rig.school();
    if (shown == QLatin1String("typed")) {
        typeText(query->searchBox()->field(), school.students.first().name);
    } else if (shown == QLatin1String("student")) {
        const std::optional<ExpectedLesson> lesson =
            plainLessonAt(school, shanghai::dateOf(signedIn.rig.now()), 3);
        QVERIFY(lesson);
        QVERIFY(signedIn.choose(lesson->studentName));
    } else if (shown == QLatin1String("teacher")) {
        SegmentedControl *kinds = query->searchArea()->kindPicker();
        clickAt(signedIn.window.get(), kinds->mapTo(signedIn.window.get(), kinds->segmentRect(1).center()));
        QVERIFY(signedIn.choose(school.teachers.first().name));
    }
    // From no focus, as after a choice in the dropdown, Tab starts at the top and goes round once.
    QWidget *window = signedIn.window.get();
    const auto unfocus = [] {
        if (QWidget *focused = QApplication::focusWidget())
            focused->clearFocus();
        settle();
    };
    unfocus();
    const QList<QWidget *> controls = tabControls(window);
    const int count = int(controls.size());
    const QList<QWidget *> order = walk(window, count, true);
    QCOMPARE(order.first(), query->topBar()->accountButton());
    QList<QWidget *> once = order;
    std::sort(once.begin(), once.end());
    QList<QWidget *> all = controls;
    std::sort(all.begin(), all.end());
    QVERIFY2(once == all, qPrintable(names(order).join(QStringLiteral(" → "))));
    QCOMPARE(walk(window, 1, true).first(), order.first());

    // Reading order: top to bottom, the lessons of the week as one run in the week's own order.
    const QWidget *page = query->findChild<QScrollArea *>()->widget();
    int top = -1;
    qsizetype firstBlock = -1, lastBlock = -1;
    for (qsizetype at = 0; at < order.size(); ++at) {
        if (qobject_cast<WeekCourseBlock *>(order.at(at))) {
            firstBlock = firstBlock < 0 ? at : firstBlock;
            lastBlock = at;
            continue;
        }
        const int y = order.at(at)->mapTo(page, QPoint()).y();
        QVERIFY2(y >= top, qPrintable(names(order).join(QStringLiteral(" → "))));
        top = y;
    }
    if (firstBlock >= 0) {
        for (qsizetype at = firstBlock; at <= lastBlock; ++at)
            QVERIFY(qobject_cast<WeekCourseBlock *>(order.at(at)));
        QVERIFY(order.indexOf(query->searchBox()->searchButton()) < firstBlock);
    }
    if (ResultArea *result = query->resultArea())
        QCOMPARE(order.last(), result->reloadButton());

    // Shift+Tab walks the same round backwards, from the bottom.
    unfocus();
    QList<QWidget *> backward = walk(window, count, false);
    std::reverse(backward.begin(), backward.end());
    QCOMPARE(names(backward), names(order));
}

void KeyboardTest::disabledWebsiteLinkLooksDisabled()
{
    ScreenRig rig;
    awaitTask(rig.client->start());
    LoginView login(rig.client);
    login.resize(1000, 800);
    login.show();
    QApplication::setActiveWindow(&login);
    QVERIFY(QTest::qWaitForWindowExposed(&login));
    settle();
    GlyphButton *link = login.websiteButton();
    const QImage enabled = link->grab().toImage();

    // A sign-in that the platform holds keeps the client working, and the form disabled.
    rig.platform.faults().hold(QStringLiteral("/api/MemberShip/Login"));
    login.accountField()->setFocus();
    QTest::keyClicks(login.accountField(), rig.school().account.name);
    QTest::keyClick(login.accountField(), Qt::Key_Return);
    QTest::keyClicks(login.passwordField(), rig.school().account.password);
    QTest::keyClick(login.passwordField(), Qt::Key_Return);
    QTRY_VERIFY(!link->isEnabled());
    settle();
    QVERIFY(link->grab().toImage() != enabled);
    rig.platform.releaseHeld();
}

void KeyboardTest::calendarOpensAndPicksFromTheKeyboard_data()
{
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("moved");
    QTest::newRow("F4, the next day, Return") << QStringLiteral("F4") << QStringList{"Right", "Return"} << 1;
    QTest::newRow("Alt+Down, the day before, Return")
        << QStringLiteral("Alt+Down") << QStringList{"Left", "Return"} << -1;
    // Days browsed count only once one is picked; Escape leaves the day the calendar opened on.
    QTest::newRow("F4, a week on, Escape") << QStringLiteral("F4") << QStringList{"Down", "Escape"} << 0;
    QTest::newRow("F4, days browsed, Return")
        << QStringLiteral("F4") << QStringList{"Down", "Down", "Right", "Return"} << 15;
}

void KeyboardTest::calendarOpensAndPicksFromTheKeyboard()
{
    QFETCH(QString, opening);
    QFETCH(QStringList, steps);
    QFETCH(int, moved);
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    // A person shown, so that a new day reads a timetable.
    QVERIFY(signedIn.choose(QStringLiteral("张文博")));
    MomentEditor *editor = focusDateEditor(query);
    QVERIFY(editor);
    const QDate from = editor->date();
    signedIn.rig.platform.clearLog();
    const auto timetableReads = [&signedIn] {
        const QList<demo::HttpRequest> requests = signedIn.rig.platform.requests();
        return std::count_if(requests.cbegin(), requests.cend(), [](const demo::HttpRequest &request) {
            return request.path.contains(QStringLiteral("TimeTable"));
        });
    };

    const QKeyCombination keys = QKeySequence(opening)[0];

    QTest::keyClick(editor, keys.key(), keys.keyboardModifiers());
    settle();
    QVERIFY(QApplication::activePopupWidget());
    // The focus is on the chosen day, and opening stepped nothing.
    const auto *days = qobject_cast<QAbstractItemView *>(QApplication::focusWidget());
    QVERIFY(days && editor->calendarWidget()->isAncestorOf(days));
    QCOMPARE(days->currentIndex().data().toInt(), from.day());
    QCOMPARE(editor->date(), from);

    for (const QString &step : steps) {
        QTest::keyClick(QApplication::focusWidget(), QKeySequence(step)[0].key());
        settle();
        // Browsing reads nothing.
        if (QApplication::activePopupWidget())
            QCOMPARE(timetableReads(), 0);
    }
    QVERIFY(!QApplication::activePopupWidget());
    // A day picked closes the controls and hands the keyboard to the answer for it; Escape leaves it
    // in the editor.
    if (steps.last() == QLatin1String("Return")) {
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(query->resultArea()->answer()));
        QVERIFY(!query->dateControls()->isVisible());
    } else {
        QCOMPARE(QApplication::focusWidget(), editor);
        QVERIFY(query->dateControls()->isVisible());
    }
    QTRY_COMPARE(shanghai::dateOf(signedIn.rig.model->date()), from.addDays(moved));
    QTRY_VERIFY(!signedIn.rig.model->loadingSchedule());
    QCOMPARE(timetableReads(), moved == 0 ? 0 : 1);
    QCOMPARE(editor->date(), from.addDays(moved));
}

// Return on the focused sign-in button leaves the keyboard on it while the sign-in runs, so that a
// screen reader hears it say "正在登录…".
void KeyboardTest::signInButtonKeepsTheKeyboardWhileSigningIn()
{
    ScreenRig rig;
    ContentView window(rig.model.get(), rig.clock());
    window.resize(1200, 850);
    window.show();
    QApplication::setActiveWindow(&window);
    LoginView *login = usableLogin(window);
    QVERIFY(login);
    login->accountField()->setText(rig.school().account.name);
    login->passwordField()->setText(rig.school().account.password);
    QTRY_VERIFY(login->signInButton()->isEnabled());
    login->signInButton()->setFocus(Qt::TabFocusReason);
    rig.platform.faults().hold(QStringLiteral("/api/MemberShip/Login"));
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    QTRY_VERIFY(rig.platform.heldCount() > 0);
    settle();
    QCOMPARE(QApplication::focusWidget(), login->signInButton());
    QCOMPARE(login->signInButton()->text(), QStringLiteral("正在登录…"));
    // Pressed again meanwhile, it starts nothing.
    QTest::keyClick(window.windowHandle(), Qt::Key_Return);
    rig.platform.releaseHeld();
    QTRY_VERIFY(qobject_cast<QueryView *>(window.screen()));
    QCOMPARE(rig.platform.requestsTo(QStringLiteral("/api/MemberShip/Login")).size(), 1);
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
