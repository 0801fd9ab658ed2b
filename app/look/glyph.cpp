#include "app/look/glyph.h"

#include <QPainterPathStroker>
#include <QTransform>
#include <initializer_list>

namespace quorvale {

namespace {

// Glyphs are drawn on a 16 × 16 grid and scaled to the box.
constexpr qreal grid = 16.0;

QPainterPath polyline(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF &point : points) {
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    return path;
}

QPainterPath stroked(const QPainterPath &centreLine, qreal width)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centreLine);
}

QPainterPath disc(QPointF centre, qreal radius)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

QPainterPath book()
{
    QPainterPath cover;
    cover.addRoundedRect(QRectF(2.5, 1.0, 11.0, 14.0), 1.6, 1.6);
    const QPainterPath spine = stroked(polyline({{5.2, 0.0}, {5.2, 16.0}}), 1.0);
    const QPainterPath pages = stroked(polyline({{6.8, 12.4}, {12.0, 12.4}}), 1.0);
    return cover.subtracted(spine.united(pages));
}

QPainterPath clock()
{
    return disc({8.0, 8.0}, 7.2).subtracted(stroked(polyline({{8.0, 3.6}, {8.0, 8.0}, {11.0, 9.8}}), 1.6));
}

QPainterPath checkmark()
{
    return disc({8.0, 8.0}, 7.2).subtracted(stroked(polyline({{4.7, 8.3}, {7.0, 10.7}, {11.3, 5.5}}), 1.7));
}

QPainterPath questionmark()
{
    QPainterPath hook;
    hook.moveTo(5.9, 6.1);
    hook.cubicTo(5.9, 4.6, 7.0, 3.8, 8.1, 3.8);
    hook.cubicTo(9.3, 3.8, 10.2, 4.7, 10.2, 5.8);
    hook.cubicTo(10.2, 6.9, 9.4, 7.4, 8.7, 7.9);
    hook.cubicTo(8.2, 8.3, 8.0, 8.7, 8.0, 9.3);
    return disc({8.0, 8.0}, 7.2).subtracted(stroked(hook, 1.6).united(disc({8.0, 11.8}, 1.0)));
}

QPainterPath warning()
{
    QPainterPath triangle = polyline({{8.0, 1.6}, {14.8, 13.8}, {1.2, 13.8}});
    triangle.closeSubpath();
    const QPainterPath body = triangle.united(stroked(triangle, 1.6));
    const QPainterPath mark =
        stroked(polyline({{8.0, 5.8}, {8.0, 9.4}}), 1.6).united(disc({8.0, 11.7}, 0.95));
    return body.subtracted(mark);
}

QPainterPath tiles()
{
    QPainterPath path;
    for (const QPointF &corner : {QPointF(1.2, 1.2), QPointF(8.8, 1.2), QPointF(1.2, 8.8), QPointF(8.8, 8.8)})
        path.addRoundedRect(QRectF(corner, QSizeF(6.0, 6.0)), 1.6, 1.6);
    return path;
}

QPainterPath magnifier()
{
    return disc({6.6, 6.6}, 5.4)
        .subtracted(disc({6.6, 6.6}, 3.8))
        .united(stroked(polyline({{10.6, 10.6}, {14.6, 14.6}}), 2.2));
}

// A head and shoulders cut out of a shape.
QPainterPath personIn(const QPainterPath &shape)
{
    QPainterPath shoulders;
    shoulders.moveTo(3.6, 13.6);
    shoulders.cubicTo(4.4, 10.9, 6.0, 9.9, 8.0, 9.9);
    shoulders.cubicTo(10.0, 9.9, 11.6, 10.9, 12.4, 13.6);
    shoulders.closeSubpath();
    return shape.subtracted(disc({8.0, 6.3}, 2.5).united(shoulders));
}

QPainterPath roundedSquare()
{
    QPainterPath path;
    path.addRoundedRect(QRectF(1.0, 1.0, 14.0, 14.0), 3.4, 3.4);
    return path;
}

QPainterPath returnArrow()
{
    return stroked(polyline({{13.4, 3.0}, {13.4, 9.6}, {3.4, 9.6}}), 1.6)
        .united(stroked(polyline({{6.6, 6.2}, {3.2, 9.6}, {6.6, 13.0}}), 1.6));
}

QPainterPath unitPath(Glyph glyph)
{
    switch (glyph) {
    case Glyph::bookClosed:
        return book();
    case Glyph::clock:
        return clock();
    case Glyph::checkmarkCircle:
        return checkmark();
    case Glyph::questionmarkCircle:
        return questionmark();
    case Glyph::exclamationmarkTriangle:
        return warning();
    case Glyph::squareGrid:
        return tiles();
    case Glyph::magnifyingGlass:
        return magnifier();
    case Glyph::chevronUp:
        return stroked(polyline({{3.4, 10.6}, {8.0, 5.6}, {12.6, 10.6}}), 1.8);
    case Glyph::chevronRight:
        return stroked(polyline({{5.8, 3.4}, {10.8, 8.0}, {5.8, 12.6}}), 1.8);
    case Glyph::personCircle:
        return personIn(disc({8.0, 8.0}, 7.2));
    case Glyph::personSquare:
        return personIn(roundedSquare());
    case Glyph::returnKey:
        return returnArrow();
    }
    return {};
}

} // namespace

QPainterPath glyphPath(Glyph glyph, const QRectF &box)
{
    QTransform transform;
    transform.translate(box.x(), box.y());
    transform.scale(box.width() / grid, box.height() / grid);
    return transform.map(unitPath(glyph));
}

QPainterPath glyphPath(Glyph glyph)
{
    return unitPath(glyph);
}

} // namespace quorvale
