#pragma once

#include <QWidget>

// The red line across the reference day's column at the reference time: a dot at the column's
// leading edge and a thin line after it. It glides to a new minute and lets the pointer through.
namespace quorvale {

class Tween;

class NowLine : public QWidget
{
    Q_OBJECT

public:
    explicit NowLine(QWidget *parent = nullptr);

    // Puts the line's centre at y in the parent; moves there over a quarter second unless it is the first.
    void place(qreal y, qreal width);
    qreal centre() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();

    Tween *m_centre;
    bool m_placed = false;
};

} // namespace quorvale
