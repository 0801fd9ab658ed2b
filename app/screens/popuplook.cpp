#include "app/screens/popuplook.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QMenu>

namespace quorvale::popuplook {

namespace {

// A sheet reads its palette(...) colours once, when it is applied: it is applied again whenever the
// application's palette changes, so an open or later pop-up shows the desktop's new colour scheme.
// Only windows hear of that change, and a widget with a sheet of its own inside a window, such as
// the date editor's calendar in its pop-up, is not even told that its window's palette changed: the
// window is watched for it.
class SheetFollowsPalette : public QObject
{
public:
    explicit SheetFollowsPalette(QWidget *styled)
        : QObject(styled)
        , m_styled(styled)
    {
        styled->window()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange)
            m_styled->setStyleSheet(m_styled->styleSheet());
        return false;
    }

private:
    QWidget *m_styled;
};

void followPalette(QWidget *styled)
{
    new SheetFollowsPalette(styled);
}

} // namespace

void styleMenu(QMenu *menu)
{
    menu->setStyleSheet(QStringLiteral(
        "QMenu { background: palette(base); border: 1px solid palette(mid); border-radius: 10px; padding: "
        "6px; }"
        "QMenu::item { padding: 7px 26px 7px 14px; border-radius: 6px; color: palette(window-text); }"
        "QMenu::item:selected { background: palette(highlight); color: palette(highlighted-text); }"
        "QMenu::item:disabled { color: palette(placeholder-text); }"
        "QMenu::separator { height: 1px; margin: 5px 8px; background: palette(midlight); }"));
    followPalette(menu);
}

void styleCalendar(QCalendarWidget *calendar)
{
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar->setHorizontalHeaderFormat(QCalendarWidget::ShortDayNames);
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(false);
    calendar->setStyleSheet(QStringLiteral(
        "QCalendarWidget { background: palette(base); }"
        "QCalendarWidget QWidget#qt_calendar_navigationbar { background: palette(base); padding: 4px; }"
        "QCalendarWidget QToolButton { color: palette(window-text); font-weight: 600; padding: 4px 8px;"
        " border: none; border-radius: 6px; background: transparent; }"
        "QCalendarWidget QToolButton:hover { background: palette(midlight); }"
        "QCalendarWidget QToolButton::menu-indicator { image: none; }"
        "QCalendarWidget QAbstractItemView { background: palette(base); color: palette(text);"
        " selection-background-color: palette(highlight); selection-color: palette(highlighted-text);"
        " outline: 0; }"));
    followPalette(calendar);
}

} // namespace quorvale::popuplook
