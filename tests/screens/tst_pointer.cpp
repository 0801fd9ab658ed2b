// The screens under a pointer: clicks land on window points, as a person's do, and reach whatever
// widget is drawn there, with the focus and the screen changes the window system would make.

#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/screens/answergroup.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/lessoncard.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/querydate.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/segmentedcontrol.h"
#include "app/week/coursedetailcard.h"
#include "app/week/coursedetailpopover.h"
#include "app/week/detailoverlay.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weektimetableview.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/faults.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// The point at a named place of a rectangle: its four edges, its four corners (inside the rounding
// of `radius`), and its middle.
QPoint placeIn(const QRect &rect, const QString &place, int radius)
{
    const int inset = std::max(1, radius - radius * 7 / 10);
    const int left = rect.left() + 1, right = rect.right() - 1;
    const int top = rect.top() + 1, bottom = rect.bottom() - 1;
    const QPoint centre = rect.center();
    if (place == QLatin1String("top"))
        return {centre.x(), top};
    if (place == QLatin1String("bottom"))
        return {centre.x(), bottom};
    if (place == QLatin1String("left"))
        return {left, centre.y()};
    if (place == QLatin1String("right"))
        return {right, centre.y()};
    if (place == QLatin1String("top left"))
        return {left + inset, top + inset};
    if (place == QLatin1String("top right"))
        return {right - inset, top + inset};
    if (place == QLatin1String("bottom left"))
        return {left + inset, bottom - inset};
    if (place == QLatin1String("bottom right"))
        return {right - inset, bottom - inset};
    return centre;
}

const QStringList places{"top",       "bottom",      "left",         "right", "top left",
                         "top right", "bottom left", "bottom right", "middle"};

// A student's day on screen, the moment no longer following the clock, and the date controls opened
// by a click on the calendar button; false when any of it did not come.
bool openDateControls(SignedInWindow &signedIn)
{
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
    if (!lesson || !signedIn.choose(lesson->studentName))
        return false;
    Model &model = *signedIn.rig.model;
    model.setFollowNow(false);
    QueryView *query = signedIn.query();
    if (!ScreenRig::waitFor([&model] { return !model.loadingSchedule(); }))
        return false;
    clickAt(signedIn.window.get(), inWindow(query->searchArea()->calendarButton()).center());
    return ScreenRig::waitFor([query] { return query->dateControls()->isVisible(); });
}

// The cell of a day of the shown month in a calendar's grid. The greyed days of the months around
// it repeat day numbers, but a first-half day stands in the upper rows, a second-half day in the lower.
QModelIndex cellOfDay(const QTableView *days, int day)
{
    const QAbstractItemModel *model = days->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex cell = model->index(row, column);
            if (cell.data().toInt() == day && (day < 15) == (row < 4))
                return cell;
        }
    }
    return {};
}

// The window point in the middle of a part of the date editor's "yyyy/MM/dd HH:mm".
QPoint pointOfPart(QDateTimeEdit *editor, const QString &part)
{
    const int first = part == QLatin1String("month") ? 5 : 8;
    auto *line = editor->findChild<QLineEdit *>();
    const auto caretAt = [line](int position) {
        line->setCursorPosition(position);
        return line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    };
    const QPoint middle = (caretAt(first) + caretAt(first + 2)) / 2;
    return line->mapTo(line->window(), middle);
}

} // namespace

class PointerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void everyVisiblePixelOfAnInputTakesTheClick_data();
    void everyVisiblePixelOfAnInputTakesTheClick();
    void signInCardStaysPutWhenAMessageComes();
    void firstNextCardShowsItsCountdown();
    void typedDateReloadsOnceWhenEditingEnds_data();
    void typedDateReloadsOnceWhenEditingEnds();
    void dateEditorTakesWholeMoments_data();
    void dateEditorTakesWholeMoments();
    void escapeInTheDateControlsGoesBackToTheCalendarButton_data();
    void escapeInTheDateControlsGoesBackToTheCalendarButton();
    void clickDuringTheFadeReachesTheNewScreen();
    void departedQueryScreenNoLongerReacts();
    void ctrlQReachesTheWindowFromEveryInput();
    void pickerClickMovesTheKeyboardOutOfTheGoingAnswer();
    void keyboardGoesToTheSearchOnceSignedIn();
    void closingADetailWithThePointerLeavesTheKeyboardWhereItWas_data();
    void closingADetailWithThePointerLeavesTheKeyboardWhereItWas();
};

void PointerTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void PointerTest::everyVisiblePixelOfAnInputTakesTheClick_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("place");
    for (const QString input : {"account", "password", "search"}) {
        for (const QString &place : places)
            QTest::addRow("%s, %s", qPrintable(input), qPrintable(place)) << input << place;
    }
}

void PointerTest::everyVisiblePixelOfAnInputTakesTheClick()
{
    QFETCH(QString, input);
    QFETCH(QString, place);
    ScreenRig rig;
    std::unique_ptr<QWidget> screen;
    QWidget *target = nullptr;
    QRect visible;
    int radius = 0;
    if (input == QLatin1String("search")) {
        rig.signIn();
        auto *query = new QueryView(rig.model.get(), rig.clock());
        screen.reset(query);
        screen->resize(1200, 850);
        screen->show();
        QApplication::setActiveWindow(screen.get());
        settle();
        target = query->searchBox()->field();
        visible = inWindow(query->searchBox());
        radius = SearchBox::fieldHeight / 2;
        // Somewhere else holds the focus first.
        query->searchArea()->calendarButton()->setFocus();
    } else {
        awaitTask(rig.client->start());
        auto *login = new LoginView(rig.client);
        screen.reset(login);
        screen->resize(1000, 800);
        screen->show();
        QApplication::setActiveWindow(screen.get());
        settle();
        QLineEdit *field = input == QLatin1String("account") ? login->accountField() : login->passwordField();
        target = field;
        // The rounded card the field is drawn on.
        visible = inWindow(field->parentWidget());
        radius = 10;
        (field == login->accountField() ? login->passwordField() : login->accountField())->setFocus();
    }
    settle();
    QVERIFY(screen->focusWidget() != target);
    clickAt(screen.get(), placeIn(visible, place, radius));
    QCOMPARE(screen->focusWidget(), target);
}

void PointerTest::signInCardStaysPutWhenAMessageComes()
{
    ScreenRig rig;
    awaitTask(rig.client->start());
    LoginView login(rig.client);
    login.resize(1000, 800);
    login.show();
    login.accountField()->setText(QStringLiteral("demo"));
    login.passwordField()->setText(QStringLiteral("wrong"));
    settle();
    const QRect before = inWindow(login.accountField());
    rig.platform.faults().answer(QStringLiteral("/api/MemberShip/Login"),
                                 demo::refusal(1002, QStringLiteral("密码错误")));
    login.submit();
    QTRY_VERIFY(!login.messageLabel()->text().isEmpty());
    settle();
    QCOMPARE(inWindow(login.accountField()), before);
}

void PointerTest::firstNextCardShowsItsCountdown()
{
    const QDate day(2025, 3, 12);
    LessonCard card;
    // Made and given its lesson before it is ever on screen, as the first card of a result is.
    card.present(DayLesson{Lesson{}, 600, 640}, CourseState::upcoming,
                 shanghai::startOf(day).addSecs(590 * 60), std::nullopt);
    card.resize(500, 300);
    card.show();
    QVERIFY(QTest::qWaitForWindowExposed(&card));
    QVERIFY(card.countdownPill()->isVisible());
    QCOMPARE(card.countdownPill()->text(), QStringLiteral("距上课 10 分钟"));
}

void PointerTest::typedDateReloadsOnceWhenEditingEnds_data()
{
    QTest::addColumn<QString>("ending");
    QTest::newRow("Return") << QStringLiteral("return");
    QTest::newRow("focus leaving") << QStringLiteral("focus");
}

