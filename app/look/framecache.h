#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QRgba64>
#include <QSize>
#include <functional>

class QPainter;

// A rounded shape with its fills, outline and contents drawn once into an image and copied from it on
// later paints. Qt's raster engine hands an antialiased fill of more than about a hundred spans to a pool
// of threads, and waking them costs more than the fill itself for a card a few hundred pixels tall.
// Only the inside of the shape is copied: at the corners the antialiased edge blends with what lies
// under the shape, so the corners are painted again each time, and every pixel comes out as if the
// whole shape were painted directly.
namespace quorvale {

class FrameCache
{
public:
    // Draws the shape at the origin; a clip it sets must intersect the painter's clip.
    // `corners` is empty where the whole shape is drawn, and otherwise lists the boxes painted again, in
    // the painter's coordinates: what lies clear of them may be left out.
    using Painter = std::function<void(QPainter &painter, const QList<QRectF> &corners)>;

    // Paints the frame of `size` with corners of `radius` through `draw`, from the image where it was
    // drawn for the same key, size and pixel ratio. `key` holds whatever changes the frame's look.
    // Returns false, having painted nothing, where the frame does not lie on whole device pixels or is
    // all corners; the caller then paints directly.
    bool paint(QPainter &painter, const QSize &size, qreal radius, const QList<QRgba64> &key,
               const Painter &draw);

    // Drops the image, for a frame whose look changed in a way the key does not hold.
    void invalidate();

private:
    QImage m_image;
    qreal m_ratio = 0.0;
    QList<QRgba64> m_key;
};

} // namespace quorvale
