#include "app/week/weekcourseblock.h"

#include "app/look/painting.h"
#include "app/week/coursetext.h"
#include "app/week/daycolumn.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/typography.h"

#include <QAccessibleWidget>
#include <QFontMetricsF>
#include <QHideEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>

namespace quorvale {

namespace {

// The pointer must rest this long before the details open, and be gone this long before they close;
// the longer wait lets it travel between the block and its detail card.
constexpr int openDelayMs = 160;
constexpr int closeDelayMs = 280;

constexpr qreal radius = 6.0;
constexpr qreal padding = 5.0;
constexpr qreal barWidth = 3.0;
constexpr qreal spacing = 5.0;
constexpr qreal lineSpacing = 2.0;

QPainterPath cardShape(const QRectF &bounds)
{
    QPainterPath path;
    path.addRoundedRect(bounds, radius, radius);
    return path;
}

// To assistive technologies the block is one button named by its summary, whose press opens the
// details pinned.
class CourseBlockAccessible : public QAccessibleWidget
{
public:
    explicit CourseBlockAccessible(WeekCourseBlock *block)
        : QAccessibleWidget(block, QAccessible::Button)
    {}

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction())
            static_cast<WeekCourseBlock *>(widget())->performDefaultAction();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface *courseBlockFactory(const QString &className, QObject *object)
{
    auto *block = className == QLatin1String("quorvale::WeekCourseBlock")
                      ? qobject_cast<WeekCourseBlock *>(object)
                      : nullptr;
    return block ? new CourseBlockAccessible(block) : nullptr;
}

} // namespace

WeekCourseBlock::WeekCourseBlock(QWidget *parent)
    : QWidget(parent)
    , m_outline(new Tween(0.0, this))
{
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    static const bool accessible = (QAccessible::installFactory(&courseBlockFactory), true);
    Q_UNUSED(accessible)
    m_hoverTask.setSingleShot(true);
    connect(&m_hoverTask, &QTimer::timeout, this, &WeekCourseBlock::decideHover);
    connect(m_outline, &Tween::valueChanged, this, qOverload<>(&QWidget::update));
}

void WeekCourseBlock::setContent(const WeekEvent &event, qreal height, SubjectTint tint, bool highlighted)
{
    if (event == m_event && height == m_height && tint == m_tint && highlighted == m_highlighted)
        return;
    m_event = event;
    m_height = height;
    m_tint = tint;
    m_highlighted = highlighted;
    m_runs.reset();
    m_frame.invalidate();
    setAccessibleName(cardName(event));
    update();
}

void WeekCourseBlock::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_runs.reset();
        m_frame.invalidate();
    }
}

qreal WeekCourseBlock::outline() const
{
    return m_outline->value();
}

std::optional<CourseDetailAnchor> WeekCourseBlock::anchor(const QWidget *space) const
{
    if (!m_showDetails)
        return std::nullopt;
    const QPointer<WeekCourseBlock> self(const_cast<WeekCourseBlock *>(this));
    const QRectF bounds(mapTo(space, QPoint(0, 0)), size());
    return CourseDetailAnchor{
        m_event.id,
        m_event,
        m_tint,
        bounds,
        m_pinned,
        m_pinned && !m_pinnedByPointer,
        [self](bool hovered) {
            if (self)
                self->setDetailHovered(hovered);
        },
        [self] {
            if (self)
                self->dismiss();
        },
    };
}

void WeekCourseBlock::setDetailHovered(bool hovered)
{
    m_detailHovered = hovered;
    scheduleHover();
}

void WeekCourseBlock::dismiss()
{
    m_hoverTask.stop();
    m_detailHovered = false;
    setPinned(false);
    setShowDetails(false, true);
}

void WeekCourseBlock::pin()
{
    emit pressed();
    m_hoverTask.stop();
    m_pinnedByPointer = true;
    setPinned(true);
    setShowDetails(true, true);
}

void WeekCourseBlock::performDefaultAction()
{
    emit pressed();
    m_pinnedByPointer = false;
    setPinned(true);
    setShowDetails(true, false);
}

void WeekCourseBlock::scheduleHover()
{
    // Only the delay depends on the wish now; the decision reads the state when the time is up.
    m_hoverTask.start(m_cardHovered || m_detailHovered ? openDelayMs : closeDelayMs);
}

