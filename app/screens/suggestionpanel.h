#pragma once

#include "app/state/searchsuggestion.h"

#include <QHash>
#include <QWidget>
#include <optional>

class QScrollArea;
class QVBoxLayout;

// The body of the suggestions dropdown: a header with the list's title and a small indicator while
// a search runs, a divider, and the scrolling list of rows or its message. Rows are kept by their
// suggestion's id, so a row that stays in the list stays the same widget.
namespace quorvale {

class Spinner;
class SuggestionRow;
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

    QList<SuggestionRow *> rows() const;
    SuggestionRow *row(const QString &id) const { return m_rows.value(id); }
    // The list's message instead of rows; empty while rows show.
    QString message() const;
    TintedLabel *titleLabel() const { return m_title; }
    bool spinnerShown() const;

signals:
    void chosen(const quorvale::SearchSuggestion &suggestion);
    void rowEntered(const QString &id);
    void rowLeft(const QString &id);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showRows(const SuggestionContent &content);

    TintedLabel *m_title;
    Spinner *m_spinner;
    QScrollArea *m_scroll;
    QWidget *m_list;
    QVBoxLayout *m_listLayout;
    TintedLabel *m_message;
    QHash<QString, SuggestionRow *> m_rows;
    QList<SearchSuggestion> m_order;
    std::optional<int> m_highlighted;
    Tween *m_scrollTween;
};

} // namespace quorvale
