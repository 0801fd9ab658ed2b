#include "app/look/transition.h"

#include "app/look/animation.h"
#include "app/look/reducemotion.h"

#include <QLayout>
#include <QPainter>
#include <QTransform>
#include <QWidget>
#include <algorithm>

namespace quorvale {

namespace {

// Another kind of effect on the widget is its owner's business: transitions leave it alone.
bool hasForeignEffect(const QWidget *widget)
{
    return widget->graphicsEffect() && !qobject_cast<MotionEffect *>(widget->graphicsEffect());
}

// An effect draws its widget through an off-screen pass; an effect inside that pass paints the same
// device twice, so a transition never wraps widgets that carry effects of their own.
QList<QGraphicsEffect *> innerEffects(const QWidget *widget)
{
    QList<QGraphicsEffect *> effects;
    for (const QWidget *child : widget->findChildren<QWidget *>()) {
        if (child->graphicsEffect() && child->graphicsEffect()->isEnabled())
            effects.append(child->graphicsEffect());
    }
    return effects;
}

} // namespace

MotionEffect::MotionEffect(const TransitionState &far, qreal progress, QObject *parent)
    : QGraphicsEffect(parent)
    , m_far(far)
    , m_progress(progress)
    , m_tween(new Tween(progress, this))
{
    connect(m_tween, &Tween::valueChanged, this, &MotionEffect::setProgress);
    connect(m_tween, &Tween::arrived, this, [this] {
        // At its own look the widget is drawn directly again, without the off-screen pass.
        setEnabled(m_progress != 1.0);
        emit arrived();
    });
}

void MotionEffect::setProgress(qreal progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    updateBoundingRect();
    update();
}

void MotionEffect::run(qreal progress, const Curve &curve, int delayMs)
{
    setEnabled(true);
    m_tween->moveTo(progress, curve, delayMs);
}

TransitionState MotionEffect::stateAt(qreal progress) const
{
    return {m_far.scale + (1.0 - m_far.scale) * progress, m_far.offset * (1.0 - progress),
            std::clamp(m_far.opacity + (1.0 - m_far.opacity) * progress, 0.0, 1.0)};
}

QTransform MotionEffect::transformFor(const QRectF &rect) const
{
    const TransitionState state = stateAt(m_progress);
    const QPointF centre = rect.center();
    QTransform transform;
    transform.translate(centre.x() + state.offset.x(), centre.y() + state.offset.y());
    transform.scale(state.scale, state.scale);
    transform.translate(-centre.x(), -centre.y());
    return transform;
}

QRectF MotionEffect::boundingRectFor(const QRectF &rect) const
{
    return rect.united(transformFor(rect).mapRect(rect));
}

void MotionEffect::draw(QPainter *painter)
{
    if (m_progress == 1.0) {
        drawSource(painter);
        return;
    }
    const qreal opacity = stateAt(m_progress).opacity;
    if (opacity <= 0.0)
        return;
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    painter->save();
    painter->setOpacity(painter->opacity() * opacity);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setTransform(transformFor(sourceBoundingRect(Qt::LogicalCoordinates)), true);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

void playInsertion(QWidget *widget, const Transition &transition, const Curve &curve)
{
    // Widgets inside with effects of their own come in by themselves.
    if (motion::reduced() || hasForeignEffect(widget) || !innerEffects(widget).isEmpty())
        return;
    auto *effect = new MotionEffect(transition.insertion, 0.0);
    widget->setGraphicsEffect(effect);
    effect->run(1.0, curve);
}

void playRemoval(QWidget *widget, const Transition &transition, const Curve &curve)
{
    // The widget leaves the layout now, so whatever replaces it takes the space at once; it keeps its
    // place on top while it goes.
    if (QWidget *parent = widget->parentWidget(); parent && parent->layout()) {
        const QRect geometry = widget->geometry();
        parent->layout()->removeWidget(widget);
        widget->setGeometry(geometry);
        widget->raise();
    }
    if (motion::reduced() || !widget->isVisible() || hasForeignEffect(widget)) {
        widget->hide();
        widget->deleteLater();
        return;
    }
    // The widget is on its way out: what is inside it is drawn plainly within its own fade.
    for (QGraphicsEffect *inner : innerEffects(widget))
        inner->setEnabled(false);
    auto *effect = new MotionEffect(transition.removal, 1.0);
    widget->setGraphicsEffect(effect);
    QObject::connect(effect, &MotionEffect::arrived, widget, &QObject::deleteLater);
    effect->run(0.0, curve);
}

} // namespace quorvale
