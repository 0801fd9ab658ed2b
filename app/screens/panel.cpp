#include "app/screens/panel.h"

#include "app/look/painting.h"

#include <QPaintEvent>

namespace quorvale {

namespace paints {

Paint token(AdaptiveColor colour, qreal opacity)
{
    return [colour, opacity](const QPalette &palette) {
        return painting::withOpacity(colour.resolve(palette), opacity);
    };
}

Paint primary(qreal opacity)
{
    return [opacity](const QPalette &palette) { return painting::primary(palette, opacity); };
}

Paint controlBackground()
{
    return [](const QPalette &palette) { return painting::controlBackground(palette); };
}

} // namespace paints

Panel::Panel(qreal radius, Paint fill, QWidget *parent)
    : QWidget(parent)
    , m_radius(radius)
    , m_fill(std::move(fill))
{}

void Panel::setFill(Paint fill)
{
    m_fill = std::move(fill);
    update();
}

void Panel::setBorder(Paint border)
{
    m_border = std::move(border);
    update();
}

void Panel::paintEvent(QPaintEvent *event)
{
    painting::paintRoundedCard(this, event->rect(), m_radius, m_fill(palette()),
                               m_border ? std::optional<QColor>(m_border(palette())) : std::nullopt);
}

} // namespace quorvale
