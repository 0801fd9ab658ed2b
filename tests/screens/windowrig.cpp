#include "tests/screens/windowrig.h"

#include "app/look/glyphwidgets.h"
#include "app/screens/contentview.h"
#include "app/screens/datecontrols.h"
#include "app/screens/loginview.h"
#include "app/screens/momenteditor.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/switchtoggle.h"
#include "app/week/dayarea.h"
#include "app/week/daycolumn.h"
#include "app/week/weektimetableview.h"

#include <QApplication>
#include <QTest>

namespace quorvale::testing {

void settle()
{
    for (int turn = 0; turn < 5; ++turn)
        QCoreApplication::processEvents();
}

void clickAt(QWidget *window, QPoint point)
{
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {}, point);
    settle();
}

QRect inWindow(const QWidget *widget)
{
    return {widget->mapTo(widget->window(), QPoint()), widget->size()};
}

QList<QWidget *> tabControls(QWidget *window)
{
    QList<QWidget *> controls;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisible() || !widget->isEnabled())
            continue;
        QWidget *target = widget;
        while (target->focusProxy())
            target = target->focusProxy();
        if (!controls.contains(target))
            controls.append(target);
    }
    return controls;
}

QList<QWidget *> walk(QWidget *window, int presses, bool forward)
{
    QList<QWidget *> reached;
    for (int press = 0; press < presses; ++press) {
        QTest::keyClick(window->windowHandle(), Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        settle();
        reached.append(QApplication::focusWidget());
    }
    return reached;
}

WeekCourseBlock *firstCourse(QueryView *screen)
{
    const auto week = [screen] { return screen->resultArea() ? screen->resultArea()->weekView() : nullptr; };
    if (!ScreenRig::waitFor([&week] { return week() != nullptr; }))
        return nullptr;
    settle();
    for (const DayColumn *column : week()->dayArea()->columns()) {
        if (WeekCourseBlock *block = column->blocks().value(0))
            return block;
    }
    return nullptr;
}

MomentEditor *focusDateEditor(QueryView *screen)
{
    screen->searchArea()->calendarButton()->click();
    settle();
    DateControls *controls = screen->dateControls();
    if (controls->followSwitch()->isChecked())
        controls->followSwitch()->click();
    // The editor takes input once the screen's next pass has handed the switch's state back.
    settle();
    MomentEditor *editor = controls->editor();
    editor->setFocus(Qt::TabFocusReason);
    return editor->hasFocus() ? editor : nullptr;
}

SignedInWindow::SignedInWindow(const QDateTime &moment, bool remember)
    : rig(moment)
{
    window = std::make_unique<ContentView>(rig.model.get(), rig.clock());
    window->resize(1200, 850);
    window->show();
    QApplication::setActiveWindow(window.get());
    ScreenRig::waitFor([this] { return qobject_cast<LoginView *>(window->screen()) != nullptr; });
    rig.signIn(remember);
    ScreenRig::waitFor([this] { return query() != nullptr; });
    settle();
}

SignedInWindow::~SignedInWindow() = default;

QueryView *SignedInWindow::query() const
{
    return qobject_cast<QueryView *>(window->screen());
}

bool chooseStudent(ScreenRig &rig, QWidget *window, QueryView *screen, const QString &name)
{
    if (!screen)
        return false;
    clickAt(window, inWindow(screen->searchBox()->field()).center());
    typeText(screen->searchBox()->field(), name);
    if (!ScreenRig::waitFor([screen] { return !screen->suggestions().isEmpty(); }))
        return false;
    screen->choose(screen->suggestions().first());
    return ScreenRig::waitFor([&rig] { return rig.model->hasSchedule() && !rig.model->loadingSchedule(); });
}

bool SignedInWindow::choose(const QString &name)
{
    return chooseStudent(rig, window.get(), query(), name);
}

} // namespace quorvale::testing
