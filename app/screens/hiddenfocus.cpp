#include "app/screens/hiddenfocus.h"

#include <QAccessible>
#include <QWidget>

namespace quorvale::hiddenfocus {

namespace {

QAccessible::UpdateHandler passedOn = nullptr;

void passHeard(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::Focus) {
        if (const auto *widget = qobject_cast<const QWidget *>(event->object());
            widget && !widget->isVisible())
            return;
    }
    if (passedOn) {
        passedOn(event);
        return;
    }
    // With no handler before this one the platform's bridge takes the event, which it does only while
    // no handler is installed.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(&passHeard);
}

} // namespace

void install()
{
    static const bool installed = (passedOn = QAccessible::installUpdateHandler(&passHeard), true);
    Q_UNUSED(installed)
}

} // namespace quorvale::hiddenfocus
