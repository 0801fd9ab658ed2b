#pragma once

#include "app/state/platformwebview.h"

namespace quorvale {

// A web view without a browser engine: cookies in a list, loads recorded, no page shown. Stands in
// for the embedded browser where none runs, as in headless tests of the state objects.
class MemoryWebView : public PlatformWebView
{
    Q_OBJECT

public:
    using PlatformWebView::PlatformWebView;

    QCoro::Task<QList<QNetworkCookie>> cookies() override;
    QCoro::Task<> setCookie(QNetworkCookie cookie) override;
    void load(const QUrl &url, std::chrono::milliseconds timeout) override;
    void loadBlank() override;
    QCoro::Task<> reset() override;

    QList<QNetworkCookie> storedCookies() const { return m_cookies; }
    // Pages asked for, in order; an empty address stands for an empty page.
    QList<QUrl> loads() const { return m_loads; }
    int resets() const { return m_resets; }

private:
    QList<QNetworkCookie> m_cookies;
    QList<QUrl> m_loads;
    int m_resets = 0;
};

} // namespace quorvale
