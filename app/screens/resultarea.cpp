#include "app/screens/resultarea.h"

#include "app/look/animation.h"
#include "app/look/appearance.h"
#include "app/look/arrival.h"
#include "app/look/glyphwidgets.h"
#include "app/look/primaryactionbutton.h"
#include "app/look/reducemotion.h"
#include "app/look/statusbadge.h"
#include "app/look/tintedlabel.h"
#include "app/look/typography.h"
#include "app/screens/answergroup.h"
#include "app/screens/lessoncard.h"
#include "app/screens/lessonclock.h"
#include "app/screens/lessonprogress.h"
#include "app/screens/progressview.h"
#include "app/screens/statecards.h"
#include "app/state/model.h"
#include "app/week/weektimetableview.h"

#include <QVBoxLayout>
#include <utility>

namespace quorvale {

namespace {

constexpr int spacing = 18;

Transition reveal()
{
    return Appearance::reveal(motion::reduced());
}

void bringIn(QWidget *widget, const Transition &transition)
{
    playInsertion(widget, transition, springCurve<springs::standard>());
    widget->show();
}

void takeOut(QWidget *widget, const Transition &transition)
{
    playRemoval(widget, transition, springCurve<springs::standard>());
}

} // namespace

ResultArea::ResultArea(Model *model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_name(new TintedLabel(QString(), textStyleFont(font(), TextStyle::title2, QFont::DemiBold), this))
    , m_subtitle(new TintedLabel(QString(), textStyleFont(font(), TextStyle::callout), this))
    , m_lessons(new AnswerGroup(this))
    , m_lessonLayout(new QVBoxLayout(m_lessons))
    , m_weekArea(new QWidget(this))
    , m_weekBadge(new StatusBadge(QStringLiteral("周课表尚未加载"), CourseState::unknown, m_weekArea))
    , m_reload(new GlyphButton(Appearance::secondaryText, textStyleFont(font(), TextStyle::caption), this))
{
    m_subtitle->setTint(Appearance::secondaryText);
    for (TintedLabel *label : {m_name, m_subtitle}) {
        label->setAlignment(Qt::AlignHCenter);
        label->setWordWrap(true);
    }
    m_lessonLayout->setContentsMargins(0, 0, 0, 0);
    m_lessonLayout->setSpacing(spacing);
    m_reload->setLabel({}, QStringLiteral("刷新课表"));

    auto *weekLayout = new QVBoxLayout(m_weekArea);
    weekLayout->setContentsMargins(0, 0, 0, 0);
    weekLayout->addWidget(m_weekBadge, 0, Qt::AlignHCenter);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    auto *header = new QVBoxLayout;
    header->setSpacing(6);
    header->addWidget(m_name);
    header->addWidget(m_subtitle);
    column->addLayout(header);
    column->addWidget(m_lessons);
    column->addWidget(m_weekArea);
    column->addWidget(m_reload, 0, Qt::AlignHCenter);

    connect(m_reload, &QAbstractButton::clicked, this, &ResultArea::reloadRequested);
    m_reload->installEventFilter(this);
    refresh();
}

void ResultArea::refresh()
{
    m_name->setText(m_model->selectionName());
    m_subtitle->setText(m_model->selectionSubtitle());
    showPlan(planLessons(ResultInput::from(*m_model)));
    m_lessons->setAnswer(answerText(true), answerText(false));
    showWeek();
    showReload(!m_model->loadingSchedule());
}

void ResultArea::showReload(bool shown)
{
    // Hidden with the focus, the link would hand it on down the page and scroll there: while the
    // load runs the answer, which tells that it is being read, holds it where it stands, and the link
    // takes it back unless the person went elsewhere meanwhile.
    if (!shown && window()->focusWidget() == m_reload) {
        m_reloadRegainsFocus = true;
        m_lessons->setFocus(Qt::OtherFocusReason);
    }
    m_reload->setVisible(shown);
    if (shown && std::exchange(m_reloadRegainsFocus, false) && window()->focusWidget() == m_lessons) {
        // The new answer comes in the same instant as the focus moves on, and a reader telling of the
        // new focus cuts the answer short: the link tells it as it takes the focus back, until it
        // loses it.
        m_reload->setAccessibleDescription(m_lessons->spoken());
        m_reload->setFocus(Qt::OtherFocusReason);
    }
}

bool ResultArea::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_reload && event->type() == QEvent::FocusOut)
        m_reload->setAccessibleDescription(QString());
    return QWidget::eventFilter(watched, event);
}

void ResultArea::showPlan(const LessonPlan &plan)
{
    using Kind = LessonPlan::Kind;
    const bool sameKind = plan.kind == m_plan.kind;
    m_plan = plan;
    if (plan.kind == Kind::cards) {
        if (!sameKind)
            replaceSingle(nullptr);
        showCards(plan);
        return;
    }
    if (!sameKind) {
        showCards({});
        switch (plan.kind) {
        case Kind::loading: {
            auto *loading = new ProgressView(Model::readingStatus, m_lessons);
            loading->setMinimumHeight(160);
            replaceSingle(loading);
            break;
        }
        case Kind::emptyState:
            replaceSingle(new EmptyStateCard(m_lessons));
            break;
        case Kind::taskButton: {
            auto *holder = new QWidget(m_lessons);
            auto *layout = new QVBoxLayout(holder);
            layout->setContentsMargins(0, spacing, 0, spacing);
            auto *button = new PrimaryActionButton(QStringLiteral("选择课表"), holder);
            layout->addWidget(button, 0, Qt::AlignHCenter);
            connect(button, &QAbstractButton::clicked, this, &ResultArea::taskRequested);
            replaceSingle(holder);
            break;
        }
        case Kind::errorCard:
            replaceSingle(new ErrorCard(m_lessons));
            break;
        case Kind::nothing:
        case Kind::cards:
            replaceSingle(nullptr);
            break;
        }
    }
    if (auto *empty = emptyCard())
        empty->setContent(plan.title, plan.state, plan.message);
    if (auto *error = errorCard())
        error->setContent(plan.title, plan.message.value_or(QString()));
}

