#include "app/look/actionbutton.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvale {

ActionButton::ActionButton(const QString &text, QWidget *parent)
    : QAbstractButton(parent)
    , m_scale(new Tween(1.0, this))
{
    setText(text);
    // Like the desktop's own buttons, reachable with Tab but not focused by a click.
    setFocusPolicy(Qt::TabFocus);
    connect(m_scale, &Tween::valueChanged, this, qOverload<>(&QWidget::update));
    connect(this, &QAbstractButton::pressed, this, [this] { moveScale(pressCurve()); });
    connect(this, &QAbstractButton::released, this, [this] { moveScale(pressCurve()); });
}

void ActionButton::moveScale(const Curve &curve)
{
    m_scale->moveTo(targetScale(), curve);
}

void ActionButton::applyScale(QPainter &painter, qreal restScale) const
{
    const qreal factor = m_scale->value() / restScale;
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(factor, factor);
    painter.translate(-centre);
}

void ActionButton::paintFocusRing(QPainter &painter, const QPainterPath &shape) const
{
    if (!hasFocus() || !m_keyboardFocus)
        return;
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2.0));
    painter.drawPath(shape);
}

// The ring marks where the keyboard is; focus given by the window on showing needs no mark.
void ActionButton::focusInEvent(QFocusEvent *event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void ActionButton::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    setHovering(true);
}

void ActionButton::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    setHovering(false);
}

void ActionButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        m_scale->jumpTo(targetScale());
}

void ActionButton::setHovering(bool hovering)
{
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    hoverChanged();
}

} // namespace quorvale
