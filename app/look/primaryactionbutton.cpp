#include "app/look/primaryactionbutton.h"

#include "app/look/appearance.h"
#include "app/look/reducemotion.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvale {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 10;
constexpr qreal cornerRadius = 10.0;
constexpr qreal hoverScale = 1.015;
constexpr qreal pressedScale = 0.97;
constexpr qreal shadowStrength = 0.2;
constexpr int hoverMs = 180;
constexpr int labelFlags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextHideMnemonic;

} // namespace

PrimaryActionButton::PrimaryActionButton(const QString &text, QWidget *parent)
    : ActionButton(text, parent)
    , m_shadow(new Tween(0.0, this))
    , m_shadowEffect(new QGraphicsDropShadowEffect(this))
{
    m_shadowEffect->setBlurRadius(8.0);
    m_shadowEffect->setOffset(0.0, 4.0);
    m_shadowEffect->setEnabled(false);
    setGraphicsEffect(m_shadowEffect);
    connect(m_shadow, &Tween::valueChanged, this, &PrimaryActionButton::showShadow);
}

QColor PrimaryActionButton::fill() const
{
    return isEnabled() ? Appearance::button() : palette().color(QPalette::Disabled, QPalette::ButtonText);
}

qreal PrimaryActionButton::shadowOpacity() const
{
    return shadowStrength * m_shadow->value();
}

QFont PrimaryActionButton::labelFont() const
{
    QFont label = font();
    label.setWeight(QFont::DemiBold);
    return label;
}

// The widget is as large as the hovered button, so growing never leaves the widget's own area.
QSize PrimaryActionButton::sizeHint() const
{
    const QSize label = QFontMetrics(labelFont()).size(labelFlags, text());
    return {int(std::ceil((label.width() + 2 * horizontalPadding) * hoverScale)),
            int(std::ceil((label.height() + 2 * verticalPadding) * hoverScale))};
}

qreal PrimaryActionButton::targetScale() const
{
    if (motion::reduced())
        return 1.0;
    if (isDown())
        return pressedScale;
    return hovering() && isEnabled() ? hoverScale : 1.0;
}

Curve PrimaryActionButton::pressCurve() const
{
    return springCurve<springs::press>();
}

qreal PrimaryActionButton::targetShadow() const
{
    return hovering() && isEnabled() ? 1.0 : 0.0;
}

void PrimaryActionButton::hoverChanged()
{
    moveScale(easeOut(hoverMs));
    m_shadow->moveTo(targetShadow(), easeOut(hoverMs));
}

void PrimaryActionButton::changeEvent(QEvent *event)
{
    ActionButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        m_shadow->jumpTo(targetShadow());
}

void PrimaryActionButton::showShadow()
{
    QColor colour = Appearance::button();
    colour.setAlphaF(float(shadowOpacity()));
    m_shadowEffect->setColor(colour);
    m_shadowEffect->setEnabled(shadowOpacity() > 0.0);
}

void PrimaryActionButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    applyScale(painter, hoverScale);
    const QRectF body = rect();
    QPainterPath shape;
    shape.addRoundedRect(body, cornerRadius * hoverScale, cornerRadius * hoverScale);
    painter.fillPath(shape, fill());
    painter.setPen(Qt::white);
    painter.setFont(labelFont());
    painter.drawText(body, labelFlags, text());
    paintFocusRing(painter, shape);
}

} // namespace quorvale
