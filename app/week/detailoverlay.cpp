#include "app/week/detailoverlay.h"

#include "app/week/cardeffect.h"
#include "app/week/coursedetailcard.h"
#include "app/week/coursedetailpopover.h"
#include "app/week/detailplacement.h"
#include "app/week/weekcourseblock.h"

#include "app/look/animation.h"
#include "app/look/reducemotion.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace quorvale {

namespace {

// A clear layer that turns any click on it into one call. A click on another course pins that
// one's detail in place of the open one, as Space on it does.
class TapLayer : public QWidget
{
public:
    explicit TapLayer(QWidget *parent)
        : QWidget(parent)
    {
        hide();
    }

    std::function<void()> onTap;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        event->accept();
        if (WeekCourseBlock *block = blockAt(event->position().toPoint()))
            block->pin();
        else if (onTap)
            onTap();
    }

private:
    // The course shown under the layer at `point`, if any.
    WeekCourseBlock *blockAt(QPoint point) const
    {
        const QPoint global = mapToGlobal(point);
        const QList<WeekCourseBlock *> blocks = parentWidget()->findChildren<WeekCourseBlock *>();
        for (WeekCourseBlock *block : blocks) {
            if (block->isVisible() && block->visibleRegion().contains(block->mapFromGlobal(global)))
                return block;
        }
        return nullptr;
    }
};

} // namespace

DetailOverlay::DetailOverlay(QWidget *space)
    : QObject(space)
    , m_space(space)
    , m_tapLayer(new TapLayer(space))
{}

CourseDetailCard *DetailOverlay::card() const
{
    return m_card;
}

void DetailOverlay::show(const std::optional<CourseDetailAnchor> &anchor, const QDateTime &referenceDate)
{
    auto *layer = static_cast<TapLayer *>(m_tapLayer);
    if (m_card && (!anchor || m_card->anchorId() != anchor->id))
        removeCard();
    if (!anchor) {
        layer->hide();
        layer->onTap = nullptr;
        return;
    }

    const bool fresh = !m_card;
    const bool newlyPinned = anchor->pinned && (fresh || !m_card->anchor().pinned);
    if (fresh)
        m_card = new CourseDetailCard(m_space);
    m_card->setAnchor(*anchor, referenceDate);
    const int width = qRound(detailCardWidth(m_space->width()));
    const int height = m_card->heightForWidth(width);
    const DetailPlacement placement = placeDetail(anchor->anchor, m_space->size(), height);
    m_card->effect()->setGrowsFromTrailing(placement.leftOfBlock);
    m_card->setGeometry(qRound(placement.topLeft.x()), qRound(placement.topLeft.y()), width, height);

    layer->onTap = anchor->dismiss;
    layer->setGeometry(m_space->rect());
    const bool restack = fresh || layer->isHidden() == anchor->pinned;
    layer->setVisible(anchor->pinned);
    if (restack) {
        layer->raise();
        m_card->raise();
    }
    if (fresh) {
        m_card->show();
        m_card->effect()->run(1.0, springCurve<springs::standard>());
    }
    if (newlyPinned) {
        // Focus goes back where it came from when the card closes.
        QWidget *focus = QApplication::focusWidget();
        if (focus != m_card && !m_card->isAncestorOf(focus))
            m_returnFocus = focus;
        m_card->setFocus(Qt::OtherFocusReason);
        // Opened from the keyboard, the card comes into view as a control reached with Tab does,
        // also when the page has to scroll for it: a block opened near the bottom of the screen
        // shows all of its detail. Under the pointer the page stays, so a second click lands where
        // it was aimed.
        for (QWidget *outer = m_card->parentWidget(); outer && anchor->bringIntoView;
             outer = outer->parentWidget()) {
            if (auto *scroll = qobject_cast<QScrollArea *>(outer))
                scroll->ensureWidgetVisible(m_card, 0, 0);
        }
    }
}

void DetailOverlay::setReferenceDate(const QDateTime &referenceDate)
{
    if (m_card)
        m_card->popover()->setReferenceDate(referenceDate);
}

WeekCourseBlock *DetailOverlay::blockOf(const QString &anchorId) const
{
    const QList<WeekCourseBlock *> blocks = m_space->findChildren<WeekCourseBlock *>();
    const auto shown = std::find_if(blocks.begin(), blocks.end(), [&anchorId](const WeekCourseBlock *block) {
        return block->isVisible() && block->event().id == anchorId;
    });
    return shown != blocks.end() ? *shown : nullptr;
}

void DetailOverlay::removeCard()
{
    CourseDetailCard *card = m_card;
    m_card = nullptr;
    QWidget *focus = QApplication::focusWidget();
    const bool hadFocus = focus && (focus == card || card->isAncestorOf(focus));
    // The focus moves on before the card lets it go: Qt reports a widget that clears its focus as
    // focused once more, and a screen reader would read the closing card again. It goes back where it
    // was before the card, or to the card's course when it was nowhere: left to Qt, it would land on
    // whatever control comes next, or on none.
    QWidget *back = m_returnFocus && m_returnFocus->isVisible() ? m_returnFocus.data()
                                                                : blockOf(card->anchorId());
    if (hadFocus && back)
        back->setFocus(Qt::OtherFocusReason);
    m_returnFocus = nullptr;
    card->detach();
    if (motion::reduced() || !card->isVisible()) {
        card->hide();
        card->deleteLater();
        return;
    }
    connect(card->effect(), &CardEffect::arrived, card, &QObject::deleteLater);
    card->effect()->run(0.0, springCurve<springs::standard>());
}

} // namespace quorvale
