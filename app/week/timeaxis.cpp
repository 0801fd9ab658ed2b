#include "app/week/timeaxis.h"

#include "app/look/painting.h"
#include "app/week/weekgrid.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/typography.h"

#include "core/model/calendar.h"

#include <QFontMetricsF>
#include <QPainter>
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
    connect(m_tagY, &Tween::valueChanged, this, qOverload<>(&QWidget::update));
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
    const qreal y = minute ? weekgrid::bodyHeight(*minute) : 0.0;
    if (m_tagMinute && minute)
        m_tagY->moveTo(y, Curve{QEasingCurve(QEasingCurve::Linear), glideMs});
    else
        m_tagY->jumpTo(y);
    m_tagMinute = minute;
    update();
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

    const QFont labelFont = painting::monospaced(10, QFont::Medium);
    const qreal labelHeight = QFontMetricsF(labelFont).height();
    painter.setFont(labelFont);
    for (const int minute : std::as_const(m_labels)) {
        const qreal y = weekgrid::headerHeight + weekgrid::bodyHeight(minute);
        painter.drawText(QRectF(0.0, y - labelHeight / 2.0, 2.0 * centreX, labelHeight), Qt::AlignCenter,
                         Engine::time(minute));
    }

    if (!m_tagMinute)
        return;
    const QFont tagFont = painting::monospaced(10, QFont::DemiBold);
    const QFontMetricsF metrics(tagFont);
    const QString text = tagText();
    const QSizeF size(metrics.horizontalAdvance(text) + 2 * tagPadding, metrics.height() + 2 * tagPadding);
    const QRectF tag(
        QPointF(centreX - size.width() / 2.0, weekgrid::headerHeight + m_tagY->value() - size.height() / 2.0),
        size);
    painter.setPen(Qt::NoPen);
    painter.setBrush(painting::referenceRed());
    painter.drawRoundedRect(tag, 5.0, 5.0);
    painter.setFont(tagFont);
    painter.setPen(Qt::white);
    painter.drawText(tag, Qt::AlignCenter, text);
}

} // namespace quorvale