void PointerTest::typedDateReloadsOnceWhenEditingEnds()
{
    QFETCH(QString, ending);
    SignedInWindow signedIn;
    QVERIFY(signedIn.query());
    Model &model = *signedIn.rig.model;
    QueryView *query = signedIn.query();
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
    QVERIFY(lesson);
    QVERIFY(signedIn.choose(lesson->studentName));
    model.setFollowNow(false);
    // A moment set while the controls are closed is the one they show as they open.
    model.setDate(model.date().addSecs(2 * 3600 + 17));
    settle();
    QTRY_VERIFY(!model.loadingSchedule());

    int started = 0;
    QObject::connect(&model, &Model::loadingScheduleChanged, query,
                     [&] { started += model.loadingSchedule(); });
    clickAt(signedIn.window.get(), inWindow(query->searchArea()->calendarButton()).center());
    DateControls *controls = query->dateControls();
    QTRY_VERIFY(controls->isVisible());
    QDateTimeEdit *editor = controls->editor();
    QDateTime shown = querydate::toWallClock(model.date());
    shown.setTime(QTime(shown.time().hour(), shown.time().minute()));
    QCOMPARE(editor->dateTime(), shown);
    clickAt(signedIn.window.get(), inWindow(editor).center());
    const QDate from = editor->date();
    // Two days on, typed over the day part, then the month part typed as it was.
    const QDate target = from.addDays(from.day() <= 26 ? 2 : -2);
    editor->setFocus();
    editor->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(editor, QStringLiteral("%1").arg(target.day(), 2, 10, QLatin1Char('0')));
    editor->setSelectedSection(QDateTimeEdit::MonthSection);
    QTest::keyClicks(editor, QStringLiteral("%1").arg(target.month(), 2, 10, QLatin1Char('0')));
    settle();
    QCOMPARE(started, 0);
    if (ending == QLatin1String("return"))
        QTest::keyClick(editor, Qt::Key_Return);
    else
        query->searchBox()->field()->setFocus();
    QTRY_COMPARE(started, 1);
    QTRY_VERIFY(!model.loadingSchedule());
    settle();
    QCOMPARE(started, 1);
    QCOMPARE(shanghai::dateOf(model.date()), target);
}

void PointerTest::dateEditorTakesWholeMoments_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QDate>("taken");
    QTest::addColumn<bool>("atOnce");
    const QDate today(2025, 3, 12);
    QTest::newRow("a clicked day typed over")
        << QStringList{"click day", "1", "4"} << QDate(2025, 3, 14) << false;
    QTest::newRow("a day typed slowly")
        << QStringList{"click day", "1", "pause", "3"} << QDate(2025, 3, 13) << false;
    QTest::newRow("a clicked month typed over")
        << QStringList{"click month", "0", "4"} << QDate(2025, 4, 12) << false;
    QTest::newRow("half a day typed") << QStringList{"click day", "0", "pause"} << today << false;
    QTest::newRow("Up on a clicked day") << QStringList{"click day", "Up"} << QDate(2025, 3, 13) << true;
    QTest::newRow("Down on a clicked month")
        << QStringList{"click month", "Down"} << QDate(2025, 2, 12) << true;
    QTest::newRow("a day clicked in the calendar")
        << QStringList{"calendar", "day 14"} << QDate(2025, 3, 14) << true;
    QTest::newRow("the next day in the calendar")
        << QStringList{"calendar", "Right", "Return"} << QDate(2025, 3, 13) << true;
}

void PointerTest::dateEditorTakesWholeMoments()
{
    QFETCH(QStringList, steps);
    QFETCH(QDate, taken);
    QFETCH(bool, atOnce);
    SignedInWindow signedIn;
    QVERIFY(openDateControls(signedIn));
    Model &model = *signedIn.rig.model;
    QWidget *window = signedIn.window.get();
    MomentEditor *editor = signedIn.query()->dateControls()->editor();
    const QDate from = shanghai::dateOf(model.date());
    // The open calendar's grid of days, which has the keyboard while it is open.
    auto *calendarDays = editor->calendarWidget()->findChild<QTableView *>();
    int reloads = 0;
    QObject::connect(&model, &Model::loadingScheduleChanged, window,
                     [&] { reloads += model.loadingSchedule(); });

    for (const QString &step : steps) {
        if (step.startsWith(QLatin1String("click ")))
            clickAt(window, pointOfPart(editor, step.mid(6)));
        else if (step == QLatin1String("calendar"))
            clickAt(window, inWindow(editor).topRight() + QPoint(-6, editor->height() / 2));
        else if (step.startsWith(QLatin1String("day ")))
            QTest::mouseClick(
                calendarDays->viewport(), Qt::LeftButton, {},
                calendarDays->visualRect(cellOfDay(calendarDays, step.mid(4).toInt())).center());
        else if (step == QLatin1String("pause"))
            QTest::qWait(1500);
        else if (QApplication::activePopupWidget())
            QTest::keyClick(calendarDays, QKeySequence(step)[0].key());
        else
            QTest::keyClick(window->windowHandle(), QKeySequence(step)[0].key());
        settle();
    }
    if (atOnce)
        QCOMPARE(shanghai::dateOf(model.date()), taken);
    QTRY_COMPARE(shanghai::dateOf(model.date()), taken);
    // Nothing typed halfway is ever taken, and what is taken is taken once.
    QTest::qWait(1500);
    QCOMPARE(reloads, taken == from ? 0 : 1);
    QCOMPARE(shanghai::dateOf(model.date()), taken);
    if (taken != from)
        QCOMPARE(editor->date(), taken);
}

