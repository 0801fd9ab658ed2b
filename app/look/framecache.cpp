#include "app/look/framecache.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

namespace quorvale {

bool FrameCache::paint(QPainter &painter, const QSize &size, qreal radius, const QList<QRgba64> &key,
                       const Painter &draw)
{
    const QTransform device = painter.deviceTransform();
    const qreal ratio = device.m11();
    if (device.type() > QTransform::TxScale || device.m22() != ratio || ratio <= 0.0)
        return false;
    const QRectF mapped = device.mapRect(QRectF(QPointF(0.0, 0.0), size));
    const QRect pixels = mapped.toAlignedRect();
    if (QRectF(pixels) != mapped)
        return false;
    // Pixels outside the corner squares lie wholly inside the shape, whose edges are on whole pixels.
    const int corner = int(std::ceil(radius * ratio));
    if (pixels.width() <= 2 * corner || pixels.height() <= 2 * corner)
        return false;

    if (m_image.size() != pixels.size() || m_ratio != ratio || m_key != key) {
        m_image = QImage(pixels.size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_image.setDevicePixelRatio(ratio);
        QPainter cached(&m_image);
        draw(cached);
        cached.end();
        m_image.setDevicePixelRatio(1.0);
        m_ratio = ratio;
        m_key = key;
    }

    const int width = pixels.width();
    const int height = pixels.height();
    painter.save();
    const QTransform world = painter.worldTransform();
    // Copied pixel for pixel, at the frame's place on the device.
    painter.setWorldTransform(QTransform::fromTranslate(pixels.left(), pixels.top()) * device.inverted() *
                              world);
    for (const QRect &part :
         {QRect(corner, 0, width - 2 * corner, corner), QRect(0, corner, width, height - 2 * corner),
          QRect(corner, height - corner, width - 2 * corner, corner)})
        painter.drawImage(part.topLeft(), m_image, part);
    QPainterPath corners;
    for (const QPoint &origin : {QPoint(0, 0), QPoint(width - corner, 0), QPoint(0, height - corner),
                                 QPoint(width - corner, height - corner)})
        corners.addRect(QRect(origin, QSize(corner, corner)));
    painter.setClipPath(corners, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.setWorldTransform(world);
    draw(painter);
    painter.restore();
    return true;
}

} // namespace quorvale
