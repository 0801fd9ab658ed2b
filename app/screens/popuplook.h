#pragma once

class QCalendarWidget;
class QMenu;

// The look's touch on the stock pop-ups the screens open: roomy, rounded menu rows and a calendar
// without the week numbers and the grid, both in the palette's colours.
namespace quorvale::popuplook {

void styleMenu(QMenu *menu);
void styleCalendar(QCalendarWidget *calendar);

} // namespace quorvale::popuplook
