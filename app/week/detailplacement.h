#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where a course's detail card goes in the week card: beside its block, right of it when it fits,
// kept inside the week card's edges as far as its size allows. A tall card moves up rather than
// passing the bottom edge, but never above the top margin.
namespace quorvale {

struct DetailPlacement
{
    qreal cardWidth = 0.0;
    QPointF topLeft;
    // The card stands left of the block, so it grows out of its trailing edge.
    bool leftOfBlock = false;

    bool operator==(const DetailPlacement &) const = default;
};

// `block` is the block's rectangle in the week card, whose size is `area`; `cardHeight` is the height
// the card takes at its width (see `detailCardWidth`).
DetailPlacement placeDetail(const QRectF &block, const QSizeF &area, qreal cardHeight);

// The card's width in an area of the given width.
qreal detailCardWidth(qreal areaWidth);

} // namespace quorvale
