#include "app/look/typography.h"

namespace quorvale {

namespace {

// The desktop sizes of the styles, with the captions one pixel larger so Chinese text stays legible.
int pixelSize(TextStyle style)
{
    switch (style) {
    case TextStyle::caption:
    case TextStyle::caption2:
        return 11;
    case TextStyle::callout:
        return 12;
    case TextStyle::body:
        return 13;
    case TextStyle::title3:
        return 15;
    case TextStyle::title2:
        return 17;
    }
    return 13;
}

} // namespace

QFont textStyleFont(const QFont &base, TextStyle style, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixelSize(style));
    font.setWeight(weight);
    return font;
}

} // namespace quorvale
