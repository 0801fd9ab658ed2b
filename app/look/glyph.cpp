#include "app/look/glyph.h"

#include <QHash>
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

QPainterPath ellipse(QPointF centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath disc(QPointF centre, qreal radius)
{
    return ellipse(centre, radius, radius);
}

QPainterPath line(std::initializer_list<QPointF> points, qreal width)
{
    return stroked(polyline(points), width);
}

QPainterPath person(QPointF head, qreal scale)
{
    QPainterPath body;
    body.moveTo(head.x() - 4.2 * scale, head.y() + 8.6 * scale);
    body.cubicTo(head.x() - 4.2 * scale, head.y() + 4.6 * scale, head.x() + 4.2 * scale,
                 head.y() + 4.6 * scale, head.x() + 4.2 * scale, head.y() + 8.6 * scale);
    body.closeSubpath();
    return ellipse(head, 2.3 * scale, 2.3 * scale).united(body);
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

QPainterPath outline(Glyph glyph)
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
    case Glyph::arrowDownToLine:
        return line({{8.0, 1.5}, {8.0, 10.0}}, 1.6)
            .united(line({{4.2, 6.6}, {8.0, 10.4}, {11.8, 6.6}}, 1.6))
            .united(line({{2.5, 14.0}, {13.5, 14.0}}, 1.6));
    case Glyph::arrowUpAndDown:
        return line({{8.0, 1.8}, {8.0, 14.2}}, 1.6)
            .united(line({{4.6, 5.0}, {8.0, 1.6}, {11.4, 5.0}}, 1.6))
            .united(line({{4.6, 11.0}, {8.0, 14.4}, {11.4, 11.0}}, 1.6));
    case Glyph::xmark:
        return line({{3.5, 3.5}, {12.5, 12.5}}, 2.0).united(line({{12.5, 3.5}, {3.5, 12.5}}, 2.0));
    case Glyph::calendar: {
        QPainterPath page;
        page.addRoundedRect(QRectF(1.5, 2.5, 13.0, 12.0), 2.2, 2.2);
        QPainterPath inside;
        inside.addRoundedRect(QRectF(3.0, 6.3, 10.0, 6.9), 0.8, 0.8);
        return page.subtracted(inside)
            .united(line({{5.0, 1.0}, {5.0, 3.6}}, 1.5))
            .united(line({{11.0, 1.0}, {11.0, 3.6}}, 1.5))
            .united(ellipse({6.0, 9.0}, 0.9, 0.9))
            .united(ellipse({10.0, 9.0}, 0.9, 0.9));
    }
    case Glyph::mapPin: {
        QPainterPath pin;
        pin.moveTo(8.0, 11.6);
        pin.cubicTo(6.0, 9.2, 3.8, 7.2, 3.8, 5.0);
        pin.cubicTo(3.8, 2.6, 5.7, 0.8, 8.0, 0.8);
        pin.cubicTo(10.3, 0.8, 12.2, 2.6, 12.2, 5.0);
        pin.cubicTo(12.2, 7.2, 10.0, 9.2, 8.0, 11.6);
        pin.closeSubpath();
        const QPainterPath ring = ellipse({8.0, 13.2}, 6.6, 2.2).subtracted(ellipse({8.0, 13.2}, 5.2, 1.1));
        return pin.subtracted(ellipse({8.0, 5.0}, 1.7, 1.7)).united(ring);
    }
    case Glyph::twoPeople:
        return person({5.6, 5.0}, 1.0).united(person({11.2, 4.2}, 0.85));
    case Glyph::dot:
        return ellipse({8.0, 8.0}, 5.5, 5.5);
    case Glyph::disclosure:
        return line({{6.0, 3.5}, {10.5, 8.0}, {6.0, 12.5}}, 1.8);
    }
    return {};
}

} // namespace

QPainterPath fitted(const QPainterPath &glyph, const QRectF &box)
{
    QTransform transform;
    transform.translate(box.left(), box.top());
    transform.scale(box.width() / grid, box.height() / grid);
    return transform.map(glyph);
}

QPainterPath glyphPath(Glyph glyph, const QRectF &box)
{
    return fitted(glyphPath(glyph), box);
}

QPainterPath glyphPath(Glyph glyph)
{
    // Each outline is built once: the unions and cut-outs cost more than a screen's whole pass.
    static QHash<Glyph, QPainterPath> built;
    if (const auto found = built.constFind(glyph); found != built.cend())
        return *found;
    return *built.insert(glyph, outline(glyph));
}

} // namespace quorvale
