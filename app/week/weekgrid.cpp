#include "app/week/weekgrid.h"

#include "core/base/text.h"

#include <algorithm>

namespace quorvale {

QString WeekPlacement::id() const
{
    return QStringLiteral("%1|%2|%3|%4").arg(event.id).arg(start).arg(end).arg(lane);
}

namespace weekgrid {

namespace {

constexpr qreal laneWidth = 82.0;
constexpr qreal narrowestColumn = 132.0;
constexpr qreal emptyColumn = 90.0;
constexpr qreal columnInset = 4.0;
constexpr qreal laneGap = 4.0;

// Lanes of one cluster: each event takes the lowest lane that is free when it starts.
void flush(const QList<WeekPlacement> &cluster, QList<WeekPlacement> &result)
{
    QList<qint64> laneEnds;
    QList<WeekPlacement> placed;
    for (WeekPlacement candidate : cluster) {
        const auto free = std::find_if(laneEnds.begin(), laneEnds.end(),
                                       [&](qint64 laneEnd) { return laneEnd <= candidate.start; });
        if (free == laneEnds.end()) {
            candidate.lane = int(laneEnds.size());
            laneEnds.append(candidate.end);
        } else {
            candidate.lane = int(free - laneEnds.begin());
            *free = candidate.end;
        }
        placed.append(candidate);
    }
    const int lanes = std::max(1, int(laneEnds.size()));
    for (WeekPlacement &placement : placed)
        placement.lanes = lanes;
    result.append(placed);
}

} // namespace

bool isPlaced(const WeekEvent &event, qint64 visibleEnd)
{
    if (!event.start || !event.end)
        return false;
    const qint64 start = *event.start;
    const qint64 end = *event.end;
    return start < end && end > firstMinute && start < visibleEnd;
}

QList<WeekPlacement> layout(const QList<WeekEvent> &events, qint64 visibleEnd)
{
    QList<WeekPlacement> candidates;
    for (const WeekEvent &event : events) {
        if (isPlaced(event, visibleEnd))
            candidates.append(WeekPlacement{event, *event.start, *event.end, 0, 1});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const WeekPlacement &a, const WeekPlacement &b) {
                         if (a.start != b.start)
                             return a.start < b.start;
                         if (a.end != b.end)
                             return a.end < b.end;
                         return text::less(a.event.id, b.event.id);
                     });

    QList<WeekPlacement> result;
    QList<WeekPlacement> cluster;
    qint64 clusterEnd = -1;
    for (const WeekPlacement &candidate : candidates) {
        if (!cluster.isEmpty() && candidate.start >= clusterEnd) {
            flush(cluster, result);
            cluster.clear();
        }
        cluster.append(candidate);
        clusterEnd = std::max(clusterEnd, candidate.end);
    }
    if (!cluster.isEmpty())
        flush(cluster, result);
    return result;
}

qreal columnWidth(const QList<WeekPlacement> &placements, qreal minimumWidth)
{
    qreal base = emptyColumn;
    if (!placements.isEmpty()) {
        const auto widest = std::max_element(placements.cbegin(), placements.cend(),
                                             [](const auto &a, const auto &b) { return a.lanes < b.lanes; });
        base = widest->lanes * laneWidth + 8.0;
    }
    return std::max({minimumWidth, narrowestColumn, base});
}

QRectF blockRect(const WeekPlacement &placement, qreal columnWidth, qint64 visibleEnd)
{
    const qint64 start = std::max<qint64>(placement.start, firstMinute);
    const qint64 end = std::min(placement.end, visibleEnd);
    const qreal height = std::max(minuteHeight * qreal(end - start) - 3.0, 4.0);
    const qreal lane = (columnWidth - 2.0 * columnInset) / placement.lanes;
    return {columnInset + lane * placement.lane, minuteHeight * qreal(start - firstMinute) + 1.0,
            lane - laneGap, height};
}

} // namespace weekgrid

} // namespace quorvale
