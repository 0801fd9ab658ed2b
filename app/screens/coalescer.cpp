#include "app/screens/coalescer.h"

namespace quorvale {

Coalescer::Coalescer(std::function<void()> pass, QObject *parent)
    : QObject(parent)
    , m_pass(std::move(pass))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_pass(); });
}

void Coalescer::request()
{
    if (!m_timer.isActive())
        m_timer.start();
}

} // namespace quorvale
