#include "app/week/timeaxis.h"

#include "app/look/painting.h"
#include "app/week/weekgrid.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/typography.h"

#include "core/model/calendar.h"

#include <QFontMetricsF>
#include <QPaintEvent>
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
    , m_labelFont(painting::monospaced(10, QFont::Medium))
    , m_tagFont(painting::monospaced(10, QFont::DemiBold))
    , m_labelHeight(QFontMetricsF(m_labelFont).height())
    , m_tagY(new Tween(0.0, this))
{
    setFixedWidth(int(weekgrid::axisWidth));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // The glide wakes only where the tag's drawn top moves to another pixel.
    m_tagY->setShownAs([this](qreal y) { return int(tagTop(y)); });
    connect(m_tagY, &Tween::valueChanged, this, [this] { repaintTag(false); });
}

void TimeAxis::setLabels(const QList<int> &minutes)
{
    if (minutes == m_labels)
        return;
    m_labels = minutes;
    m_labelTexts.clear();
    for (const int minute : minutes)
        m_labelTexts.append(PreparedText(Engine::time(minute), m_labelFont));
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
    const QString text = tagText();
    if (text != textBefore) {
        m_tagText = PreparedText(text, m_tagFont);
        m_tagSize =
            QSizeF(m_tagText.width() + 2 * tagPadding, QFontMetricsF(m_tagFont).height() + 2 * tagPadding);
    }
    if (glide)
        m_tagY->moveTo(y, Curve{QEasingCurve(QEasingCurve::Linear), glideMs});
    else
        m_tagY->jumpTo(y);
    repaintTag(text != textBefore);
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
    const QSizeF size = m_tagSize;
    return {QPointF(std::round(centreX - size.width() / 2.0), tagTop(m_tagY->value())), size};
}

qreal TimeAxis::tagTop(qreal y) const
{
    // On whole pixels, so that a move of a fraction of a pixel leaves the drawing as it is.
    return std::round(weekgrid::headerHeight + y - m_tagSize.height() / 2.0);
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
    const qreal y = weekgrid::headerHeight + weekgrid::bodyHeight(minute);
    return {0.0, y - m_labelHeight / 2.0, 2.0 * centreX, m_labelHeight};
}

QList<int> TimeAxis::shownLabels() const
{
    // A label the tag would cover is left out rather than peeking out from under it.
    const QRectF tag = tagRect();
    QList<int> shown;
    for (qsizetype index = 0; index < m_labels.size(); ++index) {
        if (!coveredByTag(index, tag))
            shown.append(m_labels.at(index));
    }
    return shown;
}

bool TimeAxis::coveredByTag(qsizetype index, const QRectF &tag) const
{
    return !tag.isNull() && labelInk(index).intersects(tag);
}

QRectF TimeAxis::labelInk(qsizetype index) const
{
    const QRectF box = labelRect(m_labels.at(index));
    const qreal width = m_labelTexts.at(index).width();
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

void TimeAxis::paintEvent(QPaintEvent *event)
{
    // The tag's moves repaint a small band; only what lies in it is drawn.
    const QRectF exposed = event->rect();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = Appearance::secondaryText.resolve(palette());

    painter.setPen(secondary);
    if (const QRectF heading(0.0, 0.0, weekgrid::axisWidth, weekgrid::headerHeight);
        heading.intersects(exposed)) {
        painter.setFont(textStyleFont(font(), TextStyle::caption));
        painter.drawText(heading, Qt::AlignCenter, QStringLiteral("时间"));
    }

    const QRectF tag = tagRect();
    for (qsizetype index = 0; index < m_labels.size(); ++index) {
        const QRectF label = labelRect(m_labels.at(index));
        if (label.intersects(exposed) && !coveredByTag(index, tag))
            m_labelTexts.at(index).draw(painter, label, Qt::AlignHCenter);
    }

    if (!m_tagMinute || !tag.intersects(exposed))
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::referenceRed());
    painter.drawRoundedRect(tag, 5.0, 5.0);
    painter.setPen(Qt::white);
    m_tagText.draw(painter, tag, Qt::AlignHCenter);
}

} // namespace quorvale
