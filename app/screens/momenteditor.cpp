#include "app/screens/momenteditor.h"

#include "app/screens/calendardays.h"
#include "app/screens/popuplook.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPalette>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <chrono>

namespace quorvale {

namespace {

using namespace std::chrono_literals;

// Long enough for the second digit of a part, short enough that the answer follows the editor.
constexpr auto typingPause = 600ms;

} // namespace

MomentEditor::MomentEditor(QWidget *parent)
    : QDateTimeEdit(parent)
{
    calendardays::nameDays();
    // Typed text is read by this editor itself, when it is complete, not at every key.
    setKeyboardTracking(false);
    m_pause.setSingleShot(true);
    m_pause.setInterval(typingPause);
    connect(&m_pause, &QTimer::timeout, this, &MomentEditor::pausedTyping);
    connect(lineEdit(), &QLineEdit::textEdited, this, &MomentEditor::typed);
    lineEdit()->installEventFilter(this);
    // Return and the focus leaving read the typed text before they report the end of editing.
    connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
        m_pause.stop();
        m_typing = false;
        emit settled();
    });
    // The calendar sets the moment as its days are chosen or browsed, and only a chosen one counts;
    // moving on to another part while typing reads the typed text, which still waits for the pause.
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!m_typing && !m_browsing)
            emit settled();
    });
}

void MomentEditor::stepBy(int steps)
{
    QDateTimeEdit::stepBy(steps);
    m_pause.stop();
    m_typing = false;
    emit settled();
}

int MomentEditor::partValue() const
{
    const QDateTime moment = dateTime();
    switch (currentSection()) {
    case YearSection:
        return moment.date().year();
    case MonthSection:
        return moment.date().month();
    case HourSection:
        return moment.time().hour();
    case MinuteSection:
        return moment.time().minute();
    default:
        return moment.date().day();
    }
}

int MomentEditor::partMinimum() const
{
    switch (currentSection()) {
    case YearSection:
        return minimumDate().year();
    case HourSection:
    case MinuteSection:
        return 0;
    default:
        return 1;
    }
}

int MomentEditor::partMaximum() const
{
    switch (currentSection()) {
    case YearSection:
        return maximumDate().year();
    case MonthSection:
        return 12;
    case HourSection:
        return 23;
    case MinuteSection:
        return 59;
    default:
        return date().daysInMonth();
    }
}

bool MomentEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_calendar && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        const bool shown = event->type() == QEvent::Show;
        followSelection(shown);
        // The pop-up gives the focus to its focus widget as it opens: the grid, on the chosen day.
        if (shown) {
            m_browsing = true;
            m_picked = false;
            m_openedOn = date();
            m_calendar->setFocus(Qt::PopupFocusReason);
        } else {
            // A day picked closes the calendar before the calendar tells it was picked.
            QMetaObject::invokeMethod(this, &MomentEditor::calendarClosed, Qt::QueuedConnection);
        }
    }
    // The grid taking the focus is reported as the whole table, after this event; the day it is on
    // follows it.
    if (watched == calendarDays() && event->type() == QEvent::FocusIn)
        QMetaObject::invokeMethod(this, &MomentEditor::reportFocusedDay, Qt::QueuedConnection);
    // The press has put the caret where it landed; the release selects that part for typing,
    // unless the pointer dragged a selection of its own.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton && !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    return QDateTimeEdit::eventFilter(watched, event);
}

void MomentEditor::changeEvent(QEvent *event)
{
    QDateTimeEdit::changeEvent(event);
    if (event->type() == QEvent::ReadOnlyChange || event->type() == QEvent::PaletteChange)
        showReadOnly();
}

void MomentEditor::showReadOnly()
{
    QPalette look = palette();
    if (isReadOnly()) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            look.setColor(group, QPalette::Text, look.color(QPalette::Disabled, QPalette::Text));
    }
    lineEdit()->setPalette(look);
}

void MomentEditor::typed()
{
    m_typing = true;
    m_pause.start();
}

void MomentEditor::pausedTyping()
{
    QString text = lineEdit()->text();
    int position = lineEdit()->cursorPosition();
    if (validate(text, position) != QValidator::Acceptable)
        return;
    interpretText();
    m_typing = false;
    emit settled();
}

void MomentEditor::keyPressEvent(QKeyEvent *event)
{
    const bool opens = event->key() == Qt::Key_F4 ||
                       (event->key() == Qt::Key_Down && event->modifiers().testFlag(Qt::AltModifier));
    if (opens && calendarPopup()) {
        openCalendar();
        return;
    }
    QDateTimeEdit::keyPressEvent(event);
}

void MomentEditor::mousePressEvent(QMouseEvent *event)
{
    if (calendarPopup() && calendarArrow().contains(event->position().toPoint()))
        prepareCalendar();
    QDateTimeEdit::mousePressEvent(event);
}

QRect MomentEditor::calendarArrow() const
{
    // As the editor lays out and hit-tests its arrow.
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this);
}

void MomentEditor::openCalendar()
{
    if (isReadOnly())
        return;
    // Qt opens the pop-up only for a press on the arrow.
    const QPoint arrow = calendarArrow().center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    mousePressEvent(&press);
}

void MomentEditor::prepareCalendar()
{
    if (m_calendar)
        return;
    // Qt's grid tells assistive technologies of every day it moves to, also while it is hidden. As the
    // editor makes its calendar, the grid reports today's place in it, which a reader takes later for
    // whatever day the month then shown has there, and then the days it is moved to: nothing of the
    // making is told.
    const QAccessible::UpdateHandler telling = QAccessible::installUpdateHandler([](QAccessibleEvent *) {});
    m_calendar = calendarWidget();
    QAccessible::installUpdateHandler(telling);
    popuplook::styleCalendar(m_calendar);
    connect(m_calendar, &QCalendarWidget::activated, this, [this] { m_picked = true; });
    connect(m_calendar, &QCalendarWidget::clicked, this, [this] { m_picked = true; });
    m_calendar->installEventFilter(this);
    calendarDays()->installEventFilter(this);
    followSelection(m_calendar->isVisible());
}

QAbstractItemView *MomentEditor::calendarDays() const
{
    // The calendar hands its focus on to its grid of days.
    return m_calendar ? qobject_cast<QAbstractItemView *>(m_calendar->focusProxy()) : nullptr;
}

void MomentEditor::calendarClosed()
{
    m_browsing = false;
    if (!m_picked && date() != m_openedOn) {
        setDate(m_openedOn);
        return;
    }
    emit settled();
    if (m_picked)
        emit dayPicked();
}

void MomentEditor::reportFocusedDay()
{
    QAbstractItemView *days = calendarDays();
    QAccessibleInterface *grid = days && days->hasFocus() ? QAccessible::queryAccessibleInterface(days) : nullptr;
    QAccessibleInterface *cell = grid ? grid->focusChild() : nullptr;
    if (!cell)
        return;
    QAccessibleEvent focus(days, QAccessible::Focus);
    focus.setChild(grid->indexOfChild(cell));
    QAccessible::updateAccessibility(&focus);
}

void MomentEditor::followSelection(bool follow)
{
    // Qt's grid reports every move of its current day to assistive technologies as a focused,
    // showing day, also while its pop-up is closed and the calendar follows the editor. Closed, it
    // does not hear the moves; it reads the day from its selection as it is shown again.
    calendarDays()->selectionModel()->blockSignals(!follow);
}

} // namespace quorvale
