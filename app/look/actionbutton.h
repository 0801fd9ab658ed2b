#pragma once

#include "app/look/animation.h"

#include <QAbstractButton>

class QPainterPath;

// What the application's two button looks share: pointer hover, a scale about the centre that follows
// presses and hover, and a focus ring for keyboard use. The label is painted as plain text; as with
// every Qt button, "&&" stands for one ampersand.
namespace quorvale {

class ActionButton : public QAbstractButton
{
    Q_OBJECT

public:
    bool hovering() const { return m_hovering; }
    // The scale the button is drawn at now.
    qreal scale() const { return m_scale->value(); }

protected:
    ActionButton(const QString &text, QWidget *parent);

    // The scale the button's present state asks for.
    virtual qreal targetScale() const = 0;
    virtual Curve pressCurve() const = 0;
    virtual void hoverChanged() = 0;

    void moveScale(const Curve &curve);
    // Scales the painter about the centre, so that `restScale` of the widget is drawn at scale 1.
    void applyScale(QPainter &painter, qreal restScale) const;
    void paintFocusRing(QPainter &painter, const QPainterPath &shape) const;

    void focusInEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setHovering(bool hovering);

    bool m_hovering = false;
    bool m_keyboardFocus = false;
    Tween *m_scale;
};

} // namespace quorvale
