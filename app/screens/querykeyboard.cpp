// Where the query screen's keyboard is, and how a screen made anew puts it back.

#include "app/screens/datecontrols.h"
#include "app/screens/queryview.h"
#include "app/screens/readingorder.h"
#include "app/screens/resultarea.h"
#include "app/screens/searcharea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/statecards.h"
#include "app/screens/topbar.h"
#include "app/state/model.h"

#include <QAccessible>
#include <QScrollArea>
#include <QTimer>
#include <cstdlib>

namespace quorvale {

namespace {

QString nameOf(QWidget *widget)
{
    const QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

QList<QWidget *> QueryView::focusRegions() const
{
    return {m_topBar, m_searchArea, m_dateControls, m_box, m_error, m_result};
}

QList<QWidget *> QueryView::tabOrder() const
{
    const QList<QWidget *> regions = focusRegions();
    QList<QWidget *> order;
    for (QWidget *control = readingorder::step(regions, nullptr, true); control && !order.contains(control);
         control = readingorder::step(regions, control, true))
        order.append(control);
    return order;
}

QueryView::KeyboardPlace QueryView::keyboardPlace() const
{
    KeyboardPlace place;
    place.showDate = m_showDate;
    QWidget *focused = window()->focusWidget();
    if (!focused || !isAncestorOf(focused))
        return place;
    place.kind = focused->metaObject()->className();
    place.name = nameOf(focused);
    place.index = tabOrder().indexOf(focused);
    const SearchField *field = m_box->field();
    if (focused == field) {
        place.cursor = field->cursorPosition();
        place.selectionStart = field->selectionStart();
        place.selectionLength = int(field->selectedText().size());
        place.suggestionsOpen = m_suggestionsOpen;
        place.highlighted = m_highlighted;
        place.searchPending = m_debounce->isActive();
    }
    return place;
}

void QueryView::putKeyboardBack(const KeyboardPlace &place)
{
    m_keyboardBack = place;
}

void QueryView::restoreKeyboard(const KeyboardPlace &place)
{
    // Controls inside the date controls are in the Tab order only while these are open. The
    // suggestions are as they were, open or closed, not opened by the focus coming back, and the field
    // is described by them as it takes the focus.
    m_showDate = place.showDate;
    m_suggestionsOpen = place.kind == SearchField::staticMetaObject.className() && place.suggestionsOpen;
    render();
    // The control of the same class and name nearest its old place in the order, else the nearest of
    // the same class: a name may have changed with the moment, as the answer's does.
    const QList<QWidget *> order = tabOrder();
    QWidget *target = nullptr;
    std::pair<bool, qsizetype> best{false, 0};
    for (qsizetype at = 0; at < order.size(); ++at) {
        QWidget *control = order.at(at);
        if (control->metaObject()->className() != place.kind)
            continue;
        const std::pair<bool, qsizetype> score{nameOf(control) == place.name,
                                               qsizetype(-std::abs(at - place.index))};
        if (!target || score > best) {
            target = control;
            best = score;
        }
    }
    if (!target)
        return;
    target->setFocus(Qt::OtherFocusReason);
    m_scroll->ensureWidgetVisible(target);
    SearchField *field = m_box->field();
    if (target == field) {
        // The highlighted row is told after the field, as the row the keys are on.
        m_highlighted = m_suggestionsOpen ? place.highlighted : std::nullopt;
        if (place.selectionLength == 0) {
            field->setCursorPosition(place.cursor);
        } else if (place.cursor == place.selectionStart) {
            // Selected towards the start: the caret stands at the selection's start.
            field->setSelection(place.selectionStart + place.selectionLength, -place.selectionLength);
        } else {
            field->setSelection(place.selectionStart, place.selectionLength);
        }
        if (place.searchPending && !m_model->query().trimmed().isEmpty()) {
            m_debounceQuery = m_model->query().trimmed();
            m_debounce->start();
        }
    }
    m_seen.focused = searchFocused();
    changed();
}

} // namespace quorvale
