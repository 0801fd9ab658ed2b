#include "app/week/weekglyphs.h"

#include <QPainterPathStroker>
#include <QTransform>
#include <initializer_list>

namespace quorvale {

namespace {

constexpr qreal grid = 16.0;

QPainterPath line(std::initializer_list<QPointF> points, qreal width)
{
    QPainterPath centre;
    for (const QPointF &point : points) {
        if (centre.elementCount() == 0)
            centre.moveTo(point);
        else
            centre.lineTo(point);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(centre);
}

QPainterPath ellipse(QPointF centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
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

QPainterPath outline(WeekGlyph glyph)
{
    switch (glyph) {
    case WeekGlyph::arrowDownToLine:
        return line({{8.0, 1.5}, {8.0, 10.0}}, 1.6)
            .united(line({{4.2, 6.6}, {8.0, 10.4}, {11.8, 6.6}}, 1.6))
            .united(line({{2.5, 14.0}, {13.5, 14.0}}, 1.6));
    case WeekGlyph::arrowUpAndDown:
        return line({{8.0, 1.8}, {8.0, 14.2}}, 1.6)
            .united(line({{4.6, 5.0}, {8.0, 1.6}, {11.4, 5.0}}, 1.6))
            .united(line({{4.6, 11.0}, {8.0, 14.4}, {11.4, 11.0}}, 1.6));
    case WeekGlyph::xmark:
        return line({{3.5, 3.5}, {12.5, 12.5}}, 2.0).united(line({{12.5, 3.5}, {3.5, 12.5}}, 2.0));
    case WeekGlyph::calendar: {
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
    case WeekGlyph::mapPin: {
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
    case WeekGlyph::twoPeople:
        return person({5.6, 5.0}, 1.0).united(person({11.2, 4.2}, 0.85));
    case WeekGlyph::dot:
        return ellipse({8.0, 8.0}, 5.5, 5.5);
    case WeekGlyph::disclosure:
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

QPainterPath weekGlyphPath(WeekGlyph glyph, const QRectF &box)
{
    return fitted(outline(glyph), box);
}

QPainterPath unitGlyph(WeekGlyph glyph)
{
    return outline(glyph);
}

} // namespace quorvale
