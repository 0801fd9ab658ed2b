#include "app/look/arrival.h"

#include "app/look/animation.h"
#include "app/look/reducemotion.h"
#include "app/look/transition.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>

namespace quorvale {

namespace {

constexpr int stepMs = 35;
constexpr int longestDelayMs = 210;
constexpr TransitionState before{1.0, {0.0, 10.0}, 0.0};

} // namespace

Arrival::Arrival(QWidget *widget, int order)
    : QObject(widget)
    , m_widget(widget)
    , m_order(order)
{
    // Another effect on the widget belongs to it, and reduced motion shows everything in place at once.
    if (motion::reduced() || widget->graphicsEffect()) {
        m_appeared = true;
        return;
    }
    m_effect = new MotionEffect(before, 0.0);
    widget->setGraphicsEffect(m_effect);
    widget->installEventFilter(this);
    if (widget->isVisible())
        appear();
}

int Arrival::delayMs(int order)
{
    return std::clamp(order * stepMs, 0, longestDelayMs);
}

bool Arrival::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::Show && !m_appeared)
        appear();
    return QObject::eventFilter(watched, event);
}

void Arrival::appear()
{
    m_appeared = true;
    m_widget->removeEventFilter(this);
    // Someone else may have put their own effect on the widget since.
    if (!m_effect || m_widget->graphicsEffect() != m_effect)
        return;
    m_effect->run(1.0, springCurve<springs::arrival>(), delayMs(m_order));
}

Arrival *arrive(QWidget *widget, int order)
{
    if (auto *existing = widget->findChild<Arrival *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!existing->appeared())
            existing->setOrder(order);
        return existing;
    }
    return new Arrival(widget, order);
}

} // namespace quorvale
