#pragma once

#include <QStyledItemDelegate>

// Paints one row of the suggestions dropdown: an icon by kind, the title with its subtitle, and a
// trailing mark, on a tint while the row is marked. Rows are 42 high, 58 with a subtitle, 2 apart,
// with the list's padding of 8 around them.
namespace quorvale {

class SuggestionDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int rowGap = 2;
    static constexpr int listPadding = 8;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The room around a row's own shape within its item.
    static QMargins rowMargins(const QModelIndex &index);
};

} // namespace quorvale
