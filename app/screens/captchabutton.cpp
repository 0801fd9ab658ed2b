#include "app/screens/captchabutton.h"

#include <QPainter>

namespace quorvale {

namespace {

constexpr QSize frame(112, 40);

} // namespace

CaptchaButton::CaptchaButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFixedSize(frame);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("刷新验证码"));
    setAccessibleName(QStringLiteral("刷新验证码"));
}

void CaptchaButton::setImage(const QImage &image)
{
    m_image = image;
    update();
}

QSize CaptchaButton::sizeHint() const
{
    return frame;
}

void CaptchaButton::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Scaled to fit, centred in the frame.
    const QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.drawImage(target, m_image);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
        painter.drawRect(QRectF(target).adjusted(0.75, 0.75, -0.75, -0.75));
    }
}

} // namespace quorvale
