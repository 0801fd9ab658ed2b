#include "app/screens/departingscreen.h"

#include "app/look/animation.h"

#include <QPainter>

namespace quorvale {

DepartingScreen::DepartingScreen(QWidget *screen, const TransitionState &removal, const Curve &curve,
                                 QWidget *parent)
    : QWidget(parent)
    , m_picture(screen->grab())
    , m_removal(removal)
    , m_progress(new Tween(1.0, this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(screen->geometry());
    connect(m_progress, &Tween::valueChanged, this, qOverload<>(&QWidget::update));
    connect(m_progress, &Tween::arrived, this, &QObject::deleteLater);
    m_progress->moveTo(0.0, curve);
    show();
    raise();
}

void DepartingScreen::paintEvent(QPaintEvent *)
{
    const qreal progress = m_progress->value();
    const qreal opacity = m_removal.opacity + (1.0 - m_removal.opacity) * progress;
    if (opacity <= 0.0)
        return;
    const qreal scale = m_removal.scale + (1.0 - m_removal.scale) * progress;
    const QPointF centre = QRectF(rect()).center() + m_removal.offset * (1.0 - progress);
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-QRectF(rect()).center());
    painter.drawPixmap(QRectF(rect()), m_picture, QRectF(m_picture.rect()));
}

} // namespace quorvale
