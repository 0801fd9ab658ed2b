// The screens for people who use the keyboard and a screen reader: what each control is called and
// what it is, what hidden parts must never receive, where the focus and the page stay when a control
// reloads or changes the day, and how plainly a focused switch shows it.

#include "app/look/colourscheme.h"
#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
#include "app/screens/answergroup.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/segmentedcontrol.h"
#include "app/screens/switchtoggle.h"
#include "app/screens/topbar.h"
#include "app/week/weekcourseblock.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <cmath>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// Pixels that a person tells apart at a glance: far apart in colour.
int clearlyChanged(const QImage &before, const QImage &after)
{
    int count = 0;
    for (int y = 0; y < std::min(before.height(), after.height()); ++y) {
        for (int x = 0; x < std::min(before.width(), after.width()); ++x) {
            const QColor a = before.pixelColor(x, y);
            const QColor b = after.pixelColor(x, y);
            const double distance = std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
            count += distance >= 100.0 ? 1 : 0;
        }
    }
    return count;
}

// A student's day with lessons and the week under them, scrolled down so that the week is in view.
struct WeekInView
{
    SignedInWindow signedIn;
    QScrollBar *scroll = nullptr;

    bool show()
    {
        const std::optional<ExpectedLesson> lesson =
            plainLessonAt(signedIn.rig.school(), shanghai::dateOf(signedIn.rig.now()), 3);
        if (!lesson || !signedIn.choose(lesson->studentName))
            return false;
        Model *model = signedIn.rig.model.get();
        if (!ScreenRig::waitFor([&] { return !model->loadingSchedule() && model->week(); }))
            return false;
        settle();
        scroll = signedIn.query()->findChild<QScrollArea *>()->verticalScrollBar();
        scroll->setValue(scroll->maximum() * 2 / 3);
        settle();
        return scroll->value() > 0;
    }

    // Waits for the timetable asked for to arrive and be shown.
    bool loaded()
    {
        Model *model = signedIn.rig.model.get();
        const bool done = ScreenRig::waitFor([&] { return !model->loadingSchedule(); });
        settle();
        return done;
    }
};

// What a screen reader hears as a control takes the focus: the element itself, or the part of it
// that has the focus.
QAccessibleInterface *heard(QWidget *widget)
{
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(widget);
    QAccessibleInterface *part = element ? element->focusChild() : nullptr;
    return part ? part : element;
}

// Elements that only hold others: a screen reader says nothing of what they do.
bool isContainer(QAccessible::Role role)
{
    return role == QAccessible::NoRole || role == QAccessible::Client || role == QAccessible::Grouping ||
           role == QAccessible::Pane || role == QAccessible::Window;
}

} // namespace

class AccessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void focusableControlsSayWhatTheyAre_data();
    void focusableControlsSayWhatTheyAre();
    void pickersMarkTheirChoice_data();
    void pickersMarkTheirChoice();
    void courseBlockPressPinsItsDetail_data();
    void courseBlockPressPinsItsDetail();
    void focusedSwitchIsPlainlyMarked_data();
    void focusedSwitchIsPlainlyMarked();
    void keyringNoticeDescribesTheFields();
    void signInCheckKeepsTheFocusAndTellsItsOutcome();
    void reloadKeepsTheFocusAndThePlace();
    void newDayKeepsThePlace_data();
    void newDayKeepsThePlace();
};

void AccessTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
}

void AccessTest::focusableControlsSayWhatTheyAre_data()
{
    QTest::addColumn<QString>("shown");
    QTest::newRow("sign-in") << QStringLiteral("sign-in");
    QTest::newRow("nothing searched") << QStringLiteral("empty");
    QTest::newRow("teacher by course, date controls open") << QStringLiteral("course");
    QTest::newRow("student with the week") << QStringLiteral("student");
}

