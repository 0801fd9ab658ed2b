#include "app/screens/departingscreen.h"

#include "app/look/animation.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace quorvale {

namespace {

// Rows of the plain colour kept around the busy part: the smooth scaling reads a source pixel's
// neighbours, so the edges of the kept rows look exactly as they would within the whole picture.
constexpr int plainMargin = 8;
// The tile of the plain colour; a single pixel would be scaled by another path, a shade apart.
constexpr int plainTile = 16;

// The rows of `image` that hold anything but the colour of its corner, with a margin of that colour
// and the image's full width (so each row is drawn in one piece, exactly as within the whole
// picture); all rows when most of them are busy, none when the image is all one colour.
QRect busyRows(const QImage &image)
{
    const QRgb plain = image.pixel(0, 0);
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        if (std::any_of(row, row + image.width(), [plain](QRgb pixel) { return pixel != plain; })) {
            top = std::min(top, y);
            bottom = y;
        }
    }
    if (bottom < 0)
        return {};
    const QRect busy = QRect(0, top - plainMargin, image.width(), bottom - top + 1 + 2 * plainMargin)
                           .intersected(image.rect());
    return 2 * busy.height() > image.height() ? image.rect() : busy;
}

// The rows of whole pixels that lie at least one pixel inside `area`, across `width`: drawn from the
// kept rows, and by nothing else.
QRect rowsInside(const QRectF &area, int width)
{
    const int top = int(std::ceil(area.top())) + 1;
    const int bottom = int(std::floor(area.bottom())) - 2;
    return QRect(0, top, width, bottom - top + 1);
}

} // namespace

DepartingScreen::DepartingScreen(QWidget *screen, const TransitionState &removal, const Curve &curve,
                                 QWidget *parent)
    : QWidget(parent)
    , m_removal(removal)
    , m_progress(new Tween(1.0, this))
{
    const QImage whole = screen->grab().toImage();
    m_pictured = whole.depth() == 32 && whole.devicePixelRatio() == 1.0 ? busyRows(whole) : whole.rect();
    if (m_pictured == whole.rect()) {
        m_picture = QPixmap::fromImage(whole);
    } else {
        // An empty rectangle would copy the whole image.
        if (!m_pictured.isEmpty())
            m_picture = QPixmap::fromImage(whole.copy(m_pictured));
        m_plain = QPixmap::fromImage(whole.copy(QRect(0, 0, plainTile, plainTile).intersected(whole.rect())));
    }
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
    QTransform transform;
    transform.translate(centre.x(), centre.y());
    transform.scale(scale, scale);
    transform.translate(-QRectF(rect()).center().x(), -QRectF(rect()).center().y());
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_plain.isNull()) {
        painter.setTransform(transform);
        painter.drawPixmap(QRectF(rect()), m_picture, QRectF(m_picture.rect()));
        return;
    }
    // Every pixel is drawn once: from the kept part well inside it, from the plain tile elsewhere.
    const QRect kept =
        m_pictured.isEmpty() ? QRect() : rowsInside(transform.mapRect(QRectF(m_pictured)), width());
    painter.setClipRegion(QRegion(rect()).subtracted(kept));
    painter.setTransform(transform);
    painter.drawPixmap(QRectF(rect()), m_plain, QRectF(m_plain.rect()));
    if (kept.isEmpty())
        return;
    painter.resetTransform();
    painter.setClipRect(kept);
    painter.setTransform(transform);
    painter.drawPixmap(QRectF(m_pictured), m_picture, QRectF(m_picture.rect()));
}

} // namespace quorvale
