#pragma once

#include "app/state/querykind.h"
#include "app/state/searchsuggestion.h"

#include <QDate>
#include <QDateTime>
#include <QPointer>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <optional>

class QScrollArea;
class QSpacerItem;
class QTimer;
class QWindow;
class QVBoxLayout;

// The screen shown while signed in: one scrolling column with the top bar, the search area with its
// floating search field, dropdown and date controls, and the results. It keeps only view state (is the
// dropdown wanted, which row is highlighted or under the pointer, are the date controls open, the
// pending debounced search); everything else it reads from the model, and every action is a call
// into the model. It reacts to the model's changes once per turn of the event loop, in a fixed order.
namespace quorvale {

class Coalescer;
class DateControls;
class ErrorCard;
class Model;
class ResultArea;
class SearchArea;
class SearchBox;
class SearchShadow;
class TintedLabel;
class TopBar;

class QueryView : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    // The model must outlive the screen; the clock says what "now" is when the moment is reset.
    explicit QueryView(Model *model, Clock clock = &QDateTime::currentDateTimeUtc, QWidget *parent = nullptr);
    ~QueryView() override;

    // The view state.
    bool showDate() const { return m_showDate; }
    bool suggestionsOpen() const { return m_suggestionsOpen; }
    std::optional<int> highlighted() const { return m_highlighted; }
    std::optional<QString> hoveredSuggestionID() const { return m_hovered; }
    bool searchFocused() const;
    // The dropdown shows: it is wanted, and there is a query or a choice of tasks.
    bool dropdownVisible() const;
    QList<SearchSuggestion> suggestions() const;
    // The debounced search waiting for a pause in typing.
    QTimer *debounceTimer() const { return m_debounce; }

    // Tells a screen reader where the keyboard is on the screen, after something else was told as the
    // focus.
    void tellFocus();

    // Closes the dropdown and ends editing of the search field, which keeps the keyboard.
    void dismissSuggestions();
    // After a person or a moment is chosen: the answer takes the keyboard as it shows.
    void showAnswer();
    // Keeps the dropdown open with the field focused after a choice that narrows the search.
    void keepSuggestionsFocused();
    // Moves the keyboard highlight one row up (-1) or down (1).
    void moveHighlight(int step);
    // Return in the field: chooses the highlighted row, or searches.
    void confirmOrSearch();
    // An explicit search that picks a single hit by itself.
    void performSearch();
    void choose(const SearchSuggestion &suggestion);

    TopBar *topBar() const { return m_topBar; }
    SearchArea *searchArea() const { return m_searchArea; }
    SearchBox *searchBox() const { return m_box; }
    DateControls *dateControls() const { return m_dateControls; }
    // None while nobody is selected.
    ResultArea *resultArea() const { return m_result; }
    // The screen's own failure card; none while the model has no error.
    ErrorCard *errorCard() const { return m_error; }
    TintedLabel *hint() const { return m_hint; }
    TintedLabel *footnote() const { return m_footnote; }

protected:
    // Tab and Shift+Tab walk the controls in reading order, top to bottom: the floating search field
    // and date controls stand between the search area and the results, though they are made after the
    // column, and the results' controls are made as they arrive.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // What the change handlers compare against.
    struct Seen
    {
        QString query;
        bool focused = false;
        qint64 suggestionPulse = 0;
        qint64 selectionPulse = 0;
        QDate day;
        QueryKind kind = QueryKind::Student;
        TeacherSearchKind teacherKind = TeacherSearchKind::Name;
        bool followNow = false;
    };

    void build();
    void buildFloating();
    // The screen's regions in reading order.
    QList<QWidget *> focusRegions() const;
    Seen observe() const;
    void pass();
    void momentPass();
    void react();
    void render();
    // What a new moment on the same day changes: the date line and controls and the result.
    void renderMoment();
    void renderCards();
    // Gives the answer the keyboard once it shows, unless the person has gone elsewhere meanwhile.
    void focusAnswer();
    // Holds the column at least as high as the window, and while a timetable loads as high as it was.
    void fitHeight();
    void place();

    void queryChanged();
    void focusChanged(bool focused);
    void runDebounced();
    void focusSearch();
    void setShowDate(bool shown);
    void openTasks();
    void reload();
    void changed();
    // A press there leaves the suggestions alone: the search field and its dropdown, the date
    // controls, the pickers (their own change closes them) and the task button.
    bool keepsSuggestions(const QWidget *widget) const;
    // The screen's empty space, where a press also closes the date controls.
    bool isBackground(const QWidget *widget) const;
    void pressed(QWidget *widget);
    void watchWindow();

    Model *m_model;
    Clock m_clock;
    Coalescer *m_pass;
    // The narrower pass for a new moment alone.
    Coalescer *m_momentPass;
    Seen m_seen;

    // Whether a person is selected, and whether nothing was searched, as the column was last laid out.
    std::optional<std::pair<bool, bool>> m_arrangement;
    bool m_showDate = false;
    bool m_appeared = false;
    bool m_suggestionsOpen = false;
    // The answer takes the keyboard as it shows.
    bool m_answerWanted = false;
    // A moment was picked while the date controls were open; as they close, the answer is next.
    bool m_momentPicked = false;
    std::optional<int> m_highlighted;
    // A highlighted row of the open list was last told to screen readers as the focus.
    bool m_rowTold = false;
    std::optional<QString> m_hovered;
    QUuid m_focusRevision = QUuid::createUuid();
    QTimer *m_debounce;
    QString m_debounceQuery;
    // The window-system window whose presses the screen watches.
    QPointer<QWindow> m_watchedWindow;

    QScrollArea *m_scroll = nullptr;
    QWidget *m_content = nullptr;
    QWidget *m_column = nullptr;
    QVBoxLayout *m_columnLayout = nullptr;
    QSpacerItem *m_topSpacer = nullptr;
    QSpacerItem *m_bottomSpacer = nullptr;
    QSpacerItem *m_endSpacer = nullptr;
    QSpacerItem *m_heightStrut = nullptr;
    // The column's height as the timetable being loaded was asked for; 0 while none loads.
    int m_heldHeight = 0;
    TopBar *m_topBar = nullptr;
    SearchArea *m_searchArea = nullptr;
    SearchShadow *m_shadow = nullptr;
    SearchBox *m_box = nullptr;
    DateControls *m_dateControls = nullptr;
    ErrorCard *m_error = nullptr;
    ResultArea *m_result = nullptr;
    TintedLabel *m_hint = nullptr;
    TintedLabel *m_footnote = nullptr;
};

} // namespace quorvale
