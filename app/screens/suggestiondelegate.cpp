#include "app/screens/suggestiondelegate.h"

#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/painting.h"
#include "app/look/typography.h"
#include "app/screens/suggestionlist.h"
#include "app/screens/suggestionmodel.h"

#include <QFontMetrics>
#include <QPainter>

namespace quorvale {

namespace {

constexpr int padding = 12;
constexpr int spacing = 12;
constexpr int iconWidth = 26;
constexpr int iconSide = 17;
constexpr int trailingSide = 10;
constexpr int titleGap = 4;

QPainterPath kindGlyph(const SearchSuggestion &suggestion)
{
    if (std::holds_alternative<Student>(suggestion.value))
        return glyphPath(Glyph::personCircle);
    if (std::holds_alternative<Teacher>(suggestion.value))
        return glyphPath(Glyph::personSquare);
    if (std::holds_alternative<CourseOption>(suggestion.value))
        return glyphPath(Glyph::bookClosed);
    return glyphPath(Glyph::calendar);
}

const SearchSuggestion &suggestionAt(const QModelIndex &index)
{
    return static_cast<const SuggestionModel *>(index.model())->at(index.row());
}

} // namespace

// The list's padding belongs to its first and last rows, so that it scrolls with them.
QMargins SuggestionDelegate::rowMargins(const QModelIndex &index)
{
    const int last = index.model()->rowCount() - 1;
    return {listPadding, index.row() == 0 ? listPadding : 0, listPadding,
            index.row() == last ? listPadding : rowGap};
}

QSize SuggestionDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const QMargins margins = rowMargins(index);
    return {200, suggestionlist::rowHeight(suggestionAt(index)) + margins.top() + margins.bottom()};
}

void SuggestionDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const SearchSuggestion &suggestion = suggestionAt(index);
    const QRect row = option.rect.marginsRemoved(rowMargins(index));
    const QPalette &colours = option.palette;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (index.data(SuggestionModel::MarkedRole).toBool()) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(painting::withOpacity(Appearance::accentBlue.resolve(colours), 0.085));
        painter->drawRoundedRect(QRectF(row), 20.0, 20.0);
    }

    const qreal middle = row.top() + row.height() / 2.0;
    const QRectF iconBox(row.left() + padding + (iconWidth - iconSide) / 2.0, middle - iconSide / 2.0,
                         iconSide, iconSide);
    painter->fillPath(fitted(kindGlyph(suggestion), iconBox), Appearance::accentBlue.resolve(colours));

    const QColor secondary = Appearance::secondaryText.resolve(colours);
    const qreal trailingLeft = row.right() + 1 - padding - trailingSide;
    const QRectF trailingBox(trailingLeft, middle - trailingSide / 2.0, trailingSide, trailingSide);
    const bool highlighted = index.data(SuggestionModel::HighlightedRole).toBool();
    painter->fillPath(glyphPath(highlighted ? Glyph::returnKey : Glyph::chevronRight, trailingBox),
                      secondary);

    const int textLeft = row.left() + padding + iconWidth + spacing;
    const int textWidth = std::max(0, int(trailingLeft) - 8 - textLeft);
    const QFont titleFont = textStyleFont(option.font, TextStyle::callout, QFont::Medium);
    const QFont subtitleFont = textStyleFont(option.font, TextStyle::caption);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const QString subtitle = suggestion.subtitle();
    const int block = titleMetrics.height() + (subtitle.isEmpty() ? 0 : titleGap + subtitleMetrics.height());
    int top = row.top() + (row.height() - block) / 2;

    painter->setFont(titleFont);
    painter->setPen(colours.color(QPalette::WindowText));
    painter->drawText(
        QRect(textLeft, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(suggestionlist::rowTitle(suggestion), Qt::ElideRight, textWidth));
    if (!subtitle.isEmpty()) {
        top += titleMetrics.height() + titleGap;
        painter->setFont(subtitleFont);
        painter->setPen(secondary);
        painter->drawText(QRect(textLeft, top, textWidth, subtitleMetrics.height()),
                          Qt::AlignLeft | Qt::AlignVCenter,
                          subtitleMetrics.elidedText(subtitle, Qt::ElideRight, textWidth));
    }
    painter->restore();
}

} // namespace quorvale
