#include "app/week/nowline.h"

#include "app/look/painting.h"

#include "app/look/animation.h"

#include <QPainter>

namespace quorvale {

namespace {

constexpr qreal side = 5.0;
constexpr int glideMs = 250;

} // namespace

NowLine::NowLine(QWidget *parent)
    : QWidget(parent)
    , m_centre(new Tween(0.0, this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_centre, &Tween::valueChanged, this, &NowLine::follow);
}

void NowLine::place(qreal y, qreal width)
{
    resize(int(width), int(side));
    if (m_placed) {
        m_centre->moveTo(y, Curve{QEasingCurve(QEasingCurve::Linear), glideMs});
    } else {
        m_placed = true;
        m_centre->jumpTo(y);
    }
    follow();
}

qreal NowLine::centre() const
{
    return m_centre->value();
}

void NowLine::follow()
{
    move(0, qRound(m_centre->value() - side / 2.0));
}

void NowLine::paintEvent(QPaintEvent *)
{
    const QColor red = painting::referenceRed();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawEllipse(QRectF(0.0, 0.0, side, side));
    painter.fillRect(QRectF(side, side / 2.0 - 0.5, width() - side, 1.0), painting::withOpacity(red, 0.85));
}

} // namespace quorvale
