#pragma once

#include <QFont>

// Text styles in pixel sizes, so the spacing around text matches the layout's pixel geometry.
namespace quorvale {

enum class TextStyle
{
    caption,
    caption2,
    callout,
    body,
    title3,
    title2,
};

// The widget's font family at the style's size and the given weight.
QFont textStyleFont(const QFont &base, TextStyle style, QFont::Weight weight = QFont::Normal);
// The base font at a pixel size and weight. The same request gives the same shared font.
QFont sizedFont(const QFont &base, int pixels, QFont::Weight weight = QFont::Normal);

} // namespace quorvale
