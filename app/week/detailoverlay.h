#pragma once

#include "app/week/coursedetailanchor.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <optional>

class QWidget;

// Shows the detail card of the one open course over the whole week card, beside its block. A
// pinned card lies on a clear layer that takes any click beside it and only closes the card.
namespace quorvale {

class CourseDetailCard;
class WeekCourseBlock;

class DetailOverlay : public QObject
{
    Q_OBJECT

public:
    // `space` is the week card; card and layer are its children, above everything else in it.
    explicit DetailOverlay(QWidget *space);

    // Shows the card of the anchor (the last one opened in view order), or none.
    void show(const std::optional<CourseDetailAnchor> &anchor, const QDateTime &referenceDate);

    // The reference moment moved: only the card's running label follows.
    void setReferenceDate(const QDateTime &referenceDate);

    CourseDetailCard *card() const;
    QWidget *tapLayer() const { return m_tapLayer; }

private:
    // The course shown in the week with this anchor's identity, if any.
    WeekCourseBlock *blockOf(const QString &anchorId) const;
    void removeCard();

    QWidget *m_space;
    QWidget *m_tapLayer;
    QPointer<CourseDetailCard> m_card;
    QPointer<QWidget> m_returnFocus;
};

} // namespace quorvale
