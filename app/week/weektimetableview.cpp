#include "app/week/weektimetableview.h"

#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/week/coursedetailanchor.h"
#include "app/week/dayarea.h"
#include "app/week/daylabels.h"
#include "app/week/deferredsection.h"
#include "app/week/detailoverlay.h"
#include "app/week/timeaxis.h"
#include "app/week/weekcourseblock.h"
#include "app/week/weekgrid.h"

#include "app/look/animation.h"
#include "app/look/typography.h"

#include "core/model/calendar.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QVBoxLayout>
#include <cmath>

namespace quorvale {

namespace {

constexpr int cardPadding = 18;
constexpr int rowSpacing = 16;
constexpr int noteDayWidth = 74;

} // namespace

WeekTimetableView::WeekTimetableView(QWidget *parent)
    : QWidget(parent)
{
    build();
    refresh();
}

WeekTimetableView::WeekTimetableView(const WeeklySchedule &schedule, const QDateTime &referenceDate,
                                     bool isLive, QWidget *parent)
    : QWidget(parent)
    , m_model(schedule, referenceDate, false)
    , m_isLive(isLive)
    , m_tints(std::make_shared<const SubjectTints>(schedule))
{
    build();
    refresh();
}

WeekTimetableView::~WeekTimetableView()
{
    // Blocks close their details as they are hidden on the way out; nothing is left to redraw.
    m_area->disconnect(this);
}

void WeekTimetableView::build()
{
    const QFont caption = textStyleFont(font(), TextStyle::caption);

    auto *title = new TintedLabel(QStringLiteral("本周课表"), painting::headline(font()));
    m_range = new TintedLabel(QString(), caption);
    m_range->setTint(Appearance::secondaryText);
    auto *header = new QHBoxLayout;
    header->addWidget(title, 0, Qt::AlignVCenter);
    header->addStretch(1);
    header->addWidget(m_range, 0, Qt::AlignVCenter);

    m_axis = new TimeAxis;
    m_area = new DayArea;
    auto *grid = new QHBoxLayout;
    grid->setSpacing(0);
    grid->addWidget(m_axis, 0, Qt::AlignTop);
    grid->addWidget(m_area, 1, Qt::AlignTop);

    m_tagRow = new QWidget;
    m_tag = new GlyphText(glyphPath(Glyph::clock, QRectF(0.0, 0.0, 16.0, 16.0)), Appearance::secondaryText,
                          textStyleFont(font(), TextStyle::caption, QFont::Medium), m_tagRow);
    m_tag->setCapsule(std::nullopt, 0.04, QSizeF(10.0, 6.0));
    m_toggle = new GlyphButton(Appearance::accentBlue, caption, m_tagRow);
    connect(m_toggle, &QAbstractButton::clicked, this, [this] { setShowFullDay(!showsFullDay()); });
    auto *tagRow = new QHBoxLayout(m_tagRow);
    tagRow->setContentsMargins(0, 0, 0, 0);
    tagRow->addWidget(m_tag, 0, Qt::AlignVCenter);
    tagRow->addStretch(1);
    tagRow->addWidget(m_toggle, 0, Qt::AlignVCenter);

    m_notes = new QWidget;
    auto *notes = new QVBoxLayout(m_notes);
    notes->setContentsMargins(0, 0, 0, 0);
    notes->setSpacing(rowSpacing);

    m_deferred = new DeferredSection;

    auto *card = new QVBoxLayout(this);
    card->setContentsMargins(cardPadding, cardPadding, cardPadding, cardPadding);
    card->setSpacing(rowSpacing);
    card->addLayout(header);
    card->addLayout(grid);
    card->addWidget(m_tagRow);
    card->addWidget(m_notes);
    card->addWidget(m_deferred);

    m_shownRange = new Tween(weekgrid::bodyHeight(m_model.visibleEnd()), this);
    connect(m_shownRange, &Tween::valueChanged, this, &WeekTimetableView::followHeight);
    followHeight(m_shownRange->value());

    m_overlay = new DetailOverlay(this);
    connect(m_area, &DayArea::detailChanged, this, &WeekTimetableView::refreshDetail);
    connect(m_area, &DayArea::blockPressed, this, &WeekTimetableView::closeOtherDetails);
    connect(m_area, &DayArea::columnsMoved, this, &WeekTimetableView::refreshDetail);
    connect(m_area, &DayArea::blocksChanged, this, &WeekTimetableView::orderFocus);
}

void WeekTimetableView::setWeek(const WeeklySchedule &schedule, const QDateTime &referenceDate, bool isLive)
{
    const WeekModel before = m_model;
    const bool sameWeek = schedule == before.schedule() && isLive == m_isLive;
    m_model = schedule == before.schedule() ? before.at(referenceDate)
                                            : WeekModel(schedule, referenceDate, m_model.showFullDay());
    m_isLive = isLive;
    if (!sameWeek)
        m_tints = std::make_shared<const SubjectTints>(schedule);
    // On the clock's tick only the time of day moves: the now line, the tags and the detail card's
    // running label follow, and nothing is laid out again.
    if (sameWeek && m_model.sameDayAndRange(before))
        refreshMoment();
    else
        refresh();
}

void WeekTimetableView::setSchedule(const WeeklySchedule &schedule)
{
    setWeek(schedule, m_model.referenceDate(), m_isLive);
}

void WeekTimetableView::setReferenceDate(const QDateTime &referenceDate)
{
    setWeek(m_model.schedule(), referenceDate, m_isLive);
}

void WeekTimetableView::setLive(bool isLive)
{
    setWeek(m_model.schedule(), m_model.referenceDate(), isLive);
}

void WeekTimetableView::setShowFullDay(bool full)
{
    if (full == m_model.showFullDay())
        return;
    m_model = WeekModel(m_model.schedule(), m_model.referenceDate(), full);
    refresh();
}

bool WeekTimetableView::showsDeferred() const
{
    return m_deferred->expanded();
}

void WeekTimetableView::setShowDeferred(bool shown)
{
    m_deferred->setExpanded(shown);
}

QList<QPair<QString, QString>> WeekTimetableView::noteLines() const
{
    return m_noteLines;
}

void WeekTimetableView::refresh()
{
    const int visibleEnd = m_model.visibleEnd();
    const bool timeInRange = m_model.timeInRange();
    const double now = m_model.nowMinute();
    m_range->setText(m_model.weekRange());

    // The grid grows and shrinks with one spring; axis, columns and card follow its height.
    const qreal range = weekgrid::bodyHeight(visibleEnd);
    if (range != m_shownRange->target())
        m_shownRange->moveTo(range, springCurve<springs::standard>());

    m_axis->setLabels(m_model.labelledMinutes());
    m_axis->setTag(timeInRange ? std::optional<double>(now) : std::nullopt);
    const ColumnContext context{visibleEnd, m_shownRange->value(), m_isLive, timeInRange, now, m_tints};
    m_area->setDays(m_model.visibleDays(), context, m_model);

    const bool collapsible = m_model.compactEnd() < weekgrid::fullDayEnd;
    const bool outside = m_model.outsideTimeRange();
    m_tagRow->setVisible(collapsible || outside);
    m_tag->setVisible(outside);
    refreshTagText();
    m_toggle->setVisible(collapsible);
    if (m_model.showFullDay())
        m_toggle->setLabel(glyphPath(Glyph::arrowUpAndDown), QStringLiteral("收起空白时段"));
    else
        m_toggle->setLabel(glyphPath(Glyph::arrowDownToLine), QStringLiteral("展开至 21:30"));

    refreshNotes();

    const QList<WeekEvent> deferred = m_model.deferred();
    m_deferred->setVisible(!deferred.isEmpty());
    m_deferred->setContent(deferred, m_model.days(), m_model.referenceDate());

    refreshDetail();
}

void WeekTimetableView::refreshMoment()
{
    const double now = m_model.nowMinute();
    if (m_model.timeInRange()) {
        m_axis->setTag(now);
        for (DayColumn *column : m_area->columns()) {
            if (column->isReferenceDay())
                column->setNowMinute(now);
        }
    }
    refreshTagText();
    m_overlay->setReferenceDate(m_model.referenceDate());
}

void WeekTimetableView::refreshTagText()
{
    m_tag->setText((m_isLive ? QStringLiteral("现在 ") : QStringLiteral("选定 ")) +
                   Engine::time(qint64(std::floor(m_model.nowMinute()))));
}

void WeekTimetableView::orderFocus()
{
    // Tab walks the lessons column by column, top to bottom, before the controls under the grid. The
    // blocks are made after those controls, so they are moved to just behind the time axis, which
    // comes before the controls; the axis itself never takes focus. (Moving a control behind the
    // blocks instead does not work for a control that has children of its own.)
    QWidget *previous = m_axis;
    m_axis->setFocusPolicy(Qt::TabFocus);
    for (const DayColumn *column : m_area->columns()) {
        for (WeekCourseBlock *block : column->blocks()) {
            setTabOrder(previous, block);
            previous = block;
        }
    }
    m_axis->setFocusPolicy(Qt::NoFocus);
}

void WeekTimetableView::refreshNotes()
{
    QList<QPair<QString, QString>> lines;
    for (const DisplayWeekDay &day : m_model.days()) {
        if (day.note && !day.note->isEmpty())
            lines.append({shortDay(day.date), *day.note});
    }
    if (lines == m_noteLines && !m_notes->findChildren<QWidget *>().isEmpty() == !lines.isEmpty())
        return;
    m_noteLines = lines;
    qDeleteAll(m_notes->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly));
    const QFont medium = textStyleFont(font(), TextStyle::caption, QFont::Medium);
    const QFont caption = textStyleFont(font(), TextStyle::caption);
    for (const auto &[dayText, noteText] : std::as_const(lines)) {
        auto *line = new QWidget(m_notes);
        auto *day = new TintedLabel(dayText, medium);
        day->setTint(Appearance::warningAmber);
        day->setFixedWidth(noteDayWidth);
        auto *note = new TintedLabel(noteText, caption);
        note->setTint(Appearance::warningAmber);
        note->setWordWrap(true);
        auto *layout = new QHBoxLayout(line);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(12);
        layout->addWidget(day, 0, Qt::AlignTop);
        layout->addWidget(note, 1, Qt::AlignTop);
        m_notes->layout()->addWidget(line);
    }
    m_notes->setVisible(!lines.isEmpty());
}

