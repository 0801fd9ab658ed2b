#pragma once

#include "app/look/framecache.h"
#include "app/look/preparedtext.h"
#include "app/week/coursedetailanchor.h"
#include "app/week/subjecttint.h"

#include "core/model/week.h"

#include <QFont>
#include <QTimer>
#include <QWidget>
#include <optional>

// The card of one placed lesson in a day column. It also decides when its course's detail card is
// open: after the pointer rests on it or on the detail card, until the pointer has left both for a
// moment, or for good once it was clicked (pinned) until the detail is dismissed. While open it hands
// out an anchor; the week card draws the detail card from it.
namespace quorvale {

class Tween;

class WeekCourseBlock : public QWidget
{
    Q_OBJECT

public:
    explicit WeekCourseBlock(QWidget *parent = nullptr);

    void setContent(const WeekEvent &event, qreal height, SubjectTint tint, bool highlighted);

    const WeekEvent &event() const { return m_event; }
    SubjectTint tint() const { return m_tint; }
    bool highlighted() const { return m_highlighted; }
    bool showsDetails() const { return m_showDetails; }
    bool pinned() const { return m_pinned; }
    bool hoverPending() const { return m_hoverTask.isActive(); }
    // Opacity of the selection outline drawn now.
    qreal outline() const;

    // Where the block's text lies, in its own coordinates, as far as it is drawn.
    QList<QRectF> textBounds() const;

    // While the details are open: the anchor, with the block's rectangle in `space`'s coordinates.
    std::optional<CourseDetailAnchor> anchor(const QWidget *space) const;

    // The pointer entered or left this course's detail card.
    void setDetailHovered(bool hovered);
    // Closes and unpins the details.
    void dismiss();
    // What a click does: pins the details open where they are, leaving the page as it is.
    void pin();
    // The default action of assistive technologies: pins the details open at once, leaving a pending
    // hover decision as it is.
    void performDefaultAction();

signals:
    // The details opened or closed, or their pinning changed.
    void detailChanged();
    // A click, a key or assistive technology is about to pin the details open.
    void pressed();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void scheduleHover();
    void decideHover();
    void setShowDetails(bool show, bool animated);
    void setPinned(bool pinned);
    // One piece of the block's content: the colour bar or a line of text, in the box it is drawn in.
    struct TextRun
    {
        enum class Kind
        {
            bar,
            subject,
            row,
            classLabel
        };
        Kind kind;
        PreparedText text;
        QRectF box;

        // Whether it comes near one of the boxes.
        bool reaches(const QList<QRectF> &boxes) const;
    };
    // Laid out once for each content and size: the now line repaints the block it crosses.
    const QList<TextRun> &textRuns() const;
    QList<TextRun> layOutText() const;
    // Paints the text and the colour bar, or where `corners` lists boxes, what of them comes near one.
    void paintText(QPainter &painter, const QList<QRectF> &corners);

    WeekEvent m_event;
    qreal m_height = 0.0;
    SubjectTint m_tint;
    bool m_highlighted = false;

    bool m_showDetails = false;
    bool m_cardHovered = false;
    bool m_detailHovered = false;
    bool m_pinned = false;
    bool m_pinnedByPointer = false;
    QTimer m_hoverTask;
    Tween *m_outline;
    mutable std::optional<QList<TextRun>> m_runs;
    mutable QSize m_runsSize;
    // The card with its text, drawn again only when its content, size or colours change.
    FrameCache m_frame;
};

} // namespace quorvale
