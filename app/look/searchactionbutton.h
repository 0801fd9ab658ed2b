#pragma once

#include "app/look/actionbutton.h"

// The small capsule button at the end of the search field (the search action style): brand blue
// when enabled, clear with a secondary label when not.
namespace quorvale {

class SearchActionButton : public ActionButton
{
    Q_OBJECT

public:
    explicit SearchActionButton(const QString &text, QWidget *parent = nullptr);

    // The capsule's fill and the label's colour drawn now; the fill is transparent when disabled.
    QColor fill() const;
    QColor labelColor() const;

    QSize sizeHint() const override;

protected:
    qreal targetScale() const override;
    Curve pressCurve() const override;
    void hoverChanged() override;
    bool hitButton(const QPoint &position) const override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPainterPath capsule() const;

    // 1 when enabled, 0 when not, in between while the change plays.
    Tween *m_enabled;
};

} // namespace quorvale
