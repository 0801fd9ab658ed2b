#include "app/screens/suggestionrow.h"

#include "app/look/appearance.h"
#include "app/look/glyph.h"
#include "app/look/painting.h"
#include "app/look/typography.h"
#include "app/screens/safetext.h"
#include "app/screens/suggestionlist.h"

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

} // namespace

SuggestionRow::SuggestionRow(const SearchSuggestion &suggestion, QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setSuggestion(suggestion);
}

void SuggestionRow::setSuggestion(const SearchSuggestion &suggestion)
{
    m_suggestion = suggestion;
    setFixedHeight(suggestion.subtitle().isEmpty() ? 42 : 58);
    setToolTip(safetext::toolTip(suggestionlist::rowHelp(suggestion)));
    setAccessibleName(suggestionlist::rowHelp(suggestion));
    update();
}

void SuggestionRow::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
}

void SuggestionRow::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted)
        return;
    m_highlighted = highlighted;
    update();
}

QSize SuggestionRow::sizeHint() const
{
    return {200, height()};
}

void SuggestionRow::enterEvent(QEnterEvent *event)
{
    QAbstractButton::enterEvent(event);
    emit entered(m_suggestion.id());
}

void SuggestionRow::leaveEvent(QEvent *event)
{
    QAbstractButton::leaveEvent(event);
    emit left(m_suggestion.id());
}

void SuggestionRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette &colours = palette();
    if (m_marked) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(painting::withOpacity(Appearance::accentBlue.resolve(colours), 0.085));
        painter.drawRoundedRect(QRectF(rect()), 20.0, 20.0);
    }

    const qreal middle = height() / 2.0;
    const QRectF iconBox(padding + (iconWidth - iconSide) / 2.0, middle - iconSide / 2.0, iconSide, iconSide);
    painter.fillPath(fitted(kindGlyph(m_suggestion), iconBox), Appearance::accentBlue.resolve(colours));

    const QColor secondary = Appearance::secondaryText.resolve(colours);
    const qreal trailingLeft = width() - padding - trailingSide;
    const QRectF trailingBox(trailingLeft, middle - trailingSide / 2.0, trailingSide, trailingSide);
    painter.fillPath(glyphPath(m_highlighted ? Glyph::returnKey : Glyph::chevronRight, trailingBox),
                     secondary);

    const int textLeft = padding + iconWidth + spacing;
    const int textWidth = std::max(0, int(trailingLeft) - 8 - textLeft);
    const QFont titleFont = textStyleFont(font(), TextStyle::callout, QFont::Medium);
    const QFont subtitleFont = textStyleFont(font(), TextStyle::caption);
    const QFontMetrics titleMetrics(titleFont);
    const QFontMetrics subtitleMetrics(subtitleFont);
    const QString subtitle = m_suggestion.subtitle();
    const int block = titleMetrics.height() + (subtitle.isEmpty() ? 0 : titleGap + subtitleMetrics.height());
    int top = (height() - block) / 2;

    painter.setFont(titleFont);
    painter.setPen(colours.color(QPalette::WindowText));
    painter.drawText(
        QRect(textLeft, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(suggestionlist::rowTitle(m_suggestion), Qt::ElideRight, textWidth));
    if (subtitle.isEmpty())
        return;
    top += titleMetrics.height() + titleGap;
    painter.setFont(subtitleFont);
    painter.setPen(secondary);
    painter.drawText(QRect(textLeft, top, textWidth, subtitleMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     subtitleMetrics.elidedText(subtitle, Qt::ElideRight, textWidth));
}

} // namespace quorvale
