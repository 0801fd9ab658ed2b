#pragma once

#include "app/state/searchsuggestion.h"

#include <QAbstractListModel>
#include <QHash>
#include <optional>

// The rows of the suggestions dropdown as an item model: the suggestions in order, the row the
// keyboard highlights, and the row marked for the pointer or the keyboard. A change of marks tells
// only the rows it touches, and the same rows in the same order keep the model as it is, so a hover
// or a new highlight repaints two rows, not the list.
namespace quorvale {

class SuggestionModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role
    {
        // Whether the row is tinted for the pointer or the keyboard.
        MarkedRole = Qt::UserRole + 1,
        // Whether the row ends with the return mark as the keyboard's highlight.
        HighlightedRole,
    };

    using QAbstractListModel::QAbstractListModel;

    void setRows(const QList<SearchSuggestion> &rows);
    // The keyboard's row, and the row under the pointer by its suggestion's id; the pointer's row is
    // the marked one when there is one, otherwise the keyboard's.
    void setMarks(std::optional<int> highlighted, const std::optional<QString> &hovered);

    const SearchSuggestion &at(int row) const { return m_rows.at(row); }
    const QList<SearchSuggestion> &rows() const { return m_rows; }
    std::optional<int> rowOf(const QString &id) const;
    std::optional<int> markedRow() const { return m_marked; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void touch(std::optional<int> row);

    QList<SearchSuggestion> m_rows;
    QHash<QString, int> m_index;
    std::optional<int> m_highlighted;
    std::optional<int> m_marked;
};

} // namespace quorvale