void AccessTest::focusableControlsSayWhatTheyAre()
{
    QFETCH(QString, shown);
    std::unique_ptr<ScreenRig> rig;
    std::unique_ptr<ContentView> contentWindow;
    std::unique_ptr<WeekInView> view;
    QWidget *window = nullptr;
    if (shown == QLatin1String("sign-in")) {
        rig = std::make_unique<ScreenRig>();
        contentWindow = std::make_unique<ContentView>(rig->model.get(), rig->clock());
        contentWindow->resize(1200, 850);
        contentWindow->show();
        QApplication::setActiveWindow(contentWindow.get());
        QTRY_VERIFY(qobject_cast<LoginView *>(contentWindow->screen()) &&
                    qobject_cast<LoginView *>(contentWindow->screen())->accountField()->isEnabled());
        window = contentWindow.get();
    } else {
        view = std::make_unique<WeekInView>();
        window = view->signedIn.window.get();
        QueryView *query = view->signedIn.query();
        if (shown == QLatin1String("student")) {
            QVERIFY(view->show());
        } else if (shown == QLatin1String("course")) {
            for (SegmentedControl *picker :
                 {query->searchArea()->kindPicker(), query->searchArea()->teacherPicker()})
                clickAt(window, picker->mapTo(window, picker->segmentRect(1).center()));
            query->searchArea()->calendarButton()->click();
        }
    }
    settle();
    if (QWidget *focused = QApplication::focusWidget())
        focused->clearFocus();
    settle();
    const QList<QWidget *> reached = walk(window, int(tabControls(window).size()), true);
    QVERIFY(!reached.isEmpty());
    for (QWidget *widget : reached) {
        QVERIFY(widget);
        const QAccessibleInterface *element = heard(widget);
        QVERIFY(element);
        const QString said = QStringLiteral("%1: \"%2\" as %3")
                                 .arg(widget->metaObject()->className(), element->text(QAccessible::Name))
                                 .arg(element->role());
        QVERIFY2(!element->text(QAccessible::Name).trimmed().isEmpty(), qPrintable(said));
        // The answer is the one group Tab stops on, read as a whole by its name.
        QVERIFY2(!isContainer(element->role()) || qobject_cast<AnswerGroup *>(widget), qPrintable(said));
        if (qobject_cast<WeekCourseBlock *>(widget))
            QVERIFY2(element->role() == QAccessible::Button, qPrintable(said));
    }
}

void AccessTest::pickersMarkTheirChoice_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("chosen");
    QTest::newRow("set by the screen") << QStringLiteral("set") << 1;
    QTest::newRow("the Right key") << QStringLiteral("key") << 1;
    QTest::newRow("a screen reader's press") << QStringLiteral("press") << 1;
    QTest::newRow("left as it starts") << QString() << 0;
}

void AccessTest::pickersMarkTheirChoice()
{
    QFETCH(QString, how);
    QFETCH(int, chosen);
    SegmentedControl picker({QStringLiteral("学生"), QStringLiteral("老师")}, 170);
    picker.setAccessibleName(QStringLiteral("查询对象"));
    picker.show();
    QApplication::setActiveWindow(&picker);
    QVERIFY(QTest::qWaitForWindowActive(&picker));
    picker.setFocus(Qt::TabFocusReason);
    QAccessibleInterface *list = QAccessible::queryAccessibleInterface(&picker);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::PageTabList);
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("查询对象"));
    QCOMPARE(list->childCount(), 2);
    if (how == QLatin1String("set"))
        picker.setCurrent(chosen);
    else if (how == QLatin1String("key"))
        QTest::keyClick(&picker, Qt::Key_Right);
    else if (how == QLatin1String("press"))
        list->child(chosen)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(picker.current(), chosen);
    for (int index = 0; index < 2; ++index) {
        QAccessibleInterface *segment = list->child(index);
        QCOMPARE(segment->role(), QAccessible::PageTab);
        QCOMPARE(segment->text(QAccessible::Name), picker.titles().at(index));
        QCOMPARE(bool(segment->state().selected), index == chosen);
        QCOMPARE(list->indexOfChild(segment), index);
    }
    // The focus is heard on the chosen segment.
    QCOMPARE(list->focusChild(), list->child(chosen));
}

void AccessTest::courseBlockPressPinsItsDetail_data()
{
    QTest::addColumn<bool>("hovering");
    QTest::newRow("closed") << false;
    QTest::newRow("a hover decision waiting") << true;
}

void AccessTest::courseBlockPressPinsItsDetail()
{
    QFETCH(bool, hovering);
    WeekInView view;
    QVERIFY(view.show());
    WeekCourseBlock *block = view.signedIn.query()->findChild<WeekCourseBlock *>();
    QVERIFY(block);
    QAccessibleInterface *element = QAccessible::queryAccessibleInterface(block);
    QCOMPARE(element->role(), QAccessible::Button);
    QCOMPARE(element->text(QAccessible::Name), block->accessibleName());
    QVERIFY(!block->accessibleName().isEmpty());
    if (hovering) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(block, &enter);
        QVERIFY(block->hoverPending());
    }
    QAccessibleActionInterface *actions = element->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames().value(0), QAccessibleActionInterface::pressAction());
    actions->doAction(QAccessibleActionInterface::pressAction());
    QVERIFY(block->pinned());
    QVERIFY(block->showsDetails());
    QCOMPARE(block->outline(), 1.0);
    QCOMPARE(block->hoverPending(), hovering);
}

void AccessTest::focusedSwitchIsPlainlyMarked_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<bool>("dark");
    QTest::newRow("off, light") << false << false;
    QTest::newRow("on, light") << true << false;
    QTest::newRow("off, dark") << false << true;
    QTest::newRow("on, dark") << true << true;
}

