#pragma once

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QVariantAnimation>
#include <functional>
#include <utility>

// Timing of the application's animations: springs given as response and damping fraction (the
// response is the period of the undamped oscillation), and a small animated value that jumps to its
// target when motion is reduced.
namespace quorvale {

struct Spring
{
    double response;
    double dampingFraction;
};

namespace springs {
// State changes on screen.
inline constexpr Spring standard{0.46, 0.88};
// Presses of the primary button.
inline constexpr Spring press{0.22, 0.82};
// Entrances of cards and columns.
inline constexpr Spring arrival{0.42, 0.92};
// Entrance of a course's detail card.
inline constexpr Spring detail{0.28, 0.92};
} // namespace springs

// An easing curve with the time it runs.
struct Curve
{
    QEasingCurve easing;
    int durationMs = 0;
};

// Time, in seconds, after which the spring stays within a thousandth of its target.
double settleSeconds(Spring spring);

// Position of a spring released at 0 towards 1, after the given time; underdamped springs overshoot.
double springPosition(Spring spring, double seconds);

namespace detail {
template <Spring S> qreal springEasing(qreal progress)
{
    return progress >= 1.0 ? 1.0 : springPosition(S, progress * settleSeconds(S));
}
} // namespace detail

// QEasingCurve takes only a plain function, hence one instantiation per spring.
template <Spring S> Curve springCurve()
{
    QEasingCurve easing;
    easing.setCustomType(&detail::springEasing<S>);
    return {easing, int(settleSeconds(S) * 1000.0 + 0.5)};
}

// The standard ease-out timing, a cubic Bézier through (0, 0) and (0.58, 1).
Curve easeOut(int durationMs);

// One animated number. It moves along a curve to its target, or takes the target at once while
// motion is reduced.
class Tween : public QObject
{
    Q_OBJECT

public:
    Tween(qreal value, QObject *parent);

    qreal value() const { return m_value; }
    qreal target() const { return m_target; }
    bool moving() const;

    void moveTo(qreal target, const Curve &curve, int delayMs = 0);
    void jumpTo(qreal target);
    // For a value drawn in whole steps, such as pixels: a move then wakes only at the frames where
    // the step shown changes, and a move of at most two steps is taken at once.
    void setShownAs(std::function<int(qreal)> shown);

signals:
    void valueChanged(qreal value);
    void arrived();

private:
    void begin();
    bool takenAtOnce(qreal from, qreal to) const;
    void takeStep();
    void set(qreal value);

    qreal m_value;
    qreal m_target;
    QVariantAnimation m_animation;
    QTimer m_delay;
    std::function<int(qreal)> m_shownAs;
    // The frames of a stepped move that show a new step: time from its start and value.
    QList<std::pair<int, qreal>> m_steps;
    QTimer m_step;
    QElapsedTimer m_stepping;
};

} // namespace quorvale
