#include "app/look/framecache.h"

#include "app/look/painting.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

namespace quorvale {

bool FrameCache::paint(QPainter &painter, const QSize &size, qreal radius, const QList<QRgba64> &key,
                       const Painter &draw)
{
    const std::optional<QRect> pixels = painting::wholeDevicePixels(painter, QRectF(QPointF(0.0, 0.0), size));
    if (!pixels)
        return false;
    const qreal ratio = painter.deviceTransform().m11();
    // Pixels outside the corner squares lie wholly inside the shape, whose edges are on whole pixels.
    const int corner = int(std::ceil(radius * ratio));
    const int width = pixels->width();
    const int height = pixels->height();
    if (width <= 2 * corner || height <= 2 * corner)
        return false;

    if (m_image.size() != pixels->size() || m_ratio != ratio || m_key != key) {
        m_image = QImage(pixels->size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_image.setDevicePixelRatio(ratio);
        QPainter cached(&m_image);
        draw(cached);
        cached.end();
        m_image.setDevicePixelRatio(1.0);
        m_ratio = ratio;
        m_key = key;
    }

    for (const QRect &part :
         {QRect(corner, 0, width - 2 * corner, corner), QRect(0, corner, width, height - 2 * corner),
          QRect(corner, height - corner, width - 2 * corner, corner)})
        painting::drawDevicePixels(painter, pixels->topLeft() + part.topLeft(), m_image, part);
    QPainterPath corners;
    for (const QPoint &origin : {QPoint(0, 0), QPoint(width - corner, 0), QPoint(0, height - corner),
                                 QPoint(width - corner, height - corner)})
        corners.addRect(QRectF(pixels->topLeft() + origin, QSizeF(corner, corner)));
    painter.save();
    painter.setClipPath(painter.deviceTransform().inverted().map(corners),
                        painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    draw(painter);
    painter.restore();
    return true;
}

} // namespace quorvale
