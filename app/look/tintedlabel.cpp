#include "app/look/tintedlabel.h"

#include "app/look/painting.h"

#include <QEvent>

namespace quorvale {

TintedLabel::TintedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    applyTint();
}

TintedLabel::TintedLabel(const QString &text, const QFont &font, QWidget *parent)
    : TintedLabel(parent)
{
    setFont(font);
    setText(text);
}

void TintedLabel::setTint(const AdaptiveColor &token, qreal opacity)
{
    if (m_token == token && m_opacity == opacity)
        return;
    m_token = token;
    m_opacity = opacity;
    applyTint();
}

void TintedLabel::setPrimary(qreal opacity)
{
    if (!m_token && m_opacity == opacity)
        return;
    m_token.reset();
    m_opacity = opacity;
    applyTint();
}

QColor TintedLabel::tint() const
{
    return palette().color(QPalette::WindowText);
}

int TintedLabel::heightForWidth(int width) const
{
    // Layouts ask a word-wrapped label its height for the same few widths many times in one pass, and
    // QLabel lays its text out anew for each question; a selectable one repaints as well.
    const Wrapping wrapping{text(),   font(),   devicePixelRatio(), contentsMargins(),
                            margin(), indent(), alignment(),        wordWrap()};
    // The widths of one resize; a drag brings new ones at every step.
    constexpr qsizetype widthsKept = 8;
    if (m_wrapping != wrapping || m_heights.size() >= widthsKept) {
        m_wrapping = wrapping;
        m_heights.clear();
    }
    if (const auto known = m_heights.constFind(width); known != m_heights.cend())
        return *known;
    const int height = QLabel::heightForWidth(width);
    m_heights.insert(width, height);
    return height;
}

void TintedLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange)
        applyTint();
}

void TintedLabel::applyTint()
{
    // Setting the colour sends a palette change of its own.
    if (m_applying)
        return;
    m_applying = true;
    const bool dark = painting::darkAround(this);
    const QWidget *source = parentWidget() ? parentWidget() : this;
    const QColor base = m_token ? m_token->resolve(dark) : source->palette().color(QPalette::WindowText);
    QPalette own = palette();
    own.setColor(QPalette::WindowText, painting::withOpacity(base, m_opacity));
    setPalette(own);
    m_applying = false;
}

} // namespace quorvale
