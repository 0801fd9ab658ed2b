#pragma once

#include "app/state/platformwebview.h"

#include <QPointer>

class QTimer;
class QWebEngineCookieStore;
class QWebEnginePage;
class QWebEngineProfile;

namespace quorvale {

// The web view of the web sign-in on Qt WebEngine: one page in an off-the-record profile, so pages,
// cookies and caches stay in memory. Profile and page cost a browser process and much memory, so
// they are made on first need, not when the application starts.
class EngineWebView : public PlatformWebView
{
    Q_OBJECT

public:
    explicit EngineWebView(QObject *parent = nullptr);
    ~EngineWebView() override;

    QCoro::Task<QList<QNetworkCookie>> cookies() override;
    QCoro::Task<> setCookie(QNetworkCookie cookie) override;
    void load(const QUrl &url, std::chrono::milliseconds timeout) override;
    void loadBlank() override;
    QCoro::Task<> reset() override;
    QWidget *createView(QWidget *parent) override;

    // The page, made now if there is none yet.
    QWebEnginePage *page();
    // Whether the browser profile and page were made.
    bool isCreated() const { return m_page != nullptr; }

private:
    void remember(const QNetworkCookie &cookie);
    void forget(const QNetworkCookie &cookie);
    void loadEnded(bool ok);
    void timedOut();
    void discard();

    QWebEngineProfile *m_profile = nullptr;
    QWebEnginePage *m_page = nullptr;
    // The cookie store tells of every change but cannot list its cookies, so they are kept here.
    QList<QNetworkCookie> m_cookies;
    QTimer *m_limit;
};

} // namespace quorvale
