#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QStringList>
#include <optional>

class QBrush;
class QImage;
class QPainter;
class QPainterPath;
class QPen;
class QPalette;
class QRectF;
class QWidget;

// Fonts, colours and text lines the painted widgets share. Colours are resolved from the
// palette at paint time, so a change between dark and light shows on the next paint.
namespace quorvale::painting {

// The monospaced face of the time axis.
QFont monospaced(int pixels, QFont::Weight weight);
// The title of a card's header.
QFont headline(const QFont &base);

QColor withOpacity(QColor colour, qreal opacity);
// The palette's text colour at the given opacity: the "primary" colour of lines and strokes.
QColor primary(const QPalette &palette, qreal opacity = 1.0);
// The opaque background of cards.
QColor controlBackground(const QPalette &palette);
// The red of the reference moment, the same in dark and light appearance.
QColor referenceRed();

// The opaque rounded card of the week view and of the detail card, with a hairline border of the
// primary colour at `borderOpacity`, where the widget was exposed.
void paintCard(QWidget *widget, const QRect &exposed, qreal borderOpacity);
// A rounded card filling the widget, with a hairline border when one is given.
void paintRoundedCard(QWidget *widget, const QRect &exposed, qreal radius, const QColor &fill,
                      const std::optional<QColor> &border);

// The outline of a rounded rectangle with corners of `radius`, stroked with `pen`. Qt's raster
// engine strokes a translucent pen at a cost that grows with every row of the box around the outline,
// the empty inside too: a hairline around a large card cost milliseconds. Stroked through four clips
// on whole device pixels along the edges, which hold every pixel it covers, it costs only those, and
// every pixel comes out as from one stroke. An opaque pen is stroked at once: it is cheap, and
// clipped it can round a pixel of its edge differently.
void strokeRoundedOutline(QPainter &painter, const QPainterPath &outline, qreal radius, const QPen &pen);

// An antialiased rounded rectangle filled with `brush`, drawn in bands a few pixel rows tall (taller
// where only its straight sides pass). Qt's raster engine hands a fill of more than about a hundred
// spans to a pool of threads that end after 30 s without work, so a pill redrawn once a minute would
// start and end threads each time. Each band stays under that size, and the bands are clipped on
// whole rows, so every pixel comes out as from one fill.
void fillRoundedRectInBands(QPainter &painter, const QRectF &rect, qreal radius, const QBrush &brush);

// The device pixels that a rectangle in the painter's coordinates covers, where it covers whole pixels and
// the painter neither rotates nor shears.
std::optional<QRect> wholeDevicePixels(const QPainter &painter, const QRectF &rect);
// Copies a part of an image, in the image's own pixels, to the device unscaled, its top left at `at`;
// a part one row high is repeated down `rows` rows.
void drawDevicePixels(QPainter &painter, const QPoint &at, const QImage &image, const QRect &part,
                      int rows = 1);

// Whether the surroundings of a widget are dark. A widget that sets its own text colour asks its parent.
bool darkAround(const QWidget *widget);

// Plain text broken into at most maxLines lines of the width; the last one shown is elided.
QStringList wrappedLines(const QString &text, const QFont &font, qreal width, int maxLines);

} // namespace quorvale::painting