void WeekCourseBlock::decideHover()
{
    if (m_cardHovered || m_detailHovered)
        setShowDetails(true, true);
    else if (!m_pinned)
        setShowDetails(false, true);
}

void WeekCourseBlock::setShowDetails(bool show, bool animated)
{
    if (show == m_showDetails)
        return;
    m_showDetails = show;
    if (!show) {
        m_pinned = false;
        m_detailHovered = false;
    }
    if (animated)
        m_outline->moveTo(show ? 1.0 : 0.0, springCurve<springs::standard>());
    else
        m_outline->jumpTo(show ? 1.0 : 0.0);
    emit detailChanged();
}

void WeekCourseBlock::setPinned(bool pinned)
{
    if (pinned == m_pinned)
        return;
    m_pinned = pinned;
    if (m_showDetails)
        emit detailChanged();
}

void WeekCourseBlock::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    m_cardHovered = true;
    scheduleHover();
}

void WeekCourseBlock::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    m_cardHovered = false;
    scheduleHover();
}

void WeekCourseBlock::mousePressEvent(QMouseEvent *event)
{
    event->setAccepted(event->button() == Qt::LeftButton);
}

void WeekCourseBlock::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !cardShape(rect()).contains(event->position())) {
        event->ignore();
        return;
    }
    pin();
}

void WeekCourseBlock::keyPressEvent(QKeyEvent *event)
{
    // The default action opens the details pinned, at once.
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_hoverTask.stop();
        performDefaultAction();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_showDetails) {
        dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

void WeekCourseBlock::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    m_hoverTask.stop();
    setShowDetails(false, false);
}

void WeekCourseBlock::paintEvent(QPaintEvent *)
{
    const bool dark = Appearance::isDark(palette());
    const QColor tint = m_tint.resolve(dark);
    const QRectF bounds = rect();
    const QPainterPath shape = cardShape(bounds);
    const auto *column = qobject_cast<const DayColumn *>(parentWidget());
    const qreal opacity = column ? column->appearance() : 1.0;
    const QColor background = painting::controlBackground(palette());
    const QColor wash = painting::withOpacity(tint, m_highlighted ? 0.13 : 0.055);
    const QColor edge = painting::withOpacity(tint, m_highlighted ? 0.25 : 0.14);
    // Faded, every layer shows what lies under it; and the outline is stroked over text that reaches it.
    const auto card = [&](QPainter &painter, const QList<QRectF> &corners) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setClipPath(shape, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
        painter.fillPath(shape, background);
        painter.fillPath(shape, wash);
        paintText(painter, corners);
        painter.strokePath(shape, QPen(edge, 0.7));
    };

    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    const QList<QRgba64> look{background.rgba64(), wash.rgba64(), edge.rgba64(),
                              painting::primary(palette()).rgba64(),
                              Appearance::secondaryText.resolve(dark).rgba64()};
    if (opacity != 1.0 || !m_frame.paint(painter, size(), radius, look, card)) {
        painter.save();
        card(painter, {});
        painter.restore();
    }
    const QColor accent = Appearance::accentBlue.resolve(dark);
    if (outline() > 0.0)
        painter.strokePath(shape, QPen(painting::withOpacity(accent, 0.55 * outline()), 1.3));
    // Keyboard focus shows as a full ring just inside the edge.
    if (hasFocus())
        painter.strokePath(cardShape(bounds.adjusted(1.0, 1.0, -1.0, -1.0)), QPen(accent, 2.0));
}

bool WeekCourseBlock::TextRun::reaches(const QList<QRectF> &boxes) const
{
    // Room for glyphs reaching past their line and for their antialiased edges.
    constexpr qreal overhang = 2.0;
    const QRectF reach = box.adjusted(-overhang, -overhang, overhang, overhang);
    return std::any_of(boxes.cbegin(), boxes.cend(),
                       [&](const QRectF &corner) { return reach.intersects(corner); });
}

const QList<WeekCourseBlock::TextRun> &WeekCourseBlock::textRuns() const
{
    if (!m_runs || m_runsSize != size()) {
        m_runs = layOutText();
        m_runsSize = size();
    }
    return *m_runs;
}

