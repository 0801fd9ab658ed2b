#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// Gathers change notifications into one pass on a later turn of the event loop, so a screen reacts
// once to a burst of changes and never in the middle of the operation that made them.
namespace quorvale {

class Coalescer : public QObject
{
    Q_OBJECT

public:
    Coalescer(std::function<void()> pass, QObject *parent);

    // Asks for a pass; any number of requests before it runs give one pass.
    void request();
    bool pending() const { return m_timer.isActive(); }
    // Drops a pass asked for and not yet run.
    void cancel() { m_timer.stop(); }

private:
    std::function<void()> m_pass;
    QTimer m_timer;
};

} // namespace quorvale
