#include "app/look/animation.h"

#include "app/look/reducemotion.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvale {

namespace {

constexpr double settleTolerance = 0.001;
// Qt's animations advance about sixty times a second.
constexpr int frameMs = 16;

double angularFrequency(Spring spring)
{
    return 2.0 * std::numbers::pi / spring.response;
}

} // namespace

double settleSeconds(Spring spring)
{
    // An underdamped spring swings with up to 1 / sqrt(1 - zeta²) times its decaying envelope.
    const double zeta = std::min(spring.dampingFraction, 0.999);
    const double amplitude = 1.0 / std::sqrt(1.0 - zeta * zeta);
    return std::log(amplitude / settleTolerance) / (spring.dampingFraction * angularFrequency(spring));
}

double springPosition(Spring spring, double seconds)
{
    const double omega = angularFrequency(spring);
    const double zeta = spring.dampingFraction;
    const double decay = std::exp(-zeta * omega * seconds);
    if (zeta >= 1.0)
        return 1.0 - decay * (1.0 + omega * seconds);
    const double damped = omega * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - decay * (std::cos(damped * seconds) + zeta * omega / damped * std::sin(damped * seconds));
}

Curve easeOut(int durationMs)
{
    QEasingCurve easing(QEasingCurve::BezierSpline);
    easing.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return {easing, durationMs};
}

Tween::Tween(qreal value, QObject *parent)
    : QObject(parent)
    , m_value(value)
    , m_target(value)
{
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &Tween::begin);
    m_step.setSingleShot(true);
    m_step.setTimerType(Qt::PreciseTimer);
    connect(&m_step, &QTimer::timeout, this, &Tween::takeStep);
    connect(&m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &v) { set(v.toReal()); });
    connect(&m_animation, &QVariantAnimation::finished, this, &Tween::arrived);
}

bool Tween::moving() const
{
    return m_delay.isActive() || m_step.isActive() || m_animation.state() == QAbstractAnimation::Running;
}

void Tween::moveTo(qreal target, const Curve &curve, int delayMs)
{
    if (motion::reduced() || curve.durationMs <= 0) {
        jumpTo(target);
        return;
    }
    if (moving() ? target == m_target : target == m_value) {
        m_target = target;
        return;
    }
    if (delayMs <= 0 && takenAtOnce(m_value, target)) {
        jumpTo(target);
        return;
    }
    m_delay.stop();
    m_step.stop();
    m_animation.stop();
    m_target = target;
    m_animation.setStartValue(m_value);
    m_animation.setEndValue(target);
    m_animation.setEasingCurve(curve.easing);
    m_animation.setDuration(curve.durationMs);
    if (delayMs > 0)
        m_delay.start(delayMs);
    else
        begin();
}

void Tween::setShownAs(std::function<int(qreal)> shown)
{
    m_shownAs = std::move(shown);
}

void Tween::begin()
{
    if (!m_shownAs) {
        m_animation.start();
        return;
    }
    // The frames the animation would run, kept only where they show another step.
    const qreal from = m_animation.startValue().toReal();
    const qreal to = m_target;
    if (takenAtOnce(from, to)) {
        jumpTo(to);
        return;
    }
    const int duration = m_animation.duration();
    const QEasingCurve easing = m_animation.easingCurve();
    m_steps.clear();
    int shown = m_shownAs(from);
    for (int ms = frameMs; ms < duration; ms += frameMs) {
        const qreal value = from + (to - from) * easing.valueForProgress(qreal(ms) / duration);
        if (const int step = m_shownAs(value); step != shown) {
            m_steps.append({ms, value});
            shown = step;
        }
    }
    if (m_shownAs(to) != shown)
        m_steps.append({duration, to});
    if (m_steps.isEmpty()) {
        jumpTo(to);
        return;
    }
    // Nothing shown changes after the last step, so it may as well arrive there.
    m_steps.last().second = to;
    m_stepping.start();
    m_step.start(m_steps.first().first);
}

bool Tween::takenAtOnce(qreal from, qreal to) const
{
    // A move of one or two shown steps spread over frames of its own reads as a flicker, not as
    // motion; taken with the change that caused it, it is drawn in the same pass.
    return m_shownAs && std::abs(m_shownAs(to) - m_shownAs(from)) <= 2;
}

void Tween::takeStep()
{
    set(m_steps.takeFirst().second);
    if (m_steps.isEmpty()) {
        emit arrived();
        return;
    }
    m_step.start(std::max(0, m_steps.first().first - int(m_stepping.elapsed())));
}

void Tween::jumpTo(qreal target)
{
    m_delay.stop();
    m_step.stop();
    m_animation.stop();
    m_target = target;
    set(target);
    emit arrived();
}

void Tween::set(qreal value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit valueChanged(value);
}

} // namespace quorvale
