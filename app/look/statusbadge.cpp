#include "app/look/statusbadge.h"

#include "app/look/typography.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace quorvale {

namespace {

constexpr int horizontalPadding = 12;
constexpr int verticalPadding = 7;
constexpr int iconSpacing = 4;
constexpr qreal tintOpacity = 0.1;

} // namespace

StatusBadge::StatusBadge(const QString &title, CourseState state, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_state(state)
{
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setAccessibleName(title);
}

void StatusBadge::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    setAccessibleName(title);
    updateGeometry();
    update();
}

void StatusBadge::setState(CourseState state)
{
    if (state == m_state)
        return;
    m_state = state;
    update();
}

QColor StatusBadge::tint() const
{
    return color(m_state).resolve(this);
}

QFont StatusBadge::badgeFont() const
{
    return textStyleFont(font(), TextStyle::caption, QFont::DemiBold);
}

int StatusBadge::iconSide() const
{
    return qRound(QFontMetrics(badgeFont()).height() * 0.85);
}

QSize StatusBadge::minimumSizeHint() const
{
    const int lineHeight = std::max(QFontMetrics(badgeFont()).height(), iconSide());
    return {2 * horizontalPadding + iconSide(), 2 * verticalPadding + lineHeight};
}

QSize StatusBadge::sizeHint() const
{
    QSize size = minimumSizeHint();
    // The integer advance rounds the title's true width down at times, and eliding measures the true
    // width: rounding that up keeps the whole title at the hinted width.
    if (!m_title.isEmpty())
        size.rwidth() += iconSpacing + qCeil(QFontMetricsF(badgeFont()).horizontalAdvance(m_title));
    return size;
}

void StatusBadge::paintEvent(QPaintEvent *)
{
    // Resolved here, not stored, so a change to a dark or light palette shows on the next paint.
    const QColor colour = tint();
    QColor fill = colour;
    fill.setAlphaF(float(tintOpacity));

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const qreal radius = bounds.height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, radius, radius);

    const int side = iconSide();
    const QRectF icon(horizontalPadding, (height() - side) / 2.0, side, side);
    painter.setBrush(colour);
    painter.drawPath(glyphPath(glyph(m_state), icon));

    if (m_title.isEmpty())
        return;
    const QFont font = badgeFont();
    const QRect text(horizontalPadding + side + iconSpacing, 0,
                     width() - 2 * horizontalPadding - side - iconSpacing, height());
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QFontMetrics(font).elidedText(m_title, Qt::ElideRight, text.width()));
}

} // namespace quorvale
