#include "app/web/enginewebview.h"

#include <QAccessible>
#include <QTimer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace quorvale {

namespace {

// On Linux the engine builds the page's tree for assistive technologies only when this is set
// before it starts; without it a reader finds the page empty and its inputs nameless.
const char *const linuxAccessibilityVariable = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";

} // namespace

EngineWebView::EngineWebView(QObject *parent)
    : PlatformWebView(parent)
    , m_limit(new QTimer(this))
{
    m_limit->setSingleShot(true);
    connect(m_limit, &QTimer::timeout, this, &EngineWebView::timedOut);
}

EngineWebView::~EngineWebView()
{
    discard();
}

QWebEnginePage *EngineWebView::page()
{
    if (m_page)
        return m_page;
    // Asked for only while assistive technology listens, so nobody else pays for the tree.
    if (QAccessible::isActive() && !qEnvironmentVariableIsSet(linuxAccessibilityVariable))
        qputenv(linuxAccessibilityVariable, "1");
    // No storage name: an off-the-record profile that writes nothing to disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QWebEngineCookieStore *store = m_profile->cookieStore();
    connect(store, &QWebEngineCookieStore::cookieAdded, this, &EngineWebView::remember);
    connect(store, &QWebEngineCookieStore::cookieRemoved, this, &EngineWebView::forget);

    m_page = new QWebEnginePage(m_profile, this);
    connect(m_page, &QWebEnginePage::loadStarted, this, &PlatformWebView::loadStarted);
    connect(m_page, &QWebEnginePage::loadFinished, this, &EngineWebView::loadEnded);
    return m_page;
}

QCoro::Task<QList<QNetworkCookie>> EngineWebView::cookies()
{
    const QList<QNetworkCookie> cookies = m_cookies;
    co_return cookies;
}

QCoro::Task<> EngineWebView::setCookie(QNetworkCookie cookie)
{
    page();
    m_profile->cookieStore()->setCookie(cookie);
    // The store reports the cookie later; the page's requests already see it, so it counts now.
    remember(cookie);
    co_return;
}

void EngineWebView::load(const QUrl &url, std::chrono::milliseconds timeout)
{
    QWebEnginePage *target = page();
    m_limit->start(timeout);
    target->load(url);
}

void EngineWebView::loadBlank()
{
    // A page that was never made is blank already.
    if (!m_page)
        return;
    m_limit->stop();
    m_page->setHtml(QString());
}

QCoro::Task<> EngineWebView::reset()
{
    discard();
    co_return;
}

QWidget *EngineWebView::createView(QWidget *parent)
{
    auto *view = new QWebEngineView(parent);
    view->setPage(page());
    return view;
}

void EngineWebView::remember(const QNetworkCookie &cookie)
{
    forget(cookie);
    m_cookies.append(cookie);
}

void EngineWebView::forget(const QNetworkCookie &cookie)
{
    m_cookies.removeIf([&cookie](const QNetworkCookie &kept) { return kept.hasSameIdentifier(cookie); });
}

void EngineWebView::loadEnded(bool ok)
{
    m_limit->stop();
    if (ok)
        emit loadFinished();
    else
        emit loadFailed();
}

void EngineWebView::timedOut()
{
    if (m_page)
        m_page->triggerAction(QWebEnginePage::Stop);
    emit loadFailed();
}

void EngineWebView::discard()
{
    m_limit->stop();
    m_cookies.clear();
    // A page must go before its profile.
    delete m_page;
    m_page = nullptr;
    delete m_profile;
    m_profile = nullptr;
}

} // namespace quorvale
