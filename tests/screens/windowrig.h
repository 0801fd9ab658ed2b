#pragma once

#include "tests/screens/screenrig.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <memory>

class QWidget;

// The whole window on the screens' test bench, and the pointer as a person moves it: clicks land on
// window points and reach whatever widget is drawn there, through the window system.
namespace quorvale {

class ContentView;
class MomentEditor;
class QueryView;
class WeekCourseBlock;

namespace testing {

// Lets queued passes and posted work run.
void settle();
// A press and release at a point of the window.
void clickAt(QWidget *window, QPoint point);
// A widget's rectangle in its window's coordinates.
QRect inWindow(const QWidget *widget);
// Every control of the window that Tab may reach now, as the widgets that take the focus.
QList<QWidget *> tabControls(QWidget *window);
// The widgets that hold the focus after each of `presses` presses of Tab, or of Shift+Tab.
QList<QWidget *> walk(QWidget *window, int presses, bool forward);

// Types a name into the search field of the query screen shown in `window` and chooses the first
// suggestion; false when none came or no schedule arrived.
bool chooseStudent(ScreenRig &rig, QWidget *window, QueryView *screen, const QString &name);

// The first course of the week that the query screen shows, once the week is there; none without one.
WeekCourseBlock *firstCourse(QueryView *screen);

// Opens the date controls of the query screen, stops the moment following the clock and gives the
// date editor the focus; the editor, or none when it did not take the focus.
MomentEditor *focusDateEditor(QueryView *screen);

// The content window on screen and active, signed in through the sign-in screen's phase, showing
// the query screen.
struct SignedInWindow
{
    explicit SignedInWindow(const QDateTime &moment = ScreenRig::defaultMoment(), bool remember = false);
    ~SignedInWindow();

    QueryView *query() const;
    // Types a name into the search field and chooses the first suggestion; false when none came.
    bool choose(const QString &name);

    ScreenRig rig;
    std::unique_ptr<ContentView> window;
};

} // namespace testing

} // namespace quorvale
