#include "app/screens/lessoncard.h"

#include "app/look/glyph.h"
#include "app/look/glyphwidgets.h"
#include "app/look/painting.h"
#include "app/look/statusbadge.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/lessonclock.h"
#include "app/screens/lessonprogress.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvale {

namespace {

constexpr int countdownInset = 15;

GlyphText *makeRoomPin(CourseState state, QWidget *parent)
{
    return new GlyphText(glyphPath(Glyph::mapPin), color(state),
                         textStyleFont(parent->font(), TextStyle::title3, QFont::Medium), parent);
}

GlyphText *makeCountdownPill(CourseState state, QWidget *parent)
{
    auto *pill = new GlyphText(glyphPath(Glyph::clock), color(state),
                               textStyleFont(parent->font(), TextStyle::caption, QFont::Medium), parent);
    pill->setCapsule(color(state), 0.075, QSizeF(10.0, 6.0));
    return pill;
}

TintedLabel *centredLabel(const QFont &font, QWidget *parent)
{
    auto *label = new TintedLabel(QString(), font, parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

QString lessonBadgeTitle(CourseState state)
{
    switch (state) {
    case CourseState::current:
        return QStringLiteral("正在上课");
    case CourseState::upcoming:
        return QStringLiteral("下一节");
    default:
        return QStringLiteral("时间冲突");
    }
}

LessonCard::LessonCard(QWidget *parent)
    : Panel(22.0, paints::token(color(CourseState::current), 0.065), parent)
    , m_badge(new StatusBadge(QString(), CourseState::current, this))
    , m_subject(centredLabel(sizedFont(font(), 29, QFont::DemiBold), this))
    , m_class(centredLabel(textStyleFont(font(), TextStyle::callout), this))
    , m_pin(makeRoomPin(CourseState::current, this))
    , m_room(new TintedLabel(QString(), textStyleFont(font(), TextStyle::title3, QFont::Medium), this))
    , m_period(centredLabel(textStyleFont(font(), TextStyle::callout), this))
    , m_progress(new LessonProgress(color(CourseState::current), this))
    , m_countdownHolder(new QWidget(this))
    , m_countdown(makeCountdownPill(CourseState::current, m_countdownHolder))
{
    m_subject->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_class->setTint(Appearance::secondaryText);
    m_period->setTint(Appearance::secondaryText);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(24, 28, 24, 28);
    column->setSpacing(13);
    column->addWidget(m_badge, 0, Qt::AlignHCenter);
    column->addWidget(m_subject);
    column->addWidget(m_class);
    auto *room = new QHBoxLayout;
    m_roomRow = room;
    room->setSpacing(7);
    room->addStretch();
    room->addWidget(m_pin);
    room->addWidget(m_room);
    room->addStretch();
    column->addLayout(room);
    column->addWidget(m_period);
    // The bar keeps 5 pixels of its own above it.
    column->addSpacing(5 - column->spacing());
    column->addWidget(m_progress, 0, Qt::AlignHCenter);
    m_progress->setMinimumWidth(1);
}

LessonProgress *LessonCard::progressBar() const
{
    return m_state == CourseState::current ? m_progress : nullptr;
}

void LessonCard::present(const DayLesson &lesson, CourseState state, const QDateTime &moment,
                         const std::optional<QString> &className)
{
    const AdaptiveColor tint = color(state);
    if (state != m_state || !m_tinted) {
        if (state != m_state)
            retint(state);
        setFill(paints::token(tint, 0.065));
        setBorder(paints::token(tint, 0.12));
        m_progress->setTint(tint);
        m_tinted = true;
    }
    m_state = state;
    m_badge->setState(state);
    m_badge->setTitle(lessonBadgeTitle(state));
    m_subject->setText(lesson.lesson.subject);
    m_class->setText(className.value_or(QString()));
    m_class->setVisible(className.has_value());
    m_room->setText(lessonclock::roomText(lesson));
    m_period->setText(lessonclock::periodLine(lesson));
    m_progress->setVisible(state == CourseState::current);
    if (state == CourseState::current)
        m_progress->setRun(lessonclock::progress(lesson, moment));
    // The pill moves only when its text, and so its width, changes.
    if (const QString countdown = lessonclock::countdown(lesson, moment); countdown != m_countdown->text()) {
        m_countdown->setText(countdown);
        m_countdown->adjustSize();
        placeCountdown();
    }
}

// The glyph pieces take their colour when made, so a new state makes them anew.
void LessonCard::retint(CourseState state)
{
    GlyphText *pin = makeRoomPin(state, this);
    delete m_roomRow->replaceWidget(m_pin, pin);
    delete m_pin;
    m_pin = pin;
    GlyphText *pill = makeCountdownPill(state, m_countdownHolder);
    // Whether it was hidden, not whether it is on screen: the card may not be shown yet.
    pill->setVisible(!m_countdown->isHidden());
    pill->setText(m_countdown->text());
    pill->adjustSize();
    delete m_countdown;
    m_countdown = pill;
    placeCountdown();
}

void LessonCard::resizeEvent(QResizeEvent *event)
{
    Panel::resizeEvent(event);
    placeCountdown();
}

void LessonCard::placeCountdown()
{
    m_countdownHolder->setGeometry(width() - m_countdown->width() - countdownInset, countdownInset,
                                   m_countdown->width(), m_countdown->height());
}

} // namespace quorvale