QList<WeekCourseBlock::TextRun> WeekCourseBlock::layOutText() const
{
    const QRectF box = QRectF(rect()).adjusted(padding, padding, -padding, -padding);
    const qreal textLeft = box.left() + barWidth + spacing;
    const qreal width = std::max(0.0, box.right() - textLeft);

    const QFont subjectFont = sizedFont(font(), m_height < 45 ? 11 : 12, QFont::DemiBold);
    const QStringList subject =
        painting::wrappedLines(m_event.subject, subjectFont, width, m_height >= 58 ? 2 : 1);
    const QFont periodFont = sizedFont(font(), 9, QFont::Medium);
    const QFont roomFont = sizedFont(font(), 9);
    const std::optional<QString> label = m_height >= 75 ? classLabel(m_event) : std::nullopt;
    const QFont classFont = sizedFont(font(), 10);

    const qreal subjectLine = QFontMetricsF(subjectFont).height();
    const qreal rowLine = QFontMetricsF(periodFont).height();
    const qreal classLine = QFontMetricsF(classFont).height();
    qreal stack = subject.size() * subjectLine + lineSpacing + rowLine;
    if (label)
        stack += lineSpacing + classLine;
    qreal y = box.top() + (box.height() - stack) / 2.0;

    QList<TextRun> runs;
    runs.append({TextRun::Kind::bar, {}, QRectF(box.left(), y, barWidth, stack)});
    for (const QString &line : subject) {
        runs.append({TextRun::Kind::subject, {line, subjectFont}, QRectF(textLeft, y, width, subjectLine)});
        y += subjectLine;
    }
    y += lineSpacing;

    const QString period = QFontMetricsF(periodFont).elidedText(m_event.period, Qt::ElideRight, width);
    runs.append({TextRun::Kind::row, {period, periodFont}, QRectF(textLeft, y, width, rowLine)});
    if (m_event.room && !m_event.room->isEmpty()) {
        const qreal roomLeft = textLeft + QFontMetricsF(periodFont).horizontalAdvance(period) + 4.0;
        const qreal roomWidth = std::max(0.0, box.right() - roomLeft);
        runs.append({TextRun::Kind::row,
                     {QFontMetricsF(roomFont).elidedText(*m_event.room, Qt::ElideRight, roomWidth), roomFont},
                     QRectF(roomLeft, y, roomWidth, rowLine)});
    }
    y += rowLine;

    if (label) {
        y += lineSpacing;
        runs.append({TextRun::Kind::classLabel,
                     {QFontMetricsF(classFont).elidedText(*label, Qt::ElideRight, width), classFont},
                     QRectF(textLeft, y, width, classLine)});
    }
    return runs;
}

QList<QRectF> WeekCourseBlock::textBounds() const
{
    QList<QRectF> bounds;
    const QRectF inside = rect();
    for (const TextRun &run : textRuns()) {
        if (run.kind == TextRun::Kind::bar || run.text.text().isEmpty())
            continue;
        const QRectF drawn =
            QRectF(run.box.topLeft(), QSizeF(std::min(run.text.width(), run.box.width()), run.box.height()));
        if (drawn.intersects(inside))
            bounds.append(drawn.intersected(inside));
    }
    return bounds;
}

void WeekCourseBlock::paintText(QPainter &painter, const QList<QRectF> &corners)
{
    const bool dark = Appearance::isDark(palette());
    const QColor tint = m_tint.resolve(dark);
    for (const TextRun &run : textRuns()) {
        // Where only the corners are painted, a run clear of them would draw nothing.
        if (!corners.isEmpty() && !run.reaches(corners))
            continue;
        switch (run.kind) {
        case TextRun::Kind::bar:
            painter.setPen(Qt::NoPen);
            painter.setBrush(painting::withOpacity(tint, m_highlighted ? 0.9 : 0.55));
            painter.drawRoundedRect(run.box, 2.0, 2.0);
            continue;
        case TextRun::Kind::subject:
            painter.setPen(painting::primary(palette()));
            break;
        case TextRun::Kind::row:
            painter.setPen(painting::primary(palette(), 0.8));
            break;
        case TextRun::Kind::classLabel:
            painter.setPen(Appearance::secondaryText.resolve(dark));
            break;
        }
        run.text.draw(painter, run.box);
    }
}

} // namespace quorvale