void WeekTimetableView::followHeight(qreal range)
{
    m_axis->setShownHeight(range);
    m_area->setFixedHeight(qRound(weekgrid::headerHeight + range + weekgrid::bottomPadding));
    m_area->setShownHeight(range);
}

void WeekTimetableView::refreshDetail()
{
    if (!m_overlay)
        return;
    // Only the last open block in view order gets the card.
    std::optional<CourseDetailAnchor> last;
    for (const DayColumn *column : m_area->columns()) {
        for (const WeekCourseBlock *block : column->blocks()) {
            if (auto anchor = block->anchor(this))
                last = std::move(anchor);
        }
    }
    m_overlay->show(last, m_model.referenceDate());
}

void WeekTimetableView::closeOtherDetails(const WeekCourseBlock *pressed)
{
    // A pressed block's detail takes the place of the one open, as a click does once the tap layer
    // has closed that one: the card shows the pressed course, and no other detail stays open behind
    // it to come back when it closes.
    for (const DayColumn *column : m_area->columns()) {
        for (WeekCourseBlock *block : column->blocks()) {
            if (block != pressed && block->showsDetails())
                block->dismiss();
        }
    }
}

void WeekTimetableView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    refreshDetail();
}

void WeekTimetableView::paintEvent(QPaintEvent *event)
{
    painting::paintCard(this, event->rect(), 0.07);
}

} // namespace quorvale