void ResultArea::replaceSingle(QWidget *widget)
{
    // The indicator comes and goes as a plain fade; cards with the content transition.
    const auto transitionOf = [](QWidget *shown) {
        return qobject_cast<ProgressView *>(shown) ? Appearance::reveal(true) : reveal();
    };
    if (m_single)
        takeOut(m_single, transitionOf(m_single));
    m_single = widget;
    if (!widget)
        return;
    m_lessonLayout->addWidget(widget);
    bringIn(widget, transitionOf(widget));
}

void ResultArea::showCards(const LessonPlan &plan)
{
    QList<QPair<QString, LessonCard *>> kept;
    QList<QPair<QString, LessonCard *>> old = m_cards;
    for (const DayLesson &lesson : plan.lessons) {
        const QString key = lessonclock::lessonKey(lesson);
        LessonCard *card = nullptr;
        for (qsizetype index = 0; index < old.size(); ++index) {
            if (old.at(index).first == key) {
                card = old.takeAt(index).second;
                break;
            }
        }
        const bool isNew = card == nullptr;
        if (isNew)
            card = new LessonCard(m_lessons);
        card->present(lesson, plan.state, m_model->date(), classOf(lesson));
        // A card already in its place stays in the layout untouched.
        if (m_lessonLayout->indexOf(card) != int(kept.size())) {
            m_lessonLayout->removeWidget(card);
            m_lessonLayout->insertWidget(int(kept.size()), card);
        }
        if (isNew)
            bringIn(card, reveal());
        kept.append({key, card});
    }
    for (const auto &[key, card] : old)
        takeOut(card, reveal());
    m_cards = kept;
}

std::optional<QString> ResultArea::classOf(const DayLesson &lesson) const
{
    const std::optional<TeacherSchedule> &teacher = m_model->teacherSchedule();
    return m_model->queryKind() == QueryKind::Teacher && teacher ? teacher->className(lesson) : std::nullopt;
}

QString ResultArea::answerText(bool countdown) const
{
    QStringList parts{m_model->selectionName()};
    switch (m_plan.kind) {
    case LessonPlan::Kind::cards:
        for (const DayLesson &lesson : m_plan.lessons) {
            parts << lessonBadgeTitle(m_plan.state) << lesson.lesson.subject
                  << classOf(lesson).value_or(QString()) << lessonclock::roomText(lesson)
                  << lesson.lesson.period << lesson.time();
            if (!countdown)
                continue;
            if (m_plan.state == CourseState::current) {
                parts << QStringLiteral("%1 %2%").arg(LessonProgress::title())
                             .arg(lessonclock::progress(lesson, m_model->date()).percent());
            }
            parts << lessonclock::countdown(lesson, m_model->date());
        }
        break;
    case LessonPlan::Kind::emptyState:
    case LessonPlan::Kind::errorCard:
        parts << m_plan.title;
        if (m_plan.message != m_plan.title)
            parts << m_plan.message.value_or(QString());
        break;
    case LessonPlan::Kind::loading:
    case LessonPlan::Kind::taskButton:
        parts << m_model->scheduleStatus();
        break;
    case LessonPlan::Kind::nothing:
        break;
    }
    parts.removeAll(QString());
    return parts.join(QStringLiteral(" · "));
}

void ResultArea::showWeek()
{
    const bool shown = !m_model->loadingSchedule() && m_model->hasSchedule();
    m_weekArea->setVisible(shown);
    if (!shown)
        return;
    const std::optional<WeeklySchedule> &week = m_model->week();
    if (week && !m_weekView) {
        m_weekView = new WeekTimetableView(m_weekArea);
        m_weekArea->layout()->addWidget(m_weekView);
        arrive(m_weekView, 1);
    }
    if (week && (m_weekView->schedule() != *week || m_weekView->referenceDate() != m_model->date() ||
                 m_weekView->isLive() != m_model->followNow()))
        m_weekView->setWeek(*week, m_model->date(), m_model->followNow());
    if (m_weekView)
        m_weekView->setVisible(week.has_value());
    m_weekArea->layout()->setContentsMargins(0, week ? 0 : 20, 0, week ? 0 : 20);
    m_weekBadge->setVisible(!week);
}

QList<LessonCard *> ResultArea::lessonCards() const
{
    QList<LessonCard *> cards;
    for (const auto &[key, card] : m_cards)
        cards.append(card);
    return cards;
}

EmptyStateCard *ResultArea::emptyCard() const
{
    return qobject_cast<EmptyStateCard *>(m_single);
}

ErrorCard *ResultArea::errorCard() const
{
    return qobject_cast<ErrorCard *>(m_single);
}

PrimaryActionButton *ResultArea::taskButton() const
{
    return m_plan.kind == LessonPlan::Kind::taskButton && m_single
               ? m_single->findChild<PrimaryActionButton *>()
               : nullptr;
}

ProgressView *ResultArea::progressView() const
{
    return qobject_cast<ProgressView *>(m_single);
}

bool ResultArea::awaitingLoad() const
{
    return m_plan.kind == LessonPlan::Kind::errorCard && m_plan.message == Model::readingStatus;
}

bool ResultArea::weekShown() const
{
    return m_weekView && m_weekView->isVisibleTo(this);
}

} // namespace quorvale
