#pragma once

#include "core/adapters/platformtables.h"

#include <QDate>
#include <QString>

// The week builder's check of the timetable master and tables for what every day of the week
// relies on (decodable, unique coordinates, weekdays 1–7, all pages present).
namespace quorvale::weekreader {

// Refuses bodies the week builder cannot rely on for every day.
void check(const platform::TaskBodies &bodies);

// The day's start in seconds since 1970 as a decimal with a fraction ("1740931200.0"); the prefix of
// every event id of that day.
QString dayKey(QDate day);

} // namespace quorvale::weekreader
