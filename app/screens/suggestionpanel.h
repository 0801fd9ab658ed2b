#pragma once

#include "app/state/searchsuggestion.h"

#include <QWidget>
#include <optional>

class QListView;

// The body of the suggestions dropdown: a header with the list's title and a small indicator while
// a search runs, a divider, and the scrolling list of rows or its message. The rows are an item
// model drawn by a row painter, so the list costs the same per row however long it is, and a row
// keeps its place while the list stays the same.
namespace quorvale {

class Spinner;
class SuggestionModel;
class TintedLabel;
class Tween;

// What the panel shows.
struct SuggestionContent
{
    QString title;
    bool busy = false;
    QString error;
    QList<SearchSuggestion> rows;
    std::optional<int> highlighted;
    std::optional<QString> hovered;
};

class SuggestionPanel : public QWidget
{
    Q_OBJECT

public:
    // The header's and the divider's height together.
    static constexpr int headerHeight = 37;

    explicit SuggestionPanel(QWidget *parent = nullptr);

    void setContent(const SuggestionContent &content);
    // Scrolls the highlighted row to the middle of the list.
    void scrollToHighlight();
    // Tells assistive technologies again of the highlighted row, as the one the keys work on.
    void tellHighlight();

    QListView *list() const { return m_list; }
    SuggestionModel *model() const { return m_model; }
    // Where a row is drawn, in the list's viewport; empty for a row not in the list.
    QRect rowRect(const QString &id) const;
    // The list's message instead of rows; empty while rows show.
    QString message() const;
    // What the dropdown shows, in words: its title and the number of rows, or its message.
    QString summary() const;
    TintedLabel *titleLabel() const { return m_title; }
    bool spinnerShown() const;

signals:
    void chosen(const quorvale::SearchSuggestion &suggestion);
    void rowEntered(const QString &id);
    void rowLeft(const QString &id);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pointerAt(std::optional<int> row);
    void followHighlight();
    void tellFocusBack();

    TintedLabel *m_title;
    Spinner *m_spinner;
    QListView *m_list;
    SuggestionModel *m_model;
    TintedLabel *m_message;
    std::optional<QString> m_pointed;
    std::optional<int> m_highlighted;
    // A row was last told to assistive technologies as the one the keys work on.
    bool m_rowHeard = false;
    Tween *m_scrollTween;
};

} // namespace quorvale
