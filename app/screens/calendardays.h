#pragma once

#include <QDate>
#include <QString>

// What assistive technologies hear of a calendar's grid of days: each day by its full date and
// weekday, "2026年12月8日 星期二", where Qt names it by the day's number alone.
namespace quorvale::calendardays {

// "2026年12月8日 星期二".
QString dayName(QDate date);

// From now on every calendar's grid of days is heard so. Call before a calendar is first shown.
void nameDays();

} // namespace quorvale::calendardays
