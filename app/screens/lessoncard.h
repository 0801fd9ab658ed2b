#pragma once

#include "app/look/coursestate.h"
#include "app/screens/panel.h"
#include "core/model/schedule.h"

#include <QDateTime>
#include <optional>

class QHBoxLayout;

// The large card of one lesson at the chosen moment: its state badge, subject, the class for a
// teacher, room, period and times, a countdown pill in the corner and, for a running lesson, a
// progress bar. It measures against the moment it is given, never against the clock.

namespace quorvale {

class GlyphText;
class LessonProgress;
class StatusBadge;
class TintedLabel;

class LessonCard : public Panel
{
    Q_OBJECT

public:
    explicit LessonCard(QWidget *parent = nullptr);

    // Shows a lesson in a state at a moment; `className` is the class row of a teacher's lesson.
    void present(const DayLesson &lesson, CourseState state, const QDateTime &moment,
                 const std::optional<QString> &className);

    CourseState state() const { return m_state; }
    StatusBadge *badge() const { return m_badge; }
    TintedLabel *subjectLabel() const { return m_subject; }
    TintedLabel *classLabel() const { return m_class; }
    TintedLabel *roomLabel() const { return m_room; }
    TintedLabel *periodLabel() const { return m_period; }
    GlyphText *countdownPill() const { return m_countdown; }
    // None unless the card shows a running lesson.
    LessonProgress *progressBar() const;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeCountdown();
    void retint(CourseState state);

    CourseState m_state = CourseState::current;
    // Whether the card's colours were set for its state.
    bool m_tinted = false;
    StatusBadge *m_badge;
    TintedLabel *m_subject;
    TintedLabel *m_class;
    QHBoxLayout *m_roomRow = nullptr;
    GlyphText *m_pin;
    TintedLabel *m_room;
    TintedLabel *m_period;
    LessonProgress *m_progress;
    // The pill's own parent, beside the card's layout: a new width of the pill would otherwise lay
    // the card out again, and with it the page, whose word-wrapped texts repaint at each pass.
    QWidget *m_countdownHolder;
    GlyphText *m_countdown;
};

// The badge title of a card in a state: "正在上课", "下一节", or "时间冲突" for any other state.
QString lessonBadgeTitle(CourseState state);

} // namespace quorvale
