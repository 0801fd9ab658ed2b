#include "app/state/memorywebview.h"

namespace quorvale {

QCoro::Task<QList<QNetworkCookie>> MemoryWebView::cookies()
{
    // A copy: g++ 12 moves from a member named in co_return.
    const QList<QNetworkCookie> cookies = m_cookies;
    co_return cookies;
}

QCoro::Task<> MemoryWebView::setCookie(QNetworkCookie cookie)
{
    m_cookies.removeIf([&cookie](const QNetworkCookie &stored) { return stored.hasSameIdentifier(cookie); });
    m_cookies.append(cookie);
    co_return;
}

void MemoryWebView::load(const QUrl &url, std::chrono::milliseconds)
{
    m_loads.append(url);
}

void MemoryWebView::loadBlank()
{
    m_loads.append(QUrl());
}

QCoro::Task<> MemoryWebView::reset()
{
    m_cookies.clear();
    ++m_resets;
    co_return;
}

} // namespace quorvale
