#include "app/look/typography.h"

#include <QHash>
#include <QStringBuilder>

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
    return sizedFont(base, pixelSize(style), weight);
}

QFont sizedFont(const QFont &base, int pixels, QFont::Weight weight)
{
    // Every font made is kept, and with it the font engine it has loaded. Qt's font cache drops an
    // engine no living font refers to within seconds, and the next paint looked it up again through
    // fontconfig: a clock tick cost milliseconds that way. The screens use a few dozen fonts.
    constexpr qsizetype bound = 256;
    static QHash<QString, QFont> made;
    const QString key = base.key() % QLatin1Char('/') % QString::number(pixels) % QLatin1Char('/') %
                        QString::number(int(weight));
    if (const auto found = made.constFind(key); found != made.cend())
        return *found;
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    if (made.size() >= bound)
        made.clear();
    made.insert(key, font);
    return font;
}

} // namespace quorvale
