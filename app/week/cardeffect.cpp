#include "app/week/cardeffect.h"

#include "app/look/animation.h"

#include <QPainter>
#include <QPainterPath>
#include <vector>

namespace quorvale {

namespace {

constexpr qreal cornerRadius = 20.0;
constexpr int blurRadius = 18;
constexpr qreal shadowDrop = 7.0;
constexpr qreal shadowOpacity = 0.14;
constexpr qreal smallest = 0.97;
// Three box blurs of this half-width come close to a Gaussian of the blur radius.
constexpr int boxRadius = blurRadius / 2;
constexpr int margin = 2 * blurRadius;

void boxBlur(std::vector<int> &alpha, int width, int height, bool horizontal)
{
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    std::vector<int> line(std::size_t(length), 0);
    for (int l = 0; l < lines; ++l) {
        auto at = [&](int i) -> int & {
            return horizontal ? alpha[std::size_t(l * width + i)] : alpha[std::size_t(i * width + l)];
        };
        int sum = 0;
        for (int i = -boxRadius; i <= boxRadius; ++i)
            sum += (i >= 0 && i < length) ? at(i) : 0;
        for (int i = 0; i < length; ++i) {
            line[std::size_t(i)] = sum / (2 * boxRadius + 1);
            const int out = i - boxRadius;
            const int in = i + boxRadius + 1;
            sum += (in < length ? at(in) : 0) - (out >= 0 ? at(out) : 0);
        }
        for (int i = 0; i < length; ++i)
            at(i) = line[std::size_t(i)];
    }
}

} // namespace

CardEffect::CardEffect(QObject *parent)
    : QGraphicsEffect(parent)
    , m_progress(new Tween(0.0, this))
{
    connect(m_progress, &Tween::valueChanged, this, [this] { update(); });
    connect(m_progress, &Tween::arrived, this, &CardEffect::arrived);
}

void CardEffect::setGrowsFromTrailing(bool trailing)
{
    m_trailing = trailing;
}

void CardEffect::run(qreal progress, const Curve &curve)
{
    m_progress->moveTo(progress, curve);
}

qreal CardEffect::progress() const
{
    return m_progress->value();
}

QRectF CardEffect::boundingRectFor(const QRectF &rect) const
{
    return rect.adjusted(-margin, -margin, margin, margin + shadowDrop);
}

const QImage &CardEffect::shadowFor(QSize size)
{
    if (size == m_shadowSize)
        return m_shadow;
    const int width = size.width() + 2 * margin;
    const int height = size.height() + 2 * margin;
    QImage shape(width, height, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(margin, margin, size.width(), size.height()), cornerRadius, cornerRadius);
        painter.fillPath(path, Qt::black);
    }
    std::vector<int> alpha(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            alpha[std::size_t(y * width + x)] = qAlpha(shape.pixel(x, y));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, width, height, true);
        boxBlur(alpha, width, height, false);
    }
    m_shadow = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            m_shadow.setPixel(x, y, qRgba(0, 0, 0, int(alpha[std::size_t(y * width + x)] * shadowOpacity)));
    m_shadowSize = size;
    return m_shadow;
}

void CardEffect::draw(QPainter *painter)
{
    const qreal progress = m_progress->value();
    if (progress <= 0.0)
        return;
    const QRectF bounds = sourceBoundingRect(Qt::LogicalCoordinates);
    const qreal scale = smallest + (1.0 - smallest) * progress;
    const QPointF pivot(m_trailing ? bounds.right() : bounds.left(), bounds.center().y());

    painter->save();
    painter->setOpacity(painter->opacity() * std::min(progress, 1.0));
    QTransform transform;
    transform.translate(pivot.x(), pivot.y());
    transform.scale(scale, scale);
    transform.translate(-pivot.x(), -pivot.y());
    painter->setTransform(transform, true);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(bounds.topLeft() + QPointF(-margin, -margin + shadowDrop),
                       shadowFor(bounds.size().toSize()));
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

} // namespace quorvale
