#pragma once

#include "app/week/coursedetailanchor.h"

#include <QDateTime>
#include <QWidget>

// The detail card beside a course block: the popover's content on an opaque rounded card with a thin
// border and a soft shadow. It reports the pointer over it and Escape back to its block's anchor.
namespace quorvale {

class CardEffect;
class CourseDetailPopover;
class Tween;

class CourseDetailCard : public QWidget
{
    Q_OBJECT

public:
    explicit CourseDetailCard(QWidget *parent = nullptr);

    const QString &anchorId() const { return m_anchor.id; }
    const CourseDetailAnchor &anchor() const { return m_anchor; }
    CourseDetailPopover *popover() const { return m_popover; }
    CardEffect *effect() const { return m_effect; }

    void setAnchor(const CourseDetailAnchor &anchor, const QDateTime &referenceDate);
    // The card is going away: it stops speaking for its block and lets the pointer through.
    void detach();

    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeContent();

    CourseDetailAnchor m_anchor;
    CourseDetailPopover *m_popover;
    CardEffect *m_effect;
    Tween *m_rise;
};

} // namespace quorvale
