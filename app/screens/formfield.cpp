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
    m_edit->setFrame(false);
    m_edit->setFont(textStyleFont(font(), TextStyle::body));
    // The field shows the card's rounded background through its own.
    QPalette clear = m_edit->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    m_edit->setPalette(clear);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(padding - 2, padding - 2, padding - 2, padding - 2);
    layout->addWidget(m_edit);
    setFocusProxy(m_edit);
}

} // namespace quorvale
