#pragma once

#include <QDateTimeEdit>
#include <QPointer>
#include <QTimer>

class QAbstractItemView;
class QCalendarWidget;

// The editor of the query moment, worked a part at a time. A click selects the part under the
// pointer, so typed digits replace it. A step (arrow keys, wheel) or a day from the calendar counts
// at once; typed digits count once the text is a whole, valid moment and the typing pauses, or on
// Return, or when the focus leaves. A part typed halfway never counts.
//
// The calendar opens from its arrow or, as Qt's drop-down lists do, with F4 or Alt+Down, with the
// focus on the chosen day. The arrows browse its days without counting; Return or a click picks
// one, Escape leaves the day it opened on. It is made as it first opens, and while closed it says
// nothing to assistive technologies about the days it follows.
namespace quorvale {

class MomentEditor : public QDateTimeEdit
{
    Q_OBJECT
    // What assistive technologies take for the value of a spin box: the part the arrow keys step
    // (the year, month, day, hour or minute), within that part's range.
    Q_PROPERTY(int value READ partValue)
    Q_PROPERTY(int minimum READ partMinimum)
    Q_PROPERTY(int maximum READ partMaximum)
    Q_PROPERTY(int stepSize READ partStep)

public:
    explicit MomentEditor(QWidget *parent = nullptr);

    void stepBy(int steps) override;

    int partValue() const;
    int partMinimum() const;
    int partMaximum() const;
    int partStep() const { return 1; }

signals:
    // The moment shown may have become another one.
    void settled();
    // A day was picked in the calendar, after the moment it gives was settled.
    void dayPicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void typed();
    void pausedTyping();
    // Read-only, the moment is drawn in the colour of disabled text, as a sighted person expects of
    // an editor that takes no input; unlike a disabled one, it still takes the focus.
    void showReadOnly();
    // Where the arrow that opens the calendar is drawn.
    QRect calendarArrow() const;
    void openCalendar();
    // The first time the calendar is to open: styled, and from then on quiet while it is closed.
    void prepareCalendar();
    // The calendar's grid of days, once the calendar is made.
    QAbstractItemView *calendarDays() const;
    // Tells assistive technologies which day the focused grid is on.
    void reportFocusedDay();
    // Whether the calendar's grid of days follows its selection, which it does only while shown.
    void followSelection(bool follow);
    // Once the calendar has closed: a picked day counts, a browsed one gives way to the day it
    // opened on.
    void calendarClosed();

    // Set from the first typed key until the typing is taken or dropped; changes the editor makes
    // while it is set belong to the typing and wait for it.
    bool m_typing = false;
    // While the calendar is open, the days it browses set the editor but do not count.
    bool m_browsing = false;
    bool m_picked = false;
    QDate m_openedOn;
    QTimer m_pause;
    QPointer<QCalendarWidget> m_calendar;
};

} // namespace quorvale
