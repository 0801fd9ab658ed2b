#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where a course's detail card goes in the week card: beside its block, right of it when it fits,
// kept inside the week card's edges as far as its size allows.
namespace quorvale {

struct DetailPlacement
{
    qreal cardWidth = 0.0;
    QPointF topLeft;
    // The card stands left of the block, so it grows out of its trailing edge.
    bool leftOfBlock = false;

    bool operator==(const DetailPlacement &) const = default;
};

// `block` is the block's rectangle in the week card, whose size is `area`.
DetailPlacement placeDetail(const QRectF &block, const QSizeF &area);

} // namespace quorvale
