#pragma once

#include "app/week/subjecttint.h"
#include "app/week/weekmodel.h"

#include <QDateTime>
#include <QWidget>
#include <memory>

// The week card of the query screen: one person's Monday-to-Sunday week as a grid of day columns
// beside a time axis, with a line at the reference moment, a switch between the school day and the
// full day, the days' notes and the list of events the grid cannot draw. Hovering over a lesson or
// clicking it opens its detail card beside it.
//
// The creator hands in the week, the moment shown and whether that moment follows the clock; the
// view never reads the clock itself.
namespace quorvale {

class DayArea;
class DeferredSection;
class DetailOverlay;
class GlyphButton;
class GlyphText;
class TimeAxis;
class TintedLabel;
class Tween;
class WeekCourseBlock;

class WeekTimetableView : public QWidget
{
    Q_OBJECT

public:
    explicit WeekTimetableView(QWidget *parent = nullptr);
    WeekTimetableView(const WeeklySchedule &schedule, const QDateTime &referenceDate, bool isLive,
                      QWidget *parent = nullptr);
    ~WeekTimetableView() override;

    // All three inputs at once, redrawn once.
    void setWeek(const WeeklySchedule &schedule, const QDateTime &referenceDate, bool isLive);
    void setSchedule(const WeeklySchedule &schedule);
    void setReferenceDate(const QDateTime &referenceDate);
    void setLive(bool isLive);

    const WeeklySchedule &schedule() const { return m_model.schedule(); }
    QDateTime referenceDate() const { return m_model.referenceDate(); }
    bool isLive() const { return m_isLive; }

    // The view's own state: the grid runs to 21:30, the list under the grid is open. Both start off
    // and survive new inputs.
    bool showsFullDay() const { return m_model.showFullDay(); }
    void setShowFullDay(bool full);
    bool showsDeferred() const;
    void setShowDeferred(bool shown);

    // What the view shows now, worked out from the inputs.
    const WeekModel &model() const { return m_model; }

    DayArea *dayArea() const { return m_area; }
    TimeAxis *timeAxis() const { return m_axis; }
    DeferredSection *deferredSection() const { return m_deferred; }
    DetailOverlay *detailOverlay() const { return m_overlay; }
    GlyphText *timeTag() const { return m_tag; }
    GlyphButton *fullDayToggle() const { return m_toggle; }
    // The day and text of each note line, in day order.
    QList<QPair<QString, QString>> noteLines() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    void refresh();
    void refreshMoment();
    void refreshTagText();
    void orderFocus();
    void refreshNotes();
    void followHeight(qreal range);
    void refreshDetail();
    void closeOtherDetails(const WeekCourseBlock *pressed);

    WeekModel m_model;
    bool m_isLive = false;
    std::shared_ptr<const SubjectTints> m_tints = std::make_shared<const SubjectTints>();

    TintedLabel *m_range = nullptr;
    TimeAxis *m_axis = nullptr;
    DayArea *m_area = nullptr;
    QWidget *m_tagRow = nullptr;
    GlyphText *m_tag = nullptr;
    GlyphButton *m_toggle = nullptr;
    QWidget *m_notes = nullptr;
    QList<QPair<QString, QString>> m_noteLines;
    DeferredSection *m_deferred = nullptr;
    DetailOverlay *m_overlay = nullptr;
    Tween *m_shownRange = nullptr;
};

} // namespace quorvale
