#include "app/week/daycolumn.h"

#include "app/look/painting.h"
#include "app/week/daylabels.h"
#include "app/week/nowline.h"
#include "app/week/weekcourseblock.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/typography.h"

#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <QSet>
#include <QShowEvent>
#include <algorithm>

namespace quorvale {

namespace {

constexpr qreal headerSpacing = 5.0;
constexpr qreal badgePaddingX = 5.0;
constexpr qreal badgePaddingY = 2.0;
constexpr qreal arrivalDrop = 10.0;
// The most pixels a column keeps a picture of its header and lines for (4 MB at 32 bits a pixel).
constexpr qint64 largestBackdrop = 1000000;

} // namespace

DayColumn::DayColumn(QWidget *parent)
    : QWidget(parent)
    , m_arrival(new Tween(0.0, this))
{
    connect(m_arrival, &Tween::valueChanged, this, &DayColumn::followArrival);
}

void DayColumn::setDay(const DisplayWeekDay &day, const ColumnContext &context, bool referenceDay)
{
    const bool newLayout = day.events != m_day.events || context.visibleEnd != m_context.visibleEnd;
    const bool newLook = day.date != m_day.date || referenceDay != m_referenceDay ||
                         context.isLive != m_context.isLive || context.tints != m_context.tints ||
                         context.timeInRange != m_context.timeInRange ||
                         context.shownHeight != m_context.shownHeight;
    if (!newLayout && !newLook) {
        setNowMinute(context.nowMinute);
        return;
    }
    if (day.date != m_day.date)
        setAccessibleName(columnHeader(day.date));
    m_day = day;
    m_context = context;
    m_referenceDay = referenceDay;
    if (newLayout)
        m_placements = weekgrid::layout(day.events, context.visibleEnd);
    setFixedHeight(qRound(weekgrid::headerHeight + context.shownHeight));
    const bool restack = reconcileBlocks();
    placeBlocks(restack);
    placeNowLine();
    if (restack)
        emit blocksChanged();
    m_backdrop = QImage();
    update();
}

void DayColumn::setNowMinute(double minute)
{
    if (minute == m_context.nowMinute)
        return;
    m_context.nowMinute = minute;
    placeNowLine();
}

void DayColumn::setShownHeight(qreal height)
{
    if (height == m_context.shownHeight)
        return;
    m_context.shownHeight = height;
    setFixedHeight(qRound(weekgrid::headerHeight + height));
    m_backdrop = QImage();
    update();
}

void DayColumn::setArrivalOrder(int order)
{
    m_arrivalOrder = order;
}

qreal DayColumn::appearance() const
{
    return std::clamp(m_arrival->value(), 0.0, 1.0);
}

qreal DayColumn::drop() const
{
    return arrivalDrop * (1.0 - m_arrival->value());
}

void DayColumn::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_arrivalStarted || event->spontaneous())
        return;
    m_arrivalStarted = true;
    m_arrival->moveTo(1.0, springCurve<springs::arrival>(), Arrival::delayMs(m_arrivalOrder));
}

void DayColumn::followArrival()
{
    // The blocks and the now line read the column's appearance when they paint, so the column fades
    // in as one without an effect of its own.
    update();
    emit dropChanged();
}

int DayColumn::lanes() const
{
    return weekgrid::widestCluster(m_placements);
}

QList<WeekCourseBlock *> DayColumn::blocks() const
{
    QList<WeekCourseBlock *> ordered;
    for (const WeekPlacement &placement : m_placements)
        ordered.append(m_blocks.value(placement.id()));
    return ordered;
}

