#include "app/week/timeaxis.h"

#include "app/look/painting.h"
#include "app/week/weekgrid.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/typography.h"

#include "core/model/calendar.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRect>
#include <cmath>

namespace quorvale {

namespace {

// Everything on the axis is centred a little left of its middle.
constexpr qreal centreX = weekgrid::axisWidth / 2.0 - 3.0;
constexpr qreal tagPadding = 4.0;
constexpr int glideMs = 250;

} // namespace

TimeAxis::TimeAxis(QWidget *parent)
    : QWidget(parent)
    , m_tagY(new Tween(0.0, this))
{
    setFixedWidth(int(weekgrid::axisWidth));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_tagY, &Tween::valueChanged, this, [this] { repaintTag(false); });
}

void TimeAxis::setLabels(const QList<int> &minutes)
{
    if (minutes == m_labels)
        return;
    m_labels = minutes;
    update();
}

void TimeAxis::setTag(std::optional<double> minute)
{
    if (minute == m_tagMinute)
        return;
    const QString textBefore = tagText();
    const qreal y = minute ? weekgrid::bodyHeight(*minute) : 0.0;
    // A move of less than a pixel takes effect at once: a glide would only repaint the same pixels.
    const bool glide = m_tagMinute && minute && std::abs(y - m_tagY->target()) >= 1.0;
    m_tagMinute = minute;
    if (glide)
        m_tagY->moveTo(y, Curve{QEasingCurve(QEasingCurve::Linear), glideMs});
    else
        m_tagY->jumpTo(y);
    repaintTag(tagText() != textBefore);
}

void TimeAxis::repaintTag(bool textChanged)
{
    // Only the tag's own pixels, where it was and where it is, are drawn again.
    const QRect area = tagArea();
    if (area == m_paintedTag && !textChanged)
        return;
    update(area.united(m_paintedTag));
    m_paintedTag = area;
}

QRectF TimeAxis::tagRect() const
{
    if (!m_tagMinute)
        return {};
    const QFontMetricsF metrics(tagFont());
    const QSizeF size(metrics.horizontalAdvance(tagText()) + 2 * tagPadding,
                      metrics.height() + 2 * tagPadding);
    // On whole pixels, so that a move of a fraction of a pixel leaves the drawing as it is.
    const qreal top = std::round(weekgrid::headerHeight + m_tagY->value() - size.height() / 2.0);
    return {QPointF(std::round(centreX - size.width() / 2.0), top), size};
}

QRect TimeAxis::tagArea() const
{
    // The tag and the labels it hides or uncovers.
    QRectF area = tagRect();
    if (area.isNull())
        return {};
    for (const int minute : std::as_const(m_labels)) {
        const QRectF label = labelRect(minute);
        if (label.intersects(area))
            area = area.united(label);
    }
    return area.toAlignedRect().adjusted(-1, -1, 1, 1);
}

QRectF TimeAxis::labelRect(int minute) const
{
    const qreal height = QFontMetricsF(labelFont()).height();
    const qreal y = weekgrid::headerHeight + weekgrid::bodyHeight(minute);
    return {0.0, y - height / 2.0, 2.0 * centreX, height};
}

QFont TimeAxis::labelFont()
{
    return painting::monospaced(10, QFont::Medium);
}

QFont TimeAxis::tagFont()
{
    return painting::monospaced(10, QFont::DemiBold);
}

QList<int> TimeAxis::shownLabels() const
{
    // A label the tag would cover is left out rather than peeking out from under it.
    const QRectF tag = tagRect();
    QList<int> shown;
    for (const int minute : std::as_const(m_labels)) {
        if (tag.isNull() || !labelInk(minute).intersects(tag))
            shown.append(minute);
    }
    return shown;
}

QRectF TimeAxis::labelInk(int minute) const
{
    const QRectF box = labelRect(minute);
    const qreal width = QFontMetricsF(labelFont()).horizontalAdvance(Engine::time(minute));
    return {box.center().x() - width / 2.0, box.top(), width, box.height()};
}

void TimeAxis::setShownHeight(qreal height)
{
    setFixedHeight(qRound(weekgrid::headerHeight + height + weekgrid::bottomPadding));
}

QString TimeAxis::tagText() const
{
    return m_tagMinute ? Engine::time(qint64(std::floor(*m_tagMinute))) : QString();
}

void TimeAxis::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = Appearance::secondaryText.resolve(palette());

    painter.setFont(textStyleFont(font(), TextStyle::caption));
    painter.setPen(secondary);
    painter.drawText(QRectF(0.0, 0.0, weekgrid::axisWidth, weekgrid::headerHeight), Qt::AlignCenter,
                     QStringLiteral("时间"));

    painter.setFont(labelFont());
    for (const int minute : shownLabels())
        painter.drawText(labelRect(minute), Qt::AlignCenter, Engine::time(minute));

    if (!m_tagMinute)
        return;
    const QRectF tag = tagRect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::referenceRed());
    painter.drawRoundedRect(tag, 5.0, 5.0);
    painter.setFont(tagFont());
    painter.setPen(Qt::white);
    painter.drawText(tag, Qt::AlignCenter, tagText());
}

} // namespace quorvale
