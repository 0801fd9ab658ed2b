#include "app/week/coursedetailcard.h"

#include "app/look/painting.h"
#include "app/week/cardeffect.h"
#include "app/week/coursedetailpopover.h"
#include "app/week/coursetext.h"

#include "app/look/animation.h"

#include <QAccessibleWidget>
#include <QKeyEvent>

namespace quorvale {

namespace {

// The content rises this far into place while the card fades in. It moves as a child of the card
// rather than under an effect of its own, since effects must not nest.
constexpr qreal entranceRise = 5.0;

// To assistive technologies the card is a group named by its course: it takes the focus as it opens
// pinned, and a screen reader says which course it tells of.
QAccessibleInterface *detailCardFactory(const QString &className, QObject *object)
{
    auto *card = className == QLatin1String("quorvale::CourseDetailCard")
                     ? qobject_cast<CourseDetailCard *>(object)
                     : nullptr;
    return card ? new QAccessibleWidget(card, QAccessible::Grouping) : nullptr;
}

} // namespace

CourseDetailCard::CourseDetailCard(QWidget *parent)
    : QWidget(parent)
    , m_popover(new CourseDetailPopover(this))
    , m_effect(new CardEffect(this))
    , m_rise(new Tween(entranceRise, this))
{
    // Before anything asks for the widget's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&detailCardFactory), true);
    Q_UNUSED(accessible)
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover);
    setGraphicsEffect(m_effect);
    connect(m_rise, &Tween::valueChanged, this, &CourseDetailCard::placeContent);
    m_rise->moveTo(0.0, springCurve<springs::detail>());
}

bool CourseDetailCard::hasHeightForWidth() const
{
    return true;
}

int CourseDetailCard::heightForWidth(int width) const
{
    return m_popover->heightForWidth(width);
}

void CourseDetailCard::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeContent();
}

void CourseDetailCard::placeContent()
{
    m_popover->setGeometry(0, qRound(m_rise->value()), width(), heightForWidth(width()));
}

void CourseDetailCard::setAnchor(const CourseDetailAnchor &anchor, const QDateTime &referenceDate)
{
    m_anchor = anchor;
    if (const QString name = detailSummary(anchor.event); name != accessibleName())
        setAccessibleName(name);
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

void CourseDetailCard::paintEvent(QPaintEvent *event)
{
    painting::paintCard(this, event->rect(), 0.1);
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
