#pragma once

#include "core/adapters/platformtables.h"

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QString>

// The week builder's reading of the timetable master and tables, checked for what every day of
// the week relies on (decodable, unique coordinates, weekdays 1–7, all pages present).
namespace quorvale::weekreader {

struct WeekTables
{
    platform::Master master;
    platform::Tables tables;
    QHash<qint64, platform::Coordinate> coordinates;
};

WeekTables read(const QByteArray &masterData, const QByteArray &tablesData);

// The day's start in seconds since 1970 as a decimal with a fraction ("1740931200.0"); the prefix of
// every event id of that day.
QString dayKey(QDate day);

} // namespace quorvale::weekreader