void PointerTest::escapeInTheDateControlsGoesBackToTheCalendarButton_data()
{
    QTest::addColumn<int>("tabs");
    QTest::newRow("from the editor") << 0;
    QTest::newRow("from the switch") << 1;
}

void PointerTest::escapeInTheDateControlsGoesBackToTheCalendarButton()
{
    QFETCH(int, tabs);
    SignedInWindow signedIn;
    QVERIFY(openDateControls(signedIn));
    QueryView *query = signedIn.query();
    QWidget *window = signedIn.window.get();
    clickAt(window, inWindow(query->dateControls()->editor()).center());
    for (int tab = 0; tab < tabs; ++tab)
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab);
    QVERIFY(query->dateControls()->isAncestorOf(window->focusWidget()));
    const QScrollBar *scroll = query->findChild<QScrollArea *>()->verticalScrollBar();
    const int scrolled = scroll->value();

    QTest::keyClick(window->windowHandle(), Qt::Key_Escape);
    settle();
    QVERIFY(!query->dateControls()->isVisible());
    QCOMPARE(window->focusWidget(), query->searchArea()->calendarButton());
    QCOMPARE(scroll->value(), scrolled);
}

void PointerTest::clickDuringTheFadeReachesTheNewScreen()
{
    motion::setReduced(false);
    ScreenRig rig;
    ContentView window(rig.model.get(), rig.clock());
    window.resize(1200, 850);
    window.show();
    QApplication::setActiveWindow(&window);
    QTRY_VERIFY(qobject_cast<LoginView *>(window.screen()));
    rig.signIn();
    QTRY_VERIFY(qobject_cast<QueryView *>(window.screen()));
    auto *query = qobject_cast<QueryView *>(window.screen());
    // At once, while the sign-in screen is still fading out over it.
    settle();
    clickAt(&window, inWindow(query->searchBox()).center());
    motion::setReduced(true);
    QVERIFY(window.findChildren<LoginView *>().isEmpty());
    QCOMPARE(window.focusWidget(), query->searchBox()->field());
}

void PointerTest::departedQueryScreenNoLongerReacts()
{
    motion::setReduced(false);
    SignedInWindow signedIn;
    QVERIFY(signedIn.query());
    QuorvaleClient *client = signedIn.rig.client;
    // An expired session: signed in, restoring, signed in again.
    signedIn.rig.platform.sessions().expireAll();
    awaitTask(client->verify());
    QTRY_VERIFY(client->phase() != SessionPhase::Restoring && !client->working());
    QTRY_COMPARE(signedIn.window->shownPhase(), client->phase());
    settle();
    motion::setReduced(true);
    // Only the screen shown is there; a departed one is gone while its picture fades.
    const qsizetype expected = client->phase() == SessionPhase::SignedIn ? 1 : 0;
    QCOMPARE(signedIn.window->findChildren<QueryView *>().size(), expected);
}

