#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The query moment as the search row shows and edits it: always the Shanghai wall clock, whatever
// the machine's own time zone.
namespace quorvale::querydate {

// "12月6日 周六 下午5:30": month, day, weekday, hour with the half of the day, and minute.
QString text(const QDateTime &moment);

// The date editor works on a zone-free wall clock: a moment as its Shanghai date and time, kept in
// UTC so that no zone rule of the machine applies, and back.
QDateTime toWallClock(const QDateTime &moment);
QDateTime fromWallClock(const QDateTime &wallClock);

} // namespace quorvale::querydate
