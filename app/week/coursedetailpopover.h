#pragma once

#include "app/week/subjecttint.h"

#include "core/model/week.h"

#include <QDateTime>
#include <QWidget>
#include <functional>

// The content of a course's detail card: period and subject in large type, the course's day, time,
// room and class, a green "正在上课" while it runs at the reference moment, and a close button.
namespace quorvale {

class CloseButton;
class GlyphText;
class TintDot;
class TintedLabel;

class CourseDetailPopover : public QWidget
{
    Q_OBJECT

public:
    explicit CourseDetailPopover(QWidget *parent = nullptr);

    void setContent(const WeekEvent &event, SubjectTint tint, const QDateTime &referenceDate);
    void setDismiss(std::function<void()> dismiss);
    // Shows or hides the running label for a new reference moment.
    void setReferenceDate(const QDateTime &referenceDate);

    const WeekEvent &event() const { return m_event; }
    bool showsRunning() const;
    // The texts of the detail rows, in order: day, time, room and, when shown, class.
    QStringList rowTexts() const;
    QString title() const;
    CloseButton *closeButton() const { return m_close; }

private:
    QWidget *detailRow(const QPainterPath &glyph, TintedLabel *content);

    WeekEvent m_event;
    std::function<void()> m_dismiss;
    TintDot *m_dot;
    GlyphText *m_period;
    GlyphText *m_running;
    CloseButton *m_close;
    TintedLabel *m_title;
    TintedLabel *m_date;
    TintedLabel *m_clock;
    TintedLabel *m_room;
    TintedLabel *m_class;
    QWidget *m_classRow;
};

} // namespace quorvale
