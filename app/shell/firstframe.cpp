#include "app/shell/firstframe.h"

#include <QEvent>
#include <QTimer>
#include <QWindow>

namespace quorvale {

namespace {

class FirstExpose : public QObject
{
public:
    FirstExpose(QWindow *window, std::function<void()> then)
        : QObject(window)
        , m_window(window)
        , m_then(std::move(then))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Expose && m_window->isExposed()) {
            m_window->removeEventFilter(this);
            QTimer::singleShot(0, m_window, std::move(m_then));
            deleteLater();
        }
        return false;
    }

private:
    QWindow *m_window;
    std::function<void()> m_then;
};

} // namespace

void afterFirstFrame(QWidget *window, std::function<void()> then)
{
    new FirstExpose(window->windowHandle(), std::move(then));
}

} // namespace quorvale