// A click on a search picker takes the person shown away, and with it the answer the keyboard was
// in: the keys go on in the search field.
void PointerTest::pickerClickMovesTheKeyboardOutOfTheGoingAnswer()
{
    SignedInWindow signedIn;
    const std::optional<ExpectedLesson> lesson =
        plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
    QVERIFY(lesson);
    QVERIFY(signedIn.choose(lesson->studentName));
    QueryView *query = signedIn.query();
    QWidget *window = signedIn.window.get();
    const QPointer<ResultArea> result = query->resultArea();
    result->answer()->setFocus(Qt::TabFocusReason);

    // The picker takes no focus from the click; the answer fades out and goes, as a person sees it.
    motion::setReduced(false);
    SegmentedControl *kinds = query->searchArea()->kindPicker();
    clickAt(window, kinds->mapTo(window, kinds->segmentRect(1).center()));
    QTRY_VERIFY(!result);
    motion::setReduced(true);
    QCOMPARE(window->focusWidget(), query->searchBox()->field());
    QTest::keyClick(window->windowHandle(), 'x');
    QCOMPARE(query->searchBox()->field()->text(), QStringLiteral("x"));
}

// The application quits on Ctrl+Q, a shortcut of its window; no input of the screens may take the
// keys for itself.
void PointerTest::ctrlQReachesTheWindowFromEveryInput()
{
    SignedInWindow signedIn;
    QVERIFY(signedIn.query());
    int quits = 0;
    auto *quit = new QAction(signedIn.window.get());
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, [&quits] { ++quits; });
    signedIn.window->addAction(quit);
    QueryView *query = signedIn.query();
    // The editor takes input only while the moment does not follow the clock.
    signedIn.rig.model->setFollowNow(false);
    clickAt(signedIn.window.get(), inWindow(query->searchArea()->calendarButton()).center());
    QTRY_VERIFY(query->dateControls()->isVisible());
    // The date editor first: focusing the search field closes the date controls.
    const QList<QWidget *> inputs{query->dateControls()->editor(), query->searchBox()->field()};
    for (QWidget *input : inputs) {
        clickAt(signedIn.window.get(), inWindow(input).center());
        QCOMPARE(signedIn.window->focusWidget(), input);
        const int before = quits;
        QTest::keyClick(signedIn.window->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quits, before + 1);
    }
}

void PointerTest::keyboardGoesToTheSearchOnceSignedIn()
{
    SignedInWindow signedIn;
    QVERIFY(signedIn.query());
    QLineEdit *field = signedIn.query()->searchBox()->field();
    QTRY_COMPARE(QApplication::focusWidget(), field);
    // A name typed straight after signing in lands in the search.
    typeText(QApplication::focusWidget(), QStringLiteral("张文博"));
    QCOMPARE(field->text(), QStringLiteral("张文博"));
}

QTEST_MAIN(PointerTest)

void PointerTest::closingADetailWithThePointerLeavesTheKeyboardWhereItWas_data()
{
    QTest::addColumn<QString>("before");
    QTest::newRow("the answer had it") << QStringLiteral("answer");
    QTest::newRow("the course had it") << QStringLiteral("course");
    QTest::newRow("nothing had it") << QStringLiteral("nothing");
}

// A course's detail pinned and closed with the pointer hands the keyboard back where it was before,
// or to the course when nothing had it: never to nothing, where keys go unheard.
void PointerTest::closingADetailWithThePointerLeavesTheKeyboardWhereItWas()
{
    QFETCH(QString, before);
    SignedInWindow signedIn;
    QVERIFY(signedIn.choose(signedIn.rig.school().students.first().name));
    QueryView *query = signedIn.query();
    QWidget *window = signedIn.window.get();
    WeekCourseBlock *block = firstCourse(query);
    QVERIFY(block);
    WeekTimetableView *week = query->resultArea()->weekView();
    QWidget *expected = block;
    if (before == QLatin1String("answer")) {
        expected = query->resultArea()->answer();
        expected->setFocus(Qt::TabFocusReason);
    } else if (before == QLatin1String("course")) {
        block->setFocus(Qt::TabFocusReason);
    } else if (QWidget *focused = window->focusWidget()) {
        focused->clearFocus();
    }
    QScrollArea *page = query->findChild<QScrollArea *>();
    page->ensureWidgetVisible(block);
    settle();
    clickAt(window, inWindow(block).center());
    QTRY_VERIFY(week->detailOverlay()->card());
    settle();
    clickAt(window, inWindow(week->detailOverlay()->card()->popover()->closeButton()).center());
    QTRY_VERIFY(!week->detailOverlay()->card());
    settle();
    QCOMPARE(window->focusWidget(), expected);
}

#include "tst_pointer.moc"
