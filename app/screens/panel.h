#pragma once

#include "app/look/appearance.h"

#include <QWidget>
#include <functional>

// A rounded card behind other widgets, with a fill and an optional hairline border. Colours are
// worked out from the palette each time the card is painted, so it follows dark and light.
namespace quorvale {

// A colour taken from the palette when painting.
using Paint = std::function<QColor(const QPalette &)>;

namespace paints {
Paint token(AdaptiveColor colour, qreal opacity = 1.0);
// The palette's text colour at an opacity.
Paint primary(qreal opacity);
// The opaque background of controls and cards.
Paint controlBackground();
} // namespace paints

class Panel : public QWidget
{
    Q_OBJECT

public:
    Panel(qreal radius, Paint fill, QWidget *parent = nullptr);

    void setFill(Paint fill);
    void setBorder(Paint border);
    // The fill drawn now.
    QColor fill() const { return m_fill(palette()); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_radius;
    Paint m_fill;
    Paint m_border;
};

} // namespace quorvale
