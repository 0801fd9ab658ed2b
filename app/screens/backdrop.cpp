#include "app/screens/backdrop.h"

#include "app/look/appearance.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>

namespace quorvale {

namespace {

// The accent's share of the window colour at the top edge; it fades to none at the bottom.
constexpr qreal washOpacity = 0.045;

} // namespace

void paintBackdrop(QWidget *widget, const QRect &area)
{
    // The window colour under the wash, mixed here row by row and filled as the few bands of one
    // colour it makes. A translucent wash over the whole window is a fill the raster engine spreads
    // over its threads, and waking them costs more than the bands.
    const QColor base = widget->palette().color(QPalette::Window);
    const QColor accent = Appearance::accentBlue.resolve(widget->palette());
    const int height = widget->height();
    const auto mixedAt = [&](int y) {
        const qreal wash = washOpacity * (1.0 - (y + 0.5) / std::max(1, height));
        const auto mix = [wash](int under, int over) { return qRound(under + (over - under) * wash); };
        return qRgb(mix(base.red(), accent.red()), mix(base.green(), accent.green()),
                    mix(base.blue(), accent.blue()));
    };
    QPainter painter(widget);
    int top = area.top();
    QRgb band = mixedAt(top);
    for (int y = top + 1; y <= area.bottom() + 1; ++y) {
        const QRgb next = y <= area.bottom() ? mixedAt(y) : ~band;
        if (next == band)
            continue;
        painter.fillRect(QRect(area.left(), top, area.width(), y - top), QColor(band));
        top = y;
        band = next;
    }
}

} // namespace quorvale
