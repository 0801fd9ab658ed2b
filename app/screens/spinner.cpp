#include "app/screens/spinner.h"

#include "app/look/appearance.h"

#include <QPainter>
#include <QTimerEvent>

namespace quorvale {

namespace {

constexpr int frameMs = 40;
constexpr int stepDegrees = 30;
constexpr int arcDegrees = 100;

} // namespace

Spinner::Spinner(int side, QWidget *parent)
    : QWidget(parent)
    , m_side(side)
{
    setFixedSize(side, side);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = std::max(1.5, m_side / 8.0);
    const QRectF ring = QRectF(rect()).adjusted(width, width, -width, -width);
    QColor track = Appearance::button();
    track.setAlphaF(0.15f);
    painter.setPen(QPen(track, width));
    painter.drawEllipse(ring);
    painter.setPen(QPen(Appearance::button(), width, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(ring, -m_angle * 16, arcDegrees * 16);
}

void Spinner::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_timer.start(frameMs, this);
}

void Spinner::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_timer.stop();
}

void Spinner::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_angle = (m_angle + stepDegrees) % 360;
    update();
}

} // namespace quorvale
