#include "app/screens/suggestionmodel.h"

#include "app/screens/safetext.h"
#include "app/screens/suggestionlist.h"

#include <algorithm>

namespace quorvale {

void SuggestionModel::setRows(const QList<SearchSuggestion> &rows)
{
    const bool sameIds =
        rows.size() == m_rows.size() &&
        std::equal(rows.cbegin(), rows.cend(), m_rows.cbegin(),
                   [](const SearchSuggestion &a, const SearchSuggestion &b) { return a.id() == b.id(); });
    if (sameIds) {
        for (int row = 0; row < rows.size(); ++row) {
            if (!(rows.at(row) == m_rows.at(row))) {
                m_rows[row] = rows.at(row);
                touch(row);
            }
        }
        return;
    }
    beginResetModel();
    m_rows = rows;
    m_index.clear();
    m_index.reserve(rows.size());
    for (int row = 0; row < rows.size(); ++row)
        m_index.insert(rows.at(row).id(), row);
    m_highlighted.reset();
    m_marked.reset();
    endResetModel();
}

void SuggestionModel::setMarks(std::optional<int> highlighted, const std::optional<QString> &hovered)
{
    if (highlighted && (*highlighted < 0 || *highlighted >= m_rows.size()))
        highlighted.reset();
    const std::optional<int> marked = hovered ? rowOf(*hovered) : highlighted;
    const std::optional<int> oldHighlighted = std::exchange(m_highlighted, highlighted);
    const std::optional<int> oldMarked = std::exchange(m_marked, marked);
    if (oldHighlighted != highlighted) {
        touch(oldHighlighted);
        touch(highlighted);
    }
    if (oldMarked != marked) {
        touch(oldMarked);
        touch(marked);
    }
}

std::optional<int> SuggestionModel::rowOf(const QString &id) const
{
    const auto found = m_index.constFind(id);
    if (found == m_index.cend())
        return std::nullopt;
    return *found;
}

void SuggestionModel::touch(std::optional<int> row)
{
    if (!row)
        return;
    const QModelIndex changed = index(*row);
    emit dataChanged(changed, changed);
}

int SuggestionModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SuggestionModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const SearchSuggestion &suggestion = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return suggestionlist::rowTitle(suggestion);
    case Qt::ToolTipRole:
        return safetext::toolTip(suggestionlist::rowHelp(suggestion));
    case Qt::AccessibleTextRole:
        return suggestionlist::rowHelp(suggestion);
    case MarkedRole:
        return m_marked == index.row();
    case HighlightedRole:
        return m_highlighted == index.row();
    default:
        return {};
    }
}

} // namespace quorvale
