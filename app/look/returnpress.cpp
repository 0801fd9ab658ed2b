#include "app/look/returnpress.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>

namespace quorvale {

namespace {

// Presses a button it watches when Return or Enter reaches it. It watches each button itself, not
// the application: Qt's bridge to screen readers watches the application's keys first and hands them
// on later, and a key taken before it would never reach a reader.
class ButtonPresser : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || modifiers != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (!button || !button->hasFocus() || !button->isEnabled())
            return false;
        // A held key presses once.
        if (!key->isAutoRepeat())
            button->click();
        return true;
    }
};

// Hands each button that takes the focus to the presser.
class ButtonWatcher : public QObject
{
public:
    explicit ButtonWatcher(QObject *parent)
        : QObject(parent)
        , m_presser(new ButtonPresser(this))
    {
        setObjectName(name());
    }

    static QString name() { return QStringLiteral("quorvale-return-press"); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn && qobject_cast<QAbstractButton *>(watched)) {
            // Installed again, a filter only moves to the front.
            watched->installEventFilter(m_presser);
        }
        return false;
    }

private:
    ButtonPresser *m_presser;
};

} // namespace

void pressButtonsWithReturn()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || application->findChild<QObject *>(ButtonWatcher::name(), Qt::FindDirectChildrenOnly))
        return;
    application->installEventFilter(new ButtonWatcher(application));
}

} // namespace quorvale
