#pragma once

#include <QGraphicsEffect>
#include <QImage>

// The detail card's soft shadow, and its way in and out: it grows from 97 % to full size out of the
// edge that faces its course block, fading in as it grows.
namespace quorvale {

struct Curve;
class Tween;

class CardEffect : public QGraphicsEffect
{
    Q_OBJECT

public:
    explicit CardEffect(QObject *parent = nullptr);

    // The edge the card grows from: its trailing edge when it stands left of the block.
    void setGrowsFromTrailing(bool trailing);
    // 0 is gone, 1 is in place. Moves at once while motion is reduced.
    void run(qreal progress, const Curve &curve);
    qreal progress() const;

    QRectF boundingRectFor(const QRectF &rect) const override;

signals:
    void arrived();

protected:
    void draw(QPainter *painter) override;

private:
    const QImage &shadowFor(QSize size);

    Tween *m_progress;
    bool m_trailing = false;
    QImage m_shadow;
    QSize m_shadowSize;
};

} // namespace quorvale
