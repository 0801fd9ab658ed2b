#pragma once

#include "app/screens/resultplan.h"

#include <QWidget>

class QVBoxLayout;

// The lower part of the query screen while a person is selected: who is shown; the lesson running at
// the chosen moment, the next one, or why neither can be told (or that the timetable is being read,
// failed, or needs a task chosen); the person's week; and a link that reads the timetable again.
// Lesson cards are kept by their lesson's key, so a card that stays keeps its widget.
namespace quorvale {

class AnswerGroup;
class EmptyStateCard;
class ErrorCard;
class GlyphButton;
class LessonCard;
class Model;
class PrimaryActionButton;
class ProgressView;
class StatusBadge;
class TintedLabel;
class WeekTimetableView;

class ResultArea : public QWidget
{
    Q_OBJECT

public:
    // The model must outlive the area.
    explicit ResultArea(Model *model, QWidget *parent = nullptr);

    // Follows the model.
    void refresh();

    // The lessons, or why there are none, as one element named by the person and the answer.
    AnswerGroup *answer() const { return m_lessons; }
    TintedLabel *nameLabel() const { return m_name; }
    TintedLabel *subtitleLabel() const { return m_subtitle; }
    LessonPlan::Kind lessonKind() const { return m_plan.kind; }
    QList<LessonCard *> lessonCards() const;
    EmptyStateCard *emptyCard() const;
    ErrorCard *errorCard() const;
    PrimaryActionButton *taskButton() const;
    ProgressView *progressView() const;
    // None until a week was first shown.
    WeekTimetableView *weekView() const { return m_weekView; }
    StatusBadge *weekBadge() const { return m_weekBadge; }
    GlyphButton *reloadButton() const { return m_reload; }
    bool weekShown() const;
    // The person is chosen and the timetable not yet asked for: the area says it is being read
    // without anything reading it.
    bool awaitingLoad() const;

signals:
    // The task button: the search field should take the focus and open its list of tasks.
    void taskRequested();
    // The reload link was pressed.
    void reloadRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showPlan(const LessonPlan &plan);
    void replaceSingle(QWidget *widget);
    void showCards(const LessonPlan &plan);
    void showWeek();
    void showReload(bool shown);
    // The class a teacher's lesson is given to, when the teacher's day names one.
    std::optional<QString> classOf(const DayLesson &lesson) const;
    // The answer as it is read: the person, then each card's lines in its order (badge, subject,
    // class, room, period and times) and, when asked for, what moves with time: a running lesson's
    // progress and the countdown; or the reason there is no card.
    QString answerText(bool countdown) const;

    Model *m_model;
    LessonPlan m_plan;
    TintedLabel *m_name;
    TintedLabel *m_subtitle;
    AnswerGroup *m_lessons;
    QVBoxLayout *m_lessonLayout;
    // The one widget of a kind other than cards, or none.
    QWidget *m_single = nullptr;
    QList<QPair<QString, LessonCard *>> m_cards;
    QWidget *m_weekArea;
    WeekTimetableView *m_weekView = nullptr;
    StatusBadge *m_weekBadge;
    GlyphButton *m_reload;
    // The reload link had the keyboard when a load hid it, and takes it back as it returns.
    bool m_reloadRegainsFocus = false;
};

} // namespace quorvale
