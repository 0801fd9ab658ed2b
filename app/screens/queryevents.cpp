// The query screen's reactions to the model and to the focus, and its operations on the dropdown.

#include "app/screens/coalescer.h"
#include "app/screens/detached.h"
#include "app/screens/queryview.h"
#include "app/screens/resultarea.h"
#include "app/screens/searchbox.h"
#include "app/screens/searchfield.h"
#include "app/screens/suggestionlist.h"
#include "app/state/model.h"
#include "core/base/shanghai.h"

#include <QKeyEvent>
#include <QTimer>

namespace quorvale {

QueryView::Seen QueryView::observe() const
{
    return {m_model->query(),
            searchFocused(),
            m_model->suggestionPulse(),
            m_model->selectionPulse(),
            shanghai::dateOf(m_model->date()),
            m_model->queryKind(),
            m_model->teacherSearchKind(),
            m_model->followNow()};
}

// The change handlers, in their fixed order. Each compares with what the last pass saw and reads the
// current values itself; what a handler changes is seen by the next pass.
void QueryView::react()
{
    const Seen now = observe();
    if (now.query != m_seen.query) {
        m_seen.query = now.query;
        queryChanged();
    }
    if (now.focused != m_seen.focused) {
        m_seen.focused = now.focused;
        focusChanged(now.focused);
    }
    if (now.suggestionPulse != m_seen.suggestionPulse) {
        m_seen.suggestionPulse = now.suggestionPulse;
        m_highlighted.reset();
        if (searchFocused())
            m_suggestionsOpen = true;
    }
    if (now.selectionPulse != m_seen.selectionPulse) {
        m_seen.selectionPulse = now.selectionPulse;
        // A search that picked its single hit by itself: the person's task goes on at the answer.
        const bool searched = searchFocused();
        dismissSuggestions();
        if (searched)
            showAnswer();
    }
    // Only a new day reloads: a new time on the same day changes the answer, which is worked out
    // from the loaded day whenever it is read.
    if (now.day != m_seen.day) {
        m_seen.day = now.day;
        dismissSuggestions();
        m_model->dateChanged();
    }
    // Either picker: a new kind of search starts from nothing.
    if (now.kind != m_seen.kind || now.teacherKind != m_seen.teacherKind) {
        m_seen.kind = now.kind;
        m_seen.teacherKind = now.teacherKind;
        dismissSuggestions();
        m_model->resetSearch();
    }
    if (now.followNow != m_seen.followNow) {
        m_seen.followNow = now.followNow;
        if (m_model->followNow())
            m_model->setDate(m_clock());
    }
}

void QueryView::queryChanged()
{
    m_debounce->stop();
    m_highlighted.reset();
    m_model->queryEdited();
    const QString trimmed = m_model->query().trimmed();
    const bool searching = searchFocused() && !trimmed.isEmpty();
    m_suggestionsOpen = searching;
    if (searching) {
        m_debounceQuery = trimmed;
        m_debounce->start();
    }
    changed();
}

void QueryView::runDebounced()
{
    // The model searches only for a signed-in client: a pause in the typing during a re-sign-in
    // waits for it to end.
    if (m_model->client()->phase() == SessionPhase::Restoring) {
        m_debounce->start();
        return;
    }
    if (!searchFocused() || m_model->query().trimmed() != m_debounceQuery)
        return;
    detach(m_model->searchLive(false, true));
}

void QueryView::focusChanged(bool focused)
{
    if (!focused) {
        m_suggestionsOpen = false;
        m_highlighted.reset();
        m_debounce->stop();
    } else {
        setShowDate(false);
        m_suggestionsOpen =
            !m_model->query().isEmpty() || m_model->suggestionStage() == SuggestionStage::Tasks;
    }
    changed();
}

bool QueryView::searchFocused() const
{
    // The window's focus widget, not the application's: the field stays focused while the window is
    // in the background or a menu is open.
    const SearchField *field = m_box->field();
    return field->window()->focusWidget() == field;
}

void QueryView::focusSearch()
{
    m_box->field()->setFocus(Qt::OtherFocusReason);
    changed();
}

void QueryView::setShowDate(bool shown)
{
    if (shown == m_showDate)
        return;
    m_showDate = shown;
    changed();
}

void QueryView::dismissSuggestions()
{
    m_focusRevision = QUuid::createUuid();
    m_debounce->stop();
    m_suggestionsOpen = false;
    m_highlighted.reset();
    m_hovered.reset();
    if (searchFocused()) {
        // Editing ends with the caret after the text and nothing selected. The field keeps the
        // keyboard: a window with nothing focused loses what is typed next, and a screen reader would
        // be told of a focus that no control holds. Where the person's task goes on elsewhere, the
        // caller moves the focus there.
        SearchField *field = m_box->field();
        field->deselect();
        field->setCursorPosition(int(field->text().size()));
    }
    changed();
}

void QueryView::showAnswer()
{
    m_answerWanted = true;
    changed();
}

void QueryView::keepSuggestionsFocused()
{
    const QUuid token = QUuid::createUuid();
    m_focusRevision = token;
    m_suggestionsOpen = true;
    changed();
    // After the updates already queued; a dismissal in between wins.
    QTimer::singleShot(0, this, [this, token] {
        if (m_focusRevision != token)
            return;
        focusSearch();
        m_suggestionsOpen = true;
        changed();
    });
}

void QueryView::moveHighlight(int step)
{
    m_hovered.reset();
    m_suggestionsOpen = true;
    changed();
    const qsizetype count = suggestions().size();
    if (count == 0)
        return;
    m_highlighted = suggestionlist::movedHighlight(m_highlighted, step, int(count));
}

void QueryView::confirmOrSearch()
{
    const QList<SearchSuggestion> rows = suggestions();
    if (m_suggestionsOpen && m_highlighted && *m_highlighted >= 0 && *m_highlighted < rows.size() &&
        !m_model->busy()) {
        choose(rows.at(*m_highlighted));
        return;
    }
    performSearch();
}

void QueryView::performSearch()
{
    m_debounce->stop();
    m_highlighted.reset();
    focusSearch();
    m_suggestionsOpen = true;
    changed();
    detach(m_model->searchLive(true, true));
}

void QueryView::choose(const SearchSuggestion &suggestion)
{
    m_debounce->stop();
    m_highlighted.reset();
    changed();
    if (const auto *student = std::get_if<Student>(&suggestion.value)) {
        m_model->select(*student);
        dismissSuggestions();
        showAnswer();
    } else if (const auto *teacher = std::get_if<Teacher>(&suggestion.value)) {
        m_model->selectTeacher(*teacher);
        dismissSuggestions();
        showAnswer();
    } else if (const auto *course = std::get_if<CourseOption>(&suggestion.value)) {
        m_model->chooseCourse(*course);
        keepSuggestionsFocused();
    } else if (const auto *task = std::get_if<CourseTaskOption>(&suggestion.value)) {
        m_model->chooseTask(*task);
        if (m_model->queryKind() == QueryKind::Teacher) {
            keepSuggestionsFocused();
        } else {
            dismissSuggestions();
            showAnswer();
        }
    }
}

void QueryView::openTasks()
{
    focusSearch();
    m_suggestionsOpen = true;
    changed();
}

void QueryView::reload()
{
    dismissSuggestions();
    detach(m_model->loadSchedule(m_model->chosenTaskID()));
}

void QueryView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        dismissSuggestions();
    else
        QWidget::keyPressEvent(event);
}

void QueryView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        m_debounce->stop();
}

} // namespace quorvale
