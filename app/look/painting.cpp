#include "app/look/painting.h"

#include "app/look/appearance.h"
#include "app/look/typography.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTextLayout>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace quorvale::painting {

QFont monospaced(int pixels, QFont::Weight weight)
{
    return sizedFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), pixels, weight);
}

QFont headline(const QFont &base)
{
    return sizedFont(base, 13, QFont::DemiBold);
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

QColor primary(const QPalette &palette, qreal opacity)
{
    return withOpacity(palette.color(QPalette::WindowText), opacity);
}

QColor controlBackground(const QPalette &palette)
{
    return palette.color(QPalette::Base);
}

QColor referenceRed()
{
    return QColor::fromRgbF(0.69f, 0.12f, 0.22f);
}

void paintCard(QWidget *widget, const QRect &exposed, qreal borderOpacity)
{
    paintRoundedCard(widget, exposed, 20.0, controlBackground(widget->palette()),
                     primary(widget->palette(), borderOpacity));
}

void paintRoundedCard(QWidget *widget, const QRect &exposed, qreal radius, const QColor &fill,
                      const std::optional<QColor> &border)
{
    QPainter painter(widget);
    // Away from the corners and the border the card is one flat colour: a bar or a line moving on it
    // repaints its band with a plain fill instead of the whole outline.
    const int inset = int(std::ceil(radius)) + 1;
    const QRect inside = widget->rect();
    if (inside.adjusted(inset, 1, -inset, -1).contains(exposed) ||
        inside.adjusted(1, inset, -1, -inset).contains(exposed)) {
        painter.fillRect(exposed, fill);
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(inside).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(shape, fill);
    if (border)
        strokeRoundedOutline(painter, shape, radius, QPen(*border, 1.0));
}

void strokeRoundedOutline(QPainter &painter, const QPainterPath &outline, qreal radius, const QPen &pen)
{
    const QTransform toDevice = painter.deviceTransform();
    const qreal reach = pen.widthF();
    // Along the straight edges the stroke stays within half its width of the outline's box, at the
    // corners within the radius and that half; a band one pixel deeper holds it all.
    const int across = int(std::ceil((radius + 2.0 * reach) * toDevice.m11())) + 1;
    const int down = int(std::ceil((radius + 2.0 * reach) * toDevice.m22())) + 1;
    const QRect pixels =
        toDevice.mapRect(outline.boundingRect().adjusted(-reach, -reach, reach, reach)).toAlignedRect();
    if (pen.color().alpha() == 255 || toDevice.type() > QTransform::TxScale || toDevice.m11() <= 0.0 ||
        toDevice.m22() <= 0.0 || pixels.width() <= 2 * across || pixels.height() <= 2 * down) {
        painter.strokePath(outline, pen);
        return;
    }
    const QTransform toLogical = toDevice.inverted();
    const int middle = pixels.height() - 2 * down;
    for (const QRect &band : {QRect(pixels.left(), pixels.top(), pixels.width(), down),
                              QRect(pixels.left(), pixels.bottom() - down + 1, pixels.width(), down),
                              QRect(pixels.left(), pixels.top() + down, across, middle),
                              QRect(pixels.right() - across + 1, pixels.top() + down, across, middle)}) {
        painter.save();
        painter.setClipRect(toLogical.mapRect(QRectF(band)), Qt::IntersectClip);
        painter.strokePath(outline, pen);
        painter.restore();
    }
}

void fillRoundedRectInBands(QPainter &painter, const QRectF &rect, qreal radius, const QBrush &brush)
{
    // A row of an antialiased edge gives at most a few dozen spans; a row of the straight sides at most
    // three: a part of a pixel, whole pixels and a part of a pixel.
    constexpr int bandRows = 4;
    constexpr int straightRows = 30;
    // The bands are cut on whole rows of the device, which at a fractional pixel ratio are not whole
    // logical rows.
    const QTransform toDevice = painter.deviceTransform();
    const QTransform toLogical = toDevice.inverted();
    const QRectF mapped = toDevice.mapRect(rect);
    const QRect rows = mapped.toAlignedRect();
    // A band clear of the rounded ends meets only the straight sides. Its own short rounded rectangle,
    // on the same sides with its ends beyond the band, covers it exactly as the whole one does, and
    // rasterising the whole outline again for every band of a tall shape costs far more than the fill.
    const qreal ends = std::min(radius, rect.height() / 2.0) * toDevice.m22();
    const bool upright = toDevice.type() <= QTransform::TxScale && toDevice.m22() > 0.0;
    const qreal straightEnd = mapped.bottom() - ends;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(brush);
    for (int top = rows.top(), height = bandRows; top <= rows.bottom(); top += height) {
        const bool straight = upright && top >= mapped.top() + ends && top + bandRows <= straightEnd;
        height = straight ? std::clamp(int(std::floor(straightEnd)) - top, bandRows, straightRows) : bandRows;
        const QRectF band = toLogical.mapRect(QRectF(rows.left(), top, rows.width(), height));
        painter.setClipRect(band);
        if (straight)
            painter.drawRoundedRect(
                QRectF(rect.left(), band.top() - radius, rect.width(), band.height() + 2 * radius), radius,
                radius);
        else
            painter.drawRoundedRect(rect, radius, radius);
    }
    painter.restore();
}

std::optional<QRect> wholeDevicePixels(const QPainter &painter, const QRectF &rect)
{
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxScale || device.m11() <= 0.0 || device.m22() <= 0.0)
        return std::nullopt;
    const QRectF mapped = device.mapRect(rect);
    const QRect pixels = mapped.toAlignedRect();
    if (QRectF(pixels) != mapped)
        return std::nullopt;
    return pixels;
}

void drawDevicePixels(QPainter &painter, const QPoint &at, const QImage &image, const QRect &part, int rows)
{
    painter.save();
    painter.setWorldTransform(QTransform::fromTranslate(at.x(), at.y()) *
                              painter.deviceTransform().inverted() * painter.worldTransform());
    if (part.height() == 1 && rows > 1)
        painter.drawImage(QRect(0, 0, part.width(), rows), image, part);
    else
        painter.drawImage(QPoint(0, 0), image, part);
    painter.restore();
}

bool darkAround(const QWidget *widget)
{
    const QWidget *parent = widget->parentWidget();
    return Appearance::isDark(parent ? parent->palette() : widget->palette());
}

QStringList wrappedLines(const QString &text, const QFont &font, qreal width, int maxLines)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() + 1 == maxLines) {
            const QString rest = text.mid(line.textStart());
            lines.append(QFontMetricsF(font).elidedText(rest, Qt::ElideRight, width));
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return lines;
}

} // namespace quorvale::painting
