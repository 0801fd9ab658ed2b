#include "app/week/weekgrid.h"

#include "core/base/text.h"

#include <algorithm>
#include <numeric>

namespace quorvale {

QString WeekPlacement::id() const
{
    return QStringLiteral("%1|%2|%3|%4").arg(event.id).arg(start).arg(end).arg(lane);
}

namespace weekgrid {

namespace {

constexpr qreal laneWidth = 82.0;
// The narrowest a lane gets where the row of columns would not fit otherwise: still room for a
// block's tint bar and the first characters of its subject.
constexpr qreal narrowestLane = 40.0;
constexpr qreal narrowestColumn = 132.0;
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

int widestCluster(const QList<WeekPlacement> &placements)
{
    int lanes = 0;
    for (const WeekPlacement &placement : placements)
        lanes = std::max(lanes, placement.lanes);
    return lanes;
}

QList<qreal> columnWidths(const QList<int> &lanes, qreal areaWidth)
{
    const qreal share = areaWidth / qreal(std::max<qsizetype>(1, lanes.size()));
    QList<qreal> wanted;
    QList<qreal> narrowest;
    for (const int count : lanes) {
        wanted.append(std::max({share, narrowestColumn, count * laneWidth + 8.0}));
        narrowest.append(std::max(count, 1) * narrowestLane + 8.0);
    }
    const qreal wantedTotal = std::accumulate(wanted.cbegin(), wanted.cend(), 0.0);
    const qreal narrowestTotal = std::accumulate(narrowest.cbegin(), narrowest.cend(), 0.0);
    if (wantedTotal <= areaWidth)
        return wanted;
    if (narrowestTotal >= areaWidth)
        return narrowest;
    // Every column gives up the same part of what it would take beyond its narrowest, so the row
    // fills the area exactly and a column with more lanes stays the wider.
    const qreal kept = (areaWidth - narrowestTotal) / (wantedTotal - narrowestTotal);
    QList<qreal> widths;
    for (qsizetype i = 0; i < lanes.size(); ++i)
        widths.append(narrowest[i] + (wanted[i] - narrowest[i]) * kept);
    return widths;
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