bool DayColumn::reconcileBlocks()
{
    bool changed = false;
    QSet<QString> wanted;
    for (const WeekPlacement &placement : std::as_const(m_placements)) {
        const QString id = placement.id();
        wanted.insert(id);
        WeekCourseBlock *block = m_blocks.value(id);
        if (!block) {
            block = new WeekCourseBlock(this);
            connect(block, &WeekCourseBlock::detailChanged, this, &DayColumn::detailChanged);
            connect(block, &WeekCourseBlock::pressed, this, [this, block] { emit blockPressed(block); });
            m_blocks.insert(id, block);
            changed = true;
        }
        const QRectF box = weekgrid::blockRect(placement, width(), m_context.visibleEnd);
        const SubjectTint tint =
            m_context.tints ? m_context.tints->tint(placement.event.subject) : SubjectTint{};
        block->setContent(placement.event, box.height(), tint, m_referenceDay);
    }
    // A block that leaves the layout takes its open details with it.
    for (auto it = m_blocks.begin(); it != m_blocks.end();) {
        if (wanted.contains(it.key())) {
            ++it;
            continue;
        }
        WeekCourseBlock *gone = it.value();
        it = m_blocks.erase(it);
        gone->hide();
        gone->deleteLater();
        changed = true;
    }
    return changed;
}

void DayColumn::placeBlocks(bool restack)
{
    for (const WeekPlacement &placement : std::as_const(m_placements)) {
        WeekCourseBlock *block = m_blocks.value(placement.id());
        const QRectF box = weekgrid::blockRect(placement, width(), m_context.visibleEnd)
                               .translated(0.0, weekgrid::headerHeight);
        block->setGeometry(QRect(QPoint(qRound(box.left()), qRound(box.top())),
                                 QPoint(qRound(box.right()) - 1, qRound(box.bottom()) - 1)));
        block->show();
        // Stacked in placement order, so a later block lies above an earlier one.
        if (restack)
            block->raise();
    }
    if (restack && m_nowLine)
        m_nowLine->raise();
}

void DayColumn::placeNowLine()
{
    const bool shown = m_referenceDay && m_context.timeInRange;
    if (!shown) {
        delete m_nowLine;
        return;
    }
    if (!m_nowLine) {
        m_nowLine = new NowLine(this);
        m_nowLine->show();
        m_nowLine->raise();
    }
    const qreal y =
        weekgrid::headerHeight + weekgrid::minuteHeight * (m_context.nowMinute - weekgrid::firstMinute);
    m_nowLine->place(y, width(), textSpansAt(y));
}

QList<NowLine::Span> DayColumn::textSpansAt(qreal y) const
{
    // The line leaves a gap wherever it would run through a block's text.
    QList<NowLine::Span> spans;
    for (const WeekCourseBlock *block : m_blocks) {
        const QRect geometry = block->geometry();
        if (y < geometry.top() || y > geometry.bottom() + 1)
            continue;
        for (const QRectF &text : block->textBounds()) {
            const QRectF inColumn = text.translated(geometry.topLeft());
            if (y >= inColumn.top() - 1.0 && y <= inColumn.bottom() + 1.0)
                spans.append({inColumn.left(), inColumn.right()});
        }
    }
    return spans;
}

void DayColumn::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        m_backdrop = QImage();
}

void DayColumn::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeBlocks(false);
    placeNowLine();
}

