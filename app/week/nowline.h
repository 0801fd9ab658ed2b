#pragma once

#include <QList>
#include <QWidget>

// The red line across the reference day's column at the reference time: a dot at the column's
// leading edge and a thin line after it, broken where a lesson's text lies under it. It glides to a
// new minute, takes a move of less than a pixel without animating, and lets the pointer through.
namespace quorvale {

class Tween;

class NowLine : public QWidget
{
    Q_OBJECT

public:
    // A stretch of the line, in the parent's x, that is left out.
    struct Span
    {
        qreal left = 0.0;
        qreal right = 0.0;

        bool operator==(const Span &) const = default;
    };

    explicit NowLine(QWidget *parent = nullptr);

    // Puts the line's centre at y in the parent, leaving out the given stretches; glides there over a
    // quarter second unless it is the first place or less than a pixel away.
    void place(qreal y, qreal width, const QList<Span> &gaps);
    qreal centre() const;
    const QList<Span> &gaps() const { return m_gaps; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void follow();

    Tween *m_centre;
    QList<Span> m_gaps;
    bool m_placed = false;
};

} // namespace quorvale
