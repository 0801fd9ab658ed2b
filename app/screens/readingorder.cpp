#include "app/screens/readingorder.h"

#include <QWidget>
#include <algorithm>

namespace quorvale::readingorder {

namespace {

QWidget *focusTarget(QWidget *widget)
{
    while (widget->focusProxy())
        widget = widget->focusProxy();
    return widget;
}

// The middle height and the left edge of the region's direct child that holds the widget: the
// children of a row are centred on one line.
std::pair<int, int> place(const QWidget *region, const QWidget *widget)
{
    while (widget->parentWidget() != region)
        widget = widget->parentWidget();
    const QRect box = widget->geometry();
    return {box.center().y(), box.left()};
}

// The controls Tab visits. `current` is kept while it has just been hidden or disabled, so that the
// walk can go on from it.
QList<QWidget *> controls(const QList<QWidget *> &regions, const QWidget *current)
{
    QList<QWidget *> order;
    for (QWidget *region : regions) {
        if (!region || (!region->isVisible() && !region->isAncestorOf(current)))
            continue;
        QList<QWidget *> found;
        // The focus chain runs through the whole window; the region's widgets stand in it in the order
        // they were made, or were put in.
        for (QWidget *widget = region->nextInFocusChain(); widget != region;
             widget = widget->nextInFocusChain()) {
            if (!region->isAncestorOf(widget) || !(widget->focusPolicy() & Qt::TabFocus))
                continue;
            QWidget *target = focusTarget(widget);
            const bool usable = widget->isVisible() && widget->isEnabled();
            if ((usable || target == current) && !found.contains(target) && !order.contains(target))
                found.append(target);
        }
        std::stable_sort(found.begin(), found.end(), [region](const QWidget *a, const QWidget *b) {
            return place(region, a) < place(region, b);
        });
        order.append(found);
    }
    return order;
}

} // namespace

QWidget *step(const QList<QWidget *> &regions, QWidget *current, bool next)
{
    const QList<QWidget *> order = controls(regions, current);
    if (order.isEmpty())
        return nullptr;
    const qsizetype count = order.size();
    const qsizetype at = current ? order.indexOf(current) : -1;
    if (at < 0) {
        // From a widget Tab does not visit (a selectable text, an open detail card), the walk goes on
        // from the control that follows it in the focus chain.
        const bool inside = std::any_of(regions.begin(), regions.end(), [current](const QWidget *region) {
            return region && region->isAncestorOf(current);
        });
        for (QWidget *widget = inside ? current->nextInFocusChain() : nullptr; widget && widget != current;
             widget = widget->nextInFocusChain()) {
            if (const qsizetype following = order.indexOf(widget); following >= 0)
                return order.at(next ? following : (following + count - 1) % count);
        }
        return next ? order.first() : order.last();
    }
    const qsizetype ahead = at + (next ? 1 : -1);
    if (ahead >= 0 && ahead < count)
        return order.at(ahead);
    // Past either end the walk starts again at the other, unless the control it leaves has just gone:
    // then the one before it takes the keyboard, and the page does not jump to its other end.
    if (!current->isVisible() || !current->isEnabled()) {
        const qsizetype before = at - (next ? 1 : -1);
        return before >= 0 && before < count ? order.at(before) : nullptr;
    }
    return order.at((ahead + count) % count);
}

} // namespace quorvale::readingorder
