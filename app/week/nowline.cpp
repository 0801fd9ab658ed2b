#include "app/week/nowline.h"

#include "app/look/painting.h"
#include "app/week/daycolumn.h"

#include "app/look/animation.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace quorvale {

namespace {

constexpr qreal side = 5.0;
constexpr int glideMs = 250;
// Room left between the line and the text it stops at.
constexpr qreal clearance = 3.0;

int top(qreal centre)
{
    return qRound(centre - side / 2.0);
}

} // namespace

NowLine::NowLine(QWidget *parent)
    : QWidget(parent)
    , m_centre(new Tween(0.0, this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_centre->setShownAs([](qreal centre) { return top(centre); });
    connect(m_centre, &Tween::valueChanged, this, &NowLine::follow);
}

void NowLine::place(qreal y, qreal width, const QList<Span> &gaps)
{
    if (const QSize length{int(width), int(side)}; length != size())
        resize(length);
    if (gaps != m_gaps) {
        m_gaps = gaps;
        update();
    }
    if (m_placed && std::abs(y - m_centre->target()) >= 1.0) {
        m_centre->moveTo(y, Curve{QEasingCurve(QEasingCurve::Linear), glideMs});
        return;
    }
    m_placed = true;
    m_centre->jumpTo(y);
    follow();
}

qreal NowLine::centre() const
{
    return m_centre->value();
}

void NowLine::follow()
{
    move(0, top(m_centre->value()));
}

void NowLine::paintEvent(QPaintEvent *)
{
    const auto *column = qobject_cast<const DayColumn *>(parentWidget());
    const QColor red = painting::referenceRed();
    QPainter painter(this);
    painter.setOpacity(column ? column->appearance() : 1.0);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(red);
    painter.drawEllipse(QRectF(0.0, 0.0, side, side));
    QPainterPath line;
    line.addRect(QRectF(side, side / 2.0 - 0.5, width() - side, 1.0));
    for (const Span &gap : std::as_const(m_gaps)) {
        QPainterPath hole;
        hole.addRect(QRectF(gap.left - clearance, 0.0, gap.right - gap.left + 2.0 * clearance, side));
        line = line.subtracted(hole);
    }
    painter.fillPath(line, painting::withOpacity(red, 0.85));
}

} // namespace quorvale
