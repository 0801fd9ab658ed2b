#include "app/week/coursedetailcard.h"

#include "app/look/painting.h"
#include "app/week/cardeffect.h"
#include "app/week/coursedetailpopover.h"

#include "app/look/animation.h"
#include "app/look/transition.h"

#include <QKeyEvent>
#include <QVBoxLayout>

namespace quorvale {

namespace {

// The content rises 5 points into place as it fades in.
const Transition entrance{{1.0, {0.0, 5.0}, 0.0}, {1.0, {}, 1.0}};

} // namespace

CourseDetailCard::CourseDetailCard(QWidget *parent)
    : QWidget(parent)
    , m_popover(new CourseDetailPopover(this))
    , m_effect(new CardEffect(this))
{
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_popover);
    setGraphicsEffect(m_effect);
    playInsertion(m_popover, entrance, springCurve<springs::detail>());
}

void CourseDetailCard::setAnchor(const CourseDetailAnchor &anchor, const QDateTime &referenceDate)
{
    m_anchor = anchor;
    m_popover->setContent(anchor.event, anchor.tint, referenceDate);
    m_popover->setDismiss(anchor.dismiss);
}

void CourseDetailCard::detach()
{
    m_anchor.hovered = nullptr;
    m_anchor.dismiss = nullptr;
    m_popover->setDismiss(nullptr);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    clearFocus();
}

void CourseDetailCard::paintEvent(QPaintEvent *)
{
    painting::paintCard(this, 0.1);
}

void CourseDetailCard::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (m_anchor.hovered)
        m_anchor.hovered(true);
}

void CourseDetailCard::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (m_anchor.hovered)
        m_anchor.hovered(false);
}

void CourseDetailCard::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_anchor.dismiss) {
        m_anchor.dismiss();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quorvale
