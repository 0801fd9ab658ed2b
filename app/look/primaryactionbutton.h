#pragma once

#include "app/look/actionbutton.h"

class QGraphicsDropShadowEffect;

// The filled, rounded brand-blue button of the main actions (the primary action style): it grows a
// little and casts a soft shadow under the pointer and shrinks while pressed.
namespace quorvale {

class PrimaryActionButton : public ActionButton
{
    Q_OBJECT

public:
    explicit PrimaryActionButton(const QString &text, QWidget *parent = nullptr);

    // The fill under the present palette and enabled state.
    QColor fill() const;
    // Opacity of the hover shadow drawn now, from 0 to 0.2.
    qreal shadowOpacity() const;

    QSize sizeHint() const override;

protected:
    qreal targetScale() const override;
    Curve pressCurve() const override;
    void hoverChanged() override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    qreal targetShadow() const;
    void showShadow();
    QFont labelFont() const;

    Tween *m_shadow;
    QGraphicsDropShadowEffect *m_shadowEffect;
};

} // namespace quorvale
