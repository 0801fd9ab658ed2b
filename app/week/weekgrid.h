#pragma once

#include "core/model/week.h"

#include <QList>
#include <QRectF>
#include <QString>

// The week grid's fixed scale, and the lane layout of a day column: which events a column draws,
// which of them stand side by side because they overlap, and where each block goes.
namespace quorvale {

namespace weekgrid {

// First minute drawn (08:00).
inline constexpr int firstMinute = 480;
// Last minute drawn when the grid runs to the full day (21:30).
inline constexpr int fullDayEnd = 1290;
inline constexpr qreal minuteHeight = 1.0;
inline constexpr qreal headerHeight = 58.0;
inline constexpr qreal axisWidth = 58.0;
// Room under the day columns for the scroll bar.
inline constexpr qreal bottomPadding = 12.0;

// Height of the drawn minutes up to the given end.
inline qreal bodyHeight(qreal end)
{
    return minuteHeight * (end - firstMinute);
}

} // namespace weekgrid

// One event placed in a day column, with its own (unclipped) minutes and its lane in its cluster.
struct WeekPlacement
{
    WeekEvent event;
    qint64 start = 0;
    qint64 end = 0;
    int lane = 0;
    int lanes = 1;

    // The block's identity: event id, start, end and lane joined by "|".
    QString id() const;

    bool operator==(const WeekPlacement &) const = default;
};

namespace weekgrid {

// Whether the grid draws the event when it ends at `visibleEnd`; every other event is listed below it.
bool isPlaced(const WeekEvent &event, qint64 visibleEnd);

// The placements of one day's events: overlapping events share their cluster's width in lanes.
QList<WeekPlacement> layout(const QList<WeekEvent> &events, qint64 visibleEnd);

// The most lanes any cluster of the placements has side by side; none for no placements.
int widestCluster(const QList<WeekPlacement> &placements);

// The widths of a row of day columns, given the lanes of each one's widest cluster: an equal share of
// the area, or more where the lanes need more room. A row that would not fit narrows its columns
// together, down to the narrowest their lanes can be; only a row wider than that spills over.
QList<qreal> columnWidths(const QList<int> &lanes, qreal areaWidth);

// A block's rectangle in the column body, whose top is `firstMinute`.
QRectF blockRect(const WeekPlacement &placement, qreal columnWidth, qint64 visibleEnd);

} // namespace weekgrid

} // namespace quorvale
