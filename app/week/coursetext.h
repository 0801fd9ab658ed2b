#pragma once

#include "core/model/week.h"

#include <QDateTime>
#include <QString>
#include <optional>

// What the course cards and the detail card say about one event of the week.
namespace quorvale {

// The room, or "教室待确认" when it is missing or empty.
QString roomText(const WeekEvent &event);
// "08:30–09:10", or none unless both times are known.
std::optional<QString> timeRange(const WeekEvent &event);
// The class worth showing on a card: trimmed, and none when it only repeats the subject.
std::optional<QString> classLabel(const WeekEvent &event);
// The card's one-line description: period · subject · times · class · room.
QString summary(const WeekEvent &event);
// What a card is called: its day as its column's header reads, then its summary. Tab goes from one
// day's last course to the next day's first, and the day is heard with the course.
QString cardName(const WeekEvent &event);
// The detail card's time line; "上下课时间待确认" without both times.
QString clock(const WeekEvent &event);
// The detail card's class line: the class as it is, and none when it is empty or is the subject.
std::optional<QString> detailClass(const WeekEvent &event);
// What the detail card is called: subject · date · time · room, then the class line when there is one.
QString detailSummary(const WeekEvent &event);
// Whether the course runs at the moment (its start minute included, its end minute not).
bool isRunning(const WeekEvent &event, const QDateTime &moment);

} // namespace quorvale
