// The screens for people who use the keyboard and a screen reader: what each control is called and
// what it is, what hidden parts must never receive, where the focus and the page stay when a control
// reloads or changes the day, and how plainly a focused switch shows it.

#include "app/look/colourscheme.h"
#include "app/look/glyphwidgets.h"
#include "app/look/reducemotion.h"
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
#include "app/week/weekcourseblock.h"
#include "core/base/shanghai.h"
#include "tests/screens/lessonprobe.h"
#include "tests/screens/windowrig.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCalendarWidget>
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

} // namespace

class AccessTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void focusedSwitchIsPlainlyMarked_data();
    void focusedSwitchIsPlainlyMarked();
    void reloadKeepsTheFocusAndThePlace();
    void newDayKeepsThePlace_data();
    void newDayKeepsThePlace();
};

void AccessTest::initTestCase()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    motion::setReduced(true);
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
