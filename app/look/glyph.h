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
};

// The glyph's outline fitted into box.
QPainterPath glyphPath(Glyph glyph, const QRectF &box);

} // namespace quorvale
