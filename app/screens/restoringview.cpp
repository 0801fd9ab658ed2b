#include "app/screens/restoringview.h"

#include "app/screens/backdrop.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QWindow>

namespace quorvale {

namespace {

// While it covers, the re-sign-in is where a screen reader's attention is, though the keyboard stays
// on the screen under it: it says it is focused, as the event that told of it did.
class CoverAccessible : public QAccessibleWidget
{
public:
    explicit CoverAccessible(RestoringView *view)
        : QAccessibleWidget(view)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (static_cast<const RestoringView *>(widget())->covering())
            state.focused = true;
        return state;
    }
};

QAccessibleInterface *coverFactory(const QString &className, QObject *object)
{
    auto *view = className == QLatin1String("quorvale::RestoringView") ? qobject_cast<RestoringView *>(object)
                                                                      : nullptr;
    return view ? new CoverAccessible(view) : nullptr;
}

} // namespace

RestoringView::RestoringView(QWidget *parent)
    : ProgressView(QStringLiteral("正在重新登录…"), parent)
{
    // Before anything asks for the widget's accessible element, which is kept once made.
    static const bool accessible = (QAccessible::installFactory(&coverFactory), true);
    Q_UNUSED(accessible)
}

void RestoringView::cover()
{
    m_covering = true;
    // Nothing under it is drawn, or shows through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(parentWidget()->rect());
    parentWidget()->installEventFilter(this);
    // Ahead of the window and the widgets: keys reach the window after the input method has passed
    // them on, and the input method's text goes straight to the control that has the keyboard.
    QCoreApplication::instance()->installEventFilter(this);
    raise();
    show();
    QAccessibleEvent told(this, QAccessible::Focus);
    QAccessible::updateAccessibility(&told);
}

void RestoringView::paintEvent(QPaintEvent *event)
{
    if (m_covering)
        paintBackdrop(this, event->rect());
}

void RestoringView::handOn()
{
    QCoreApplication::instance()->removeEventFilter(this);
    std::vector<std::unique_ptr<QEvent>> typed;
    typed.swap(m_typed);
    for (const std::unique_ptr<QEvent> &event : typed) {
        // Each may move the keyboard on, as Tab does: the next goes where it is then.
        QObject *receiver = event->type() == QEvent::InputMethod
                                ? static_cast<QObject *>(window()->focusWidget())
                                : window()->windowHandle();
        if (receiver)
            QCoreApplication::sendEvent(receiver, event.get());
    }
}

bool RestoringView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize:
        if (watched == parentWidget())
            setGeometry(parentWidget()->rect());
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (watched == window()->windowHandle()) {
            m_typed.emplace_back(event->clone());
            return true;
        }
        break;
    case QEvent::InputMethod:
        if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget->window() == window()) {
            m_typed.emplace_back(event->clone());
            return true;
        }
        break;
    default:
        break;
    }
    return ProgressView::eventFilter(watched, event);
}

} // namespace quorvale
