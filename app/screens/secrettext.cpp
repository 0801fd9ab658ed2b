#include "app/screens/secrettext.h"

#include <QAccessible>
#include <QLineEdit>
#include <QStyle>

namespace quorvale::secrettext {

namespace {

QAccessible::UpdateHandler passedOn = nullptr;

void passOn(QAccessibleEvent *event)
{
    if (passedOn) {
        passedOn(event);
        return;
    }
    // Qt's bridge is no handler: it hears what reaches the application's updates while none is
    // installed. Qt has applied a table's model change to its own elements before any handler runs,
    // and would apply it again on the way through; Qt 6.4's bridge tells nothing of it anyway.
    if (event->type() == QAccessible::TableModelChanged)
        return;
    const QAccessible::UpdateHandler current = QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(current);
}

// The field a text change is about, when it hides what is typed into it.
const QLineEdit *hidingField(const QAccessibleEvent *event)
{
    const bool textChange = event->type() == QAccessible::TextInserted ||
                            event->type() == QAccessible::TextRemoved || event->type() == QAccessible::TextUpdated;
    const auto *field = textChange ? qobject_cast<const QLineEdit *>(event->object()) : nullptr;
    return field && field->echoMode() != QLineEdit::Normal ? field : nullptr;
}

// The text as the field shows it, one echo character for each character.
QString echoed(const QLineEdit *field, const QString &text)
{
    return QString(text.size(), QChar(char16_t(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter,
                                                                         nullptr, field))));
}

void screen(QAccessibleEvent *event)
{
    const QLineEdit *field = hidingField(event);
    if (!field) {
        passOn(event);
        return;
    }
    if (field->echoMode() == QLineEdit::NoEcho)
        return;
    if (event->type() == QAccessible::TextInserted) {
        const auto *change = static_cast<const QAccessibleTextInsertEvent *>(event);
        QAccessibleTextInsertEvent told(event->object(), change->changePosition(),
                                        echoed(field, change->textInserted()));
        passOn(&told);
    } else if (event->type() == QAccessible::TextRemoved) {
        const auto *change = static_cast<const QAccessibleTextRemoveEvent *>(event);
        QAccessibleTextRemoveEvent told(event->object(), change->changePosition(), echoed(field, change->textRemoved()));
        passOn(&told);
    } else {
        const auto *change = static_cast<const QAccessibleTextUpdateEvent *>(event);
        QAccessibleTextUpdateEvent told(event->object(), change->changePosition(), echoed(field, change->textRemoved()),
                                        echoed(field, change->textInserted()));
        passOn(&told);
    }
}

} // namespace

void install()
{
    static const bool installed = (passedOn = QAccessible::installUpdateHandler(&screen), true);
    Q_UNUSED(installed)
}

} // namespace quorvale::secrettext
