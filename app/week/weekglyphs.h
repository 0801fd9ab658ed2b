#pragma once

#include <QPainterPath>
#include <QRectF>

// The week grid's own small symbols, beside the shared ones: filled outlines on a 16-unit grid, so
// they take any single colour.
namespace quorvale {

enum class WeekGlyph
{
    arrowDownToLine,
    arrowUpAndDown,
    xmark,
    calendar,
    mapPin,
    twoPeople,
    dot,
    disclosure,
};

// The glyph's outline fitted into box.
QPainterPath weekGlyphPath(WeekGlyph glyph, const QRectF &box);

// An outline drawn on the 16-unit grid (the look's glyphs included) fitted into box.
QPainterPath fitted(const QPainterPath &glyph, const QRectF &box);

// A glyph on the 16-unit grid, ready to be fitted later.
QPainterPath unitGlyph(WeekGlyph glyph);

} // namespace quorvale
