#pragma once

#include <QBasicTimer>
#include <QWidget>

// An indeterminate progress indicator: an arc that turns while the indicator is on screen.
namespace quorvale {

class Spinner : public QWidget
{
    Q_OBJECT

public:
    // `side` is the indicator's width and height in pixels.
    explicit Spinner(int side, QWidget *parent = nullptr);

    QSize sizeHint() const override { return {m_side, m_side}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    int m_side;
    int m_angle = 0;
    QBasicTimer m_timer;
};

} // namespace quorvale
