#include "app/week/coursedetailpopover.h"

#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/tintedlabel.h"
#include "app/week/coursetext.h"
#include "app/week/daylabels.h"

#include "app/look/typography.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int padding = 22;
constexpr int rowHeight = 24;

QPainterPath lookGlyph(Glyph glyph)
{
    return glyphPath(glyph, QRectF(0.0, 0.0, 16.0, 16.0));
}

} // namespace

// The course's subject colour as a small round dot.
class TintDot : public QWidget
{
public:
    explicit TintDot(QWidget *parent)
        : QWidget(parent)
    {
        setFixedSize(7, 7);
    }

    void setTint(SubjectTint tint)
    {
        m_tint = tint;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_tint.resolve(painting::darkAround(this)));
        painter.drawEllipse(QRectF(rect()));
    }

private:
    SubjectTint m_tint;
};

CourseDetailPopover::CourseDetailPopover(QWidget *parent)
    : QWidget(parent)
    , m_dot(new TintDot(this))
    , m_period(new GlyphText({}, Appearance::accentBlue,
                             textStyleFont(font(), TextStyle::caption, QFont::Bold), this))
    , m_running(new GlyphText(glyphPath(Glyph::dot), Appearance::currentGreen,
                              textStyleFont(font(), TextStyle::caption, QFont::Medium), this))
    , m_close(new CloseButton(this))
    , m_title(new TintedLabel(QString(), sizedFont(font(), 22, QFont::DemiBold), this))
    , m_date(new TintedLabel(QString(), sizedFont(font(), 14)))
    , m_clock(new TintedLabel(QString(), sizedFont(font(), 14)))
    , m_room(new TintedLabel(QString(), sizedFont(font(), 14)))
    , m_class(new TintedLabel(QString(), sizedFont(font(), 14)))
    , m_classRow(nullptr)
{
    // Screen readers read the card's parts in the order they were made: the header, the title, then
    // the rows as they are made below.
    m_period->setCapsule(Appearance::accentBlue, 0.075, QSizeF(10.0, 5.0));
    m_running->setText(QStringLiteral("正在上课"));
    connect(m_close, &CloseButton::clicked, this, [this] {
        if (m_dismiss)
            m_dismiss();
    });

    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(m_dot, 0, Qt::AlignVCenter);
    header->addWidget(m_period, 0, Qt::AlignVCenter);
    header->addStretch(1);
    header->addWidget(m_running, 0, Qt::AlignVCenter);
    header->addWidget(m_close, 0, Qt::AlignVCenter);

    m_title->setWordWrap(true);
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_room->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_class->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *details = new QVBoxLayout;
    details->setSpacing(8);
    details->addWidget(detailRow(glyphPath(Glyph::calendar), m_date));
    details->addWidget(detailRow(lookGlyph(Glyph::clock), m_clock));
    details->addWidget(detailRow(glyphPath(Glyph::mapPin), m_room));
    m_classRow = detailRow(glyphPath(Glyph::twoPeople), m_class);
    details->addWidget(m_classRow);

    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(padding, padding, padding, padding);
    stack->setSpacing(16);
    stack->addLayout(header);
    stack->addWidget(m_title);
    stack->addLayout(details);
}

QWidget *CourseDetailPopover::detailRow(const QPainterPath &glyph, TintedLabel *content)
{
    auto *row = new QWidget(this);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new SymbolTile(glyph, row), 0, Qt::AlignTop);
    content->setWordWrap(true);
    content->setMinimumHeight(rowHeight);
    content->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(content, 1);
    return row;
}

void CourseDetailPopover::setContent(const WeekEvent &event, SubjectTint tint, const QDateTime &referenceDate)
{
    m_event = event;
    m_dot->setTint(tint);
    m_period->setText(event.period);
    m_running->setVisible(isRunning(event, referenceDate));
    m_title->setText(event.subject);
    m_date->setText(detailDate(event.date));
    m_clock->setText(clock(event));
    m_room->setText(roomText(event));
    const std::optional<QString> className = detailClass(event);
    m_class->setText(className.value_or(QString()));
    m_classRow->setVisible(className.has_value());
}

void CourseDetailPopover::setReferenceDate(const QDateTime &referenceDate)
{
    const bool running = isRunning(m_event, referenceDate);
    if (running != m_running->isVisibleTo(this))
        m_running->setVisible(running);
}

void CourseDetailPopover::setDismiss(std::function<void()> dismiss)
{
    m_dismiss = std::move(dismiss);
}

bool CourseDetailPopover::showsRunning() const
{
    return !m_running->isHidden();
}

QStringList CourseDetailPopover::rowTexts() const
{
    QStringList texts{m_date->text(), m_clock->text(), m_room->text()};
    if (!m_classRow->isHidden())
        texts.append(m_class->text());
    return texts;
}

QString CourseDetailPopover::title() const
{
    return m_title->text();
}

} // namespace quorvale
