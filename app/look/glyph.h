#pragma once

#include <QPainterPath>
#include <QRectF>

// The application's own small symbols, filled shapes with the details cut out, so they read in any
// single colour and need no icon theme.
namespace quorvale {

enum class Glyph
{
    bookClosed,
    clock,
    checkmarkCircle,
    questionmarkCircle,
    exclamationmarkTriangle,
    // The application's mark: four rounded tiles.
    squareGrid,
    magnifyingGlass,
    chevronUp,
    chevronRight,
    // A person in a circle (a student, the account) and in a rounded square (a teacher).
    personCircle,
    personSquare,
    // The return key's arrow.
    returnKey,
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
QPainterPath glyphPath(Glyph glyph, const QRectF &box);
// The glyph's outline on its 16-unit grid.
QPainterPath glyphPath(Glyph glyph);

// An outline drawn on the 16-unit grid fitted into box.
QPainterPath fitted(const QPainterPath &glyph, const QRectF &box);

} // namespace quorvale