void AccessTest::focusedSwitchIsPlainlyMarked()
{
    QFETCH(bool, on);
    QFETCH(bool, dark);
    SwitchToggle toggle(QStringLiteral("当前时间"));
    toggle.setPalette(dark ? colourscheme::darkPalette() : QApplication::style()->standardPalette());
    toggle.setChecked(on);
    toggle.show();
    QApplication::setActiveWindow(&toggle);
    QVERIFY(QTest::qWaitForWindowActive(&toggle));
    toggle.clearFocus();
    const QImage plain = toggle.grab().toImage();
    toggle.setFocus(Qt::TabFocusReason);
    QVERIFY(toggle.hasFocus());
    const QImage focused = toggle.grab().toImage();
    // A ring two pixels wide all round the 26 × 15 track: some 180 pixels that stand out.
    QVERIFY2(clearlyChanged(plain, focused) >= 150,
             qPrintable(QString::number(clearlyChanged(plain, focused))));
}

void AccessTest::keyringNoticeDescribesTheFields()
{
    ScreenRig rig;
    rig.store->failLoad = true;
    ContentView window(rig.model.get(), rig.clock());
    window.resize(1200, 850);
    window.show();
    QApplication::setActiveWindow(&window);
    QTRY_VERIFY(qobject_cast<LoginView *>(window.screen()) &&
                qobject_cast<LoginView *>(window.screen())->accountField()->isEnabled());
    settle();
    auto *login = qobject_cast<LoginView *>(window.screen());
    const QString notice = QStringLiteral("暂时无法读取钥匙串，请手动登录");
    QCOMPARE(login->storageLabel()->text(), notice);
    // The field that has the keyboard as the screen appears says it; so does every other.
    QCOMPARE(QApplication::focusWidget(), login->accountField());
    for (QLineEdit *field : {login->accountField(), login->passwordField(), login->captchaField()})
        QCOMPARE(QAccessible::queryAccessibleInterface(field)->text(QAccessible::Description), notice);
}

void AccessTest::signInCheckKeepsTheFocusAndTellsItsOutcome()
{
    SignedInWindow signedIn;
    QueryView *query = signedIn.query();
    QVERIFY(query);
    TopBar *bar = query->topBar();
    bar->accountButton()->setFocus(Qt::TabFocusReason);
    bar->checkAction()->trigger();
    QVERIFY(signedIn.rig.client->working());
    settle();
    QCOMPARE(QApplication::focusWidget(), bar->accountButton());
    QTRY_VERIFY(!signedIn.rig.client->working());
    settle();
    QCOMPARE(QApplication::focusWidget(), bar->accountButton());
    QVERIFY(bar->accountButton()->isEnabled());
    QCOMPARE(QAccessible::queryAccessibleInterface(bar->accountButton())->text(QAccessible::Description),
             QStringLiteral("登录状态有效"));
}

void AccessTest::reloadKeepsTheFocusAndThePlace()
{
    WeekInView view;
    QVERIFY(view.show());
    GlyphButton *reload = view.signedIn.query()->resultArea()->reloadButton();
    reload->setFocus(Qt::TabFocusReason);
    const int place = view.scroll->value();
    QTest::keyClick(view.signedIn.window->windowHandle(), Qt::Key_Space);
    QTRY_VERIFY(view.signedIn.rig.model->loadingSchedule());
    settle();
    QCOMPARE(view.scroll->value(), place);
    // Meanwhile the answer, which says it is being read, has the keyboard.
    QCOMPARE(QApplication::focusWidget(),
             static_cast<QWidget *>(view.signedIn.query()->resultArea()->answer()));
    QVERIFY(view.loaded());
    QCOMPARE(QApplication::focusWidget(), reload);
    QCOMPARE(view.scroll->value(), place);
}

void AccessTest::newDayKeepsThePlace_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("Up on the day") << QStringLiteral("up");
    QTest::newRow("Down on the day") << QStringLiteral("down");
    QTest::newRow("a day in the calendar") << QStringLiteral("calendar");
}

void AccessTest::newDayKeepsThePlace()
{
    QFETCH(QString, change);
    WeekInView view;
    QVERIFY(view.show());
    QueryView *query = view.signedIn.query();
    query->searchArea()->calendarButton()->click();
    settle();
    QVERIFY(query->dateControls()->isVisible());
    if (query->dateControls()->followSwitch()->isChecked())
        query->dateControls()->followSwitch()->click();
    QVERIFY(view.loaded());
    const int place = view.scroll->value();
    const QDate before = shanghai::dateOf(view.signedIn.rig.model->date());
    MomentEditor *editor = query->dateControls()->editor();
    editor->setFocus(Qt::TabFocusReason);
    editor->setCurrentSection(QDateTimeEdit::DaySection);
    if (change == QLatin1String("calendar")) {
        QCalendarWidget *calendar = editor->calendarWidget();
        calendar->setSelectedDate(calendar->selectedDate().addDays(1));
        emit calendar->clicked(calendar->selectedDate());
    } else {
        QTest::keyClick(editor, change == QLatin1String("up") ? Qt::Key_Up : Qt::Key_Down);
    }
    QTRY_VERIFY(shanghai::dateOf(view.signedIn.rig.model->date()) != before);
    QVERIFY(view.loaded());
    QCOMPARE(view.scroll->value(), place);
}

QTEST_MAIN(AccessTest)

#include "tst_access.moc"
