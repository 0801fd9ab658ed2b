#pragma once

#include "core/model/period.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale {

// The calendar and clock rules every part of the system shares: the one accepted form of a day,
// of a clock time, and how minutes since midnight are written back. Days are Shanghai days.
namespace Engine {

// A day from its canonical "yyyy-MM-dd" text only; anything else is none.
std::optional<QDate> day(const QString &text);
// Minutes since midnight from an "H:MM"-like clock text; none unless hour 0–23 and minute 0–59.
std::optional<qint64> minutes(const QString &text);
// "HH:MM" of minutes since midnight; values of a day or more are not wrapped.
QString time(qint64 minutes);

} // namespace Engine

// The school's fixed B1–B7 bell times of the "middle" and "high" sections.
namespace BellSchedule {

// The seven periods of a section in order B1 to B7; empty for any other section text.
QList<Period> periods(const QString &section);

} // namespace BellSchedule

} // namespace quorvale
