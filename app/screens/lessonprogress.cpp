#include "app/screens/lessonprogress.h"

#include "app/look/animation.h"
#include "app/look/painting.h"

#include <QPainter>
#include <cmath>

namespace quorvale {

namespace {

constexpr int largestWidth = 330;
constexpr int barHeight = 3;

} // namespace

LessonProgress::LessonProgress(AdaptiveColor tint, QWidget *parent)
    : QWidget(parent)
    , m_tint(tint)
    , m_shown(new Tween(0.0, this))
{
    setMaximumWidth(largestWidth);
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("本节课进度"));
    // Repainted only when the filled part covers another whole pixel.
    connect(m_shown, &Tween::valueChanged, this, [this] {
        if (const int filled = filledWidth(); filled != m_painted) {
            m_painted = filled;
            update();
        }
    });
}

void LessonProgress::setFraction(double fraction)
{
    if (fraction == m_fraction)
        return;
    // The first value is shown as it is; later ones move there, unless the bar would move by less
    // than a pixel, which is taken without a sound or a frame.
    const bool first = m_fraction < 0.0;
    const bool slight = std::abs(fraction - m_shown->value()) * width() < 1.0;
    if (first || slight)
        m_shown->jumpTo(fraction);
    else
        m_shown->moveTo(fraction, springCurve<springs::standard>());
    m_fraction = fraction;
    setAccessibleDescription(QStringLiteral("%1%").arg(int(fraction * 100.0)));
}

void LessonProgress::setTint(AdaptiveColor tint)
{
    m_tint = tint;
    update();
}

int LessonProgress::filledWidth() const
{
    return qRound(width() * std::clamp(m_shown->value(), 0.0, 1.0));
}

QSize LessonProgress::sizeHint() const
{
    return {largestWidth, barHeight};
}

void LessonProgress::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor colour = m_tint.resolve(palette());
    const QRectF track = rect();
    const qreal radius = track.height() / 2.0;
    painter.setBrush(painting::withOpacity(colour, 0.12));
    painter.drawRoundedRect(track, radius, radius);
    m_painted = filledWidth();
    const qreal width = m_painted;
    if (width <= 0.0)
        return;
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(width, track.height())), radius, radius);
}

} // namespace quorvale
