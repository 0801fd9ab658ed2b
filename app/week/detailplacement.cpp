#include "app/week/detailplacement.h"

#include <algorithm>

namespace quorvale {

namespace {

constexpr qreal gap = 14.0;
constexpr qreal margin = 8.0;
constexpr qreal narrowest = 240.0;
constexpr qreal widest = 310.0;
// The card's top stays this far above the area's bottom, so a card of usual height fits below it; a
// taller card keeps the margin below it instead.
constexpr qreal roomBelow = 330.0;
constexpr qreal rise = 12.0;

} // namespace

qreal detailCardWidth(qreal areaWidth)
{
    return std::min(std::max(areaWidth - 24.0, narrowest), widest);
}

DetailPlacement placeDetail(const QRectF &block, const QSizeF &area, qreal cardHeight)
{
    const qreal width = detailCardWidth(area.width());
    const bool left = block.right() + gap + width > area.width() - margin;
    qreal x = left ? block.left() - width - gap : block.right() + gap;
    // The lower bounds come last: in a narrow area the card keeps its left margin and overhangs right.
    x = std::max(std::min(x, area.width() - width - margin), margin);
    const qreal lowest = area.height() - std::max(roomBelow, cardHeight + margin);
    const qreal y = std::max(std::min(block.top() - rise, lowest), margin);
    return {width, {x, y}, left};
}

} // namespace quorvale
