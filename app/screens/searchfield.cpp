#include "app/screens/searchfield.h"

#include "app/look/typography.h"

#include <QKeyEvent>

namespace quorvale {

SearchField::SearchField(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setFont(textStyleFont(font(), TextStyle::title3));
    // The shared background of field and dropdown shows through.
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    setPalette(clear);
}

void SearchField::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Down:
        emit stepped(1);
        break;
    case Qt::Key_Up:
        emit stepped(-1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit confirmed();
        break;
    case Qt::Key_Escape:
        emit escaped();
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void SearchField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    emit focusMoved();
}

void SearchField::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    emit focusMoved();
}

} // namespace quorvale
