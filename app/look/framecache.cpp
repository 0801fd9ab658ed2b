#include "app/look/framecache.h"

#include "app/look/painting.h"

#include <QPainter>
#include <QRegion>
#include <QTransform>
#include <algorithm>
#include <cmath>

namespace quorvale {

bool FrameCache::paint(QPainter &painter, const QSize &size, qreal radius, const QList<QRgba64> &key,
                       const Painter &draw)
{
    const std::optional<QRect> pixels = painting::wholeDevicePixels(painter, QRectF(QPointF(0.0, 0.0), size));
    if (!pixels)
        return false;
    const qreal ratio = painter.deviceTransform().m11();
    // Pixels outside the corner boxes lie wholly inside the shape, whose edges are on whole pixels. A
    // rounded rectangle lower or narrower than its corners has them flattened to half its height or width.
    const int cornerWidth = int(std::ceil(std::min(radius, size.width() / 2.0) * ratio));
    const int cornerHeight = int(std::ceil(std::min(radius, size.height() / 2.0) * ratio));
    const int width = pixels->width();
    const int height = pixels->height();
    if (width <= 2 * cornerWidth && height <= 2 * cornerHeight)
        return false;

    if (m_image.size() != pixels->size() || m_ratio != ratio || m_key != key) {
        m_image = QImage(pixels->size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_image.setDevicePixelRatio(ratio);
        QPainter cached(&m_image);
        draw(cached, {});
        cached.end();
        m_image.setDevicePixelRatio(1.0);
        m_ratio = ratio;
        m_key = key;
    }

    const int middleWidth = width - 2 * cornerWidth;
    const int middleHeight = height - 2 * cornerHeight;
    for (const QRect &part :
         {QRect(cornerWidth, 0, middleWidth, cornerHeight), QRect(0, cornerHeight, width, middleHeight),
          QRect(cornerWidth, height - cornerHeight, middleWidth, cornerHeight)}) {
        if (!part.isEmpty())
            painting::drawDevicePixels(painter, pixels->topLeft() + part.topLeft(), m_image, part);
    }
    const QTransform toLogical = painter.deviceTransform().inverted();
    // The corner boxes lie on whole device pixels, so they clip as a region of device pixels, which
    // the raster engine takes as rectangles instead of rasterising an outline of them.
    QRegion clip;
    QList<QRectF> corners;
    for (const QPoint &origin :
         {QPoint(0, 0), QPoint(width - cornerWidth, 0), QPoint(0, height - cornerHeight),
          QPoint(width - cornerWidth, height - cornerHeight)}) {
        const QRect box(pixels->topLeft() + origin, QSize(cornerWidth, cornerHeight));
        clip += box;
        corners.append(toLogical.mapRect(QRectF(box)));
    }
    painter.save();
    const QTransform world = painter.worldTransform();
    painter.setWorldTransform(toLogical * world);
    painter.setClipRegion(clip, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.setWorldTransform(world);
    draw(painter, corners);
    painter.restore();
    return true;
}

void FrameCache::invalidate()
{
    m_image = QImage();
}

} // namespace quorvale
