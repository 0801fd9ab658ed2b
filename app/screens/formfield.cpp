#include "app/screens/formfield.h"

#include "app/look/typography.h"

#include <QHBoxLayout>
#include <QLineEdit>

namespace quorvale {

namespace {

constexpr int padding = 14;

} // namespace

FormField::FormField(const QString &placeholder, QWidget *parent)
    : Panel(10.0, paints::primary(0.045), parent)
    , m_edit(new QLineEdit(this))
{
    m_edit->setPlaceholderText(placeholder);
    // A screen reader names a field by its name alone; the placeholder only reaches it as a description.
    m_edit->setAccessibleName(placeholder);
    m_edit->setFrame(false);
    m_edit->setFont(textStyleFont(font(), TextStyle::body));
    // The field shows the card's rounded background through its own.
    QPalette clear = m_edit->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(clear);
    // The field covers the whole card and keeps its padding as text margins, so every visible pixel
    // of the card takes the click.
    m_edit->setTextMargins(padding - 2, padding - 2, padding - 2, padding - 2);
    m_edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The card takes no focus of its own, not even through the field as its proxy: a screen reader
    // would be told of two focused controls.
    layout->addWidget(m_edit);
}

} // namespace quorvale
