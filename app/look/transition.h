#pragma once

#include <QGraphicsEffect>
#include <QPointF>

class QWidget;
class QTransform;

// How a content area comes in and goes out: a widget is drawn between its own look and a far state
// (scaled about its centre, moved, faded), without disturbing the layout around it.
namespace quorvale {

struct Curve;
class Tween;

// The look at the far end of a transition; the default is the widget's own look.
struct TransitionState
{
    qreal scale = 1.0;
    QPointF offset;
    qreal opacity = 1.0;

    bool operator==(const TransitionState &) const = default;
};

// An inserted widget starts from `insertion`; a removed one ends at `removal`.
struct Transition
{
    TransitionState insertion;
    TransitionState removal;

    bool operator==(const Transition &) const = default;
};

// Draws its widget part of the way between a far state (progress 0) and its own look (progress 1).
class MotionEffect : public QGraphicsEffect
{
    Q_OBJECT

public:
    MotionEffect(const TransitionState &far, qreal progress, QObject *parent = nullptr);

    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);

    // Moves to the given progress along the curve (at once while motion is reduced), then reports
    // arrived().
    void run(qreal progress, const Curve &curve, int delayMs = 0);

    QRectF boundingRectFor(const QRectF &rect) const override;

signals:
    void arrived();

protected:
    void draw(QPainter *painter) override;

private:
    TransitionState stateAt(qreal progress) const;
    QTransform transformFor(const QRectF &rect) const;

    TransitionState m_far;
    qreal m_progress;
    Tween *m_tween;
};

// Brings a widget in from the transition's insertion state. Call it before the widget is first shown.
void playInsertion(QWidget *widget, const Transition &transition, const Curve &curve);

// Takes a widget out of its layout at once, lets it play the removal state over the space it held,
// then deletes it.
void playRemoval(QWidget *widget, const Transition &transition, const Curve &curve);

} // namespace quorvale
