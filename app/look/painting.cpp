#include "app/look/painting.h"

#include "app/look/appearance.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTextLayout>
#include <QWidget>

namespace quorvale::painting {

QFont pixelFont(const QFont &base, int pixels, QFont::Weight weight)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

QFont monospaced(int pixels, QFont::Weight weight)
{
    return pixelFont(QFontDatabase::systemFont(QFontDatabase::FixedFont), pixels, weight);
}

QFont headline(const QFont &base)
{
    return pixelFont(base, 13, QFont::DemiBold);
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

void paintCard(QWidget *widget, qreal borderOpacity)
{
    constexpr qreal radius = 20.0;
    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(widget->rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.fillPath(shape, controlBackground(widget->palette()));
    painter.strokePath(shape, QPen(primary(widget->palette(), borderOpacity), 1.0));
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
