#pragma once

#include <QColor>
#include <QImage>

namespace quorvale::testing {

// How many pixels of a rendered image have exactly the given colour.
inline int pixelsOf(const QImage &image, QColor colour)
{
    const QImage plain = image.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            count += plain.pixel(x, y) == colour.rgb() ? 1 : 0;
    return count;
}

} // namespace quorvale::testing
