#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

// The one place that owns the school's time zone. Every calendar day in the system is a day in
// "Asia/Shanghai"; moments are UTC QDateTimes. Nothing here reads the machine's own zone.
namespace quorvale::shanghai {

const QTimeZone &zone();

// The Shanghai calendar day of a moment.
QDate dateOf(const QDateTime &moment);
// The Shanghai wall-clock time of a moment.
QTime timeOf(const QDateTime &moment);
// Minutes since Shanghai midnight of a moment (seconds dropped).
qint64 minuteOf(const QDateTime &moment);
// 00:00 of a Shanghai day, as a UTC moment.
QDateTime startOf(QDate day);
// A Shanghai day and a minute of that day, as a UTC moment.
QDateTime at(QDate day, qint64 minutes);
// "yyyy-MM-dd" of a day, independent of locale.
QString dayText(QDate day);
// "yyyy-MM-dd" of a moment's Shanghai day.
QString dayText(const QDateTime &moment);

} // namespace quorvale::shanghai
