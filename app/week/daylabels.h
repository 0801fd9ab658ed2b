#pragma once

#include <QDate>
#include <QString>

// The week grid's texts for a Shanghai day, written the way the zh_CN locale writes them, whatever the
// machine's own locale.
namespace quorvale {

// "周一" … "周日".
QString weekday(QDate date);
// The weekday and the day as month/day without leading zeros: 周一 9/1.
QString shortDay(QDate date);
// 9月2日.
QString monthDayText(QDate date);
// Two-digit month and day under a column's weekday: 09/02.
QString columnDate(QDate date);
// A column's header as it is read, weekday then date: 周二 09/02.
QString columnHeader(QDate date);
// The day line of a course's detail card: 9月2日 周二.
QString detailDate(QDate date);

} // namespace quorvale