void DayColumn::paintEvent(QPaintEvent *event)
{
    if (appearance() <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(appearance());
    const QRect area = event->rect();
    // A column of many lanes side by side is too wide to keep a picture of.
    if (qint64(width()) * height() > largestBackdrop) {
        painter.setRenderHint(QPainter::Antialiasing);
        // The now line's moves repaint a band of the body; the header's text is laid out only when
        // the header is drawn again.
        if (area.top() < weekgrid::headerHeight)
            paintHeader(painter);
        paintBody(painter);
        return;
    }
    // The header and the body's lines are drawn once into an image and copied from it: the body's
    // tall translucent fills are ones the raster engine spreads over its threads, and waking them on
    // every paint (a resize of the window, the now line's moves) costs more than the fills.
    const qreal ratio = devicePixelRatioF();
    const QPalette &colours = palette();
    const QList<QRgb> look = {colours.color(QPalette::Window).rgba(),
                              colours.color(QPalette::WindowText).rgba()};
    if (m_backdrop.size() != size() * ratio || m_backdrop.devicePixelRatio() != ratio ||
        look != m_backdropLook) {
        m_backdrop = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        m_backdrop.setDevicePixelRatio(ratio);
        m_backdrop.fill(Qt::transparent);
        m_backdropLook = look;
        QPainter backdrop(&m_backdrop);
        backdrop.setRenderHint(QPainter::Antialiasing);
        paintHeader(backdrop);
        paintBody(backdrop);
    }
    painter.drawImage(area, m_backdrop, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

void DayColumn::paintHeader(QPainter &painter)
{
    const bool dark = Appearance::isDark(palette());
    const QColor accent = Appearance::accentBlue.resolve(dark);
    const QRectF header(0.0, 0.0, width(), weekgrid::headerHeight);
    painter.fillRect(header, m_referenceDay ? painting::withOpacity(accent, 0.055)
                                            : painting::primary(palette(), 0.025));

    const QFont nameFont = textStyleFont(font(), TextStyle::caption, QFont::DemiBold);
    const QFont dateFont = textStyleFont(font(), TextStyle::caption);
    const QFont badgeFont = sizedFont(font(), 9, QFont::DemiBold);
    const QFontMetricsF nameMetrics(nameFont);
    const QFontMetricsF badgeMetrics(badgeFont);
    const QString name = weekday(m_day.date);
    const QString badge = m_context.isLive ? QStringLiteral("今天") : QStringLiteral("选定");

    const qreal nameWidth = nameMetrics.horizontalAdvance(name);
    const QSizeF badgeSize(badgeMetrics.horizontalAdvance(badge) + 2 * badgePaddingX,
                           badgeMetrics.height() + 2 * badgePaddingY);
    const qreal rowWidth = nameWidth + (m_referenceDay ? headerSpacing + badgeSize.width() : 0.0);
    const qreal rowHeight = std::max(nameMetrics.height(), m_referenceDay ? badgeSize.height() : 0.0);
    const qreal dateHeight = QFontMetricsF(dateFont).height();
    const qreal top = (header.height() - rowHeight - headerSpacing - dateHeight) / 2.0;
    qreal x = (header.width() - rowWidth) / 2.0;

    painter.setFont(nameFont);
    painter.setPen(m_referenceDay ? accent : painting::primary(palette()));
    painter.drawText(QRectF(x, top, nameWidth, rowHeight), Qt::AlignCenter, name);
    if (m_referenceDay) {
        x += nameWidth + headerSpacing;
        const QRectF capsule(QPointF(x, top + (rowHeight - badgeSize.height()) / 2.0), badgeSize);
        painter.setPen(Qt::NoPen);
        painter.setBrush(painting::withOpacity(accent, 0.1));
        painter.drawRoundedRect(capsule, capsule.height() / 2.0, capsule.height() / 2.0);
        painter.setFont(badgeFont);
        painter.setPen(accent);
        painter.drawText(capsule, Qt::AlignCenter, badge);
    }

    painter.setFont(dateFont);
    painter.setPen(Appearance::secondaryText.resolve(dark));
    painter.drawText(QRectF(0.0, top + rowHeight + headerSpacing, header.width(), dateHeight),
                     Qt::AlignCenter, columnDate(m_day.date));
}

void DayColumn::paintBody(QPainter &painter)
{
    const QRectF body(0.0, weekgrid::headerHeight, width(), m_context.shownHeight);
    painter.save();
    painter.setClipRect(body);
    if (m_referenceDay)
        painter.fillRect(body, painting::withOpacity(Appearance::accentBlue.resolve(palette()), 0.025));
    for (int minute = weekgrid::firstMinute; minute <= m_context.visibleEnd; minute += 30) {
        const qreal y = body.top() + weekgrid::bodyHeight(minute);
        painter.fillRect(QRectF(0.0, y, body.width(), 1.0),
                         painting::primary(palette(), minute % 60 == 0 ? 0.085 : 0.035));
    }
    painter.restore();
    painter.fillRect(QRectF(body.right() - 1.0, body.top(), 1.0, body.height()),
                     painting::primary(palette(), 0.07));
}

} // namespace quorvale
