#include "app/screens/restoringview.h"

#include <QApplication>

namespace quorvale {

RestoringView::RestoringView(QWidget *parent)
    : ProgressView(QStringLiteral("正在重新登录…"), parent)
{}

bool RestoringView::event(QEvent *event)
{
    // Tab and Shift+Tab too: they go on from where the keyboard is put back.
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return ProgressView::event(event);
    m_keys.emplace_back(static_cast<QKeyEvent *>(event)->clone());
    return true;
}

void RestoringView::handOnKeys()
{
    std::vector<std::unique_ptr<QKeyEvent>> keys;
    keys.swap(m_keys);
    for (const std::unique_ptr<QKeyEvent> &key : keys) {
        // Each key may move the keyboard on, as Tab does.
        QWidget *focused = window()->focusWidget();
        if (!focused || focused == this)
            return;
        QApplication::sendEvent(focused, key.get());
    }
}

} // namespace quorvale
