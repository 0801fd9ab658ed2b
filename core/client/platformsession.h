#pragma once

#include <QByteArray>
#include <QCoroTask>
#include <QFuture>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>
#include <chrono>
#include <optional>

namespace quorvale {

class CurlMulti;
class HttpTransfer;
class SessionCookieJar;

// Time limits and TLS trust of the platform transport. The defaults are the product's; tests
// shorten the limits and trust their own certificate authority.
struct TransportSettings
{
    // Longest silence while one answer is awaited.
    std::chrono::milliseconds requestTimeout{20000};
    // Longest time for a whole request, its redirects and a second try included.
    std::chrono::milliseconds resourceTimeout{30000};
    // Longest quiet after which a kept connection is no longer used: the network may have forgotten
    // it without a word, as a NAT, a firewall or a laptop's sleep does.
    std::chrono::seconds idleConnectionLimit{60};
    // Longest time a request's bytes may go unacknowledged before its connection is taken as one the
    // network forgot, far below the silence limit; a slow platform acknowledges them at once.
    std::chrono::milliseconds unacknowledgedLimit{10000};
    // Replaces the system's TLS configuration when set; errors are never ignored either way.
    std::optional<QSslConfiguration> tls;
};

// The answer a request ended on, after the redirects the platform may follow.
struct PlatformAnswer
{
    int status = 0;
    QUrl url;
    QByteArray body;
    QByteArray date;
};

// One platform session: cookies that live only in memory, connections kept for its requests, the
// time limits and the redirect rule of the platform. A request that is not a GET goes out once, on a
// connection of its own. A connection on which a request failed is never used again; when it fell
// silent or broke as one the network forgot, neither is any kept connection idle since before that
// request. Signing out replaces the whole session, its connections with its cookies.
class PlatformSession : public QObject
{
    Q_OBJECT

public:
    PlatformSession(const QUrl &origin, const TransportSettings &settings, QObject *parent);
    // Ends the session first, so that no request waits forever on a reply deleted with it.
    ~PlatformSession() override;

    // The largest answer the platform can give: a course-table page of 20 whole student timetables,
    // a roster page of 50 students or a school's teacher list stays far below it.
    static constexpr qint64 answerLimit = 4 * 1024 * 1024;

    QList<QNetworkCookie> cookies() const;
    // Stores a cookie, replacing one of the same name, domain and path.
    void insertCookie(const QNetworkCookie &cookie);

    // Ends the session: every outstanding request fails at once and nothing more is sent.
    void invalidate();

    // Sends one request and follows redirects that stay on the platform's origin (scheme, host and
    // port); any other redirect answer is handed back as it is. Throws QuorvaleAPIError::network when
    // no whole answer arrived, the answer grew beyond answerLimit, the session ended meanwhile or the
    // time limits ran out. A request that is not a GET is never sent again; a GET whose kept
    // connection died before any byte of its answer, or fell silent, goes once more on a new
    // connection within the time left.
    static QCoro::Task<PlatformAnswer> transfer(QPointer<PlatformSession> session, QNetworkRequest request,
                                                QByteArray method, std::optional<QByteArray> body);

private:
    HttpTransfer *send(const QNetworkRequest &request, const QByteArray &method,
                       const std::optional<QByteArray> &body, std::chrono::milliseconds remaining,
                       bool newConnection, const std::optional<QUrl> &proxy);
    bool followsRedirect(const QUrl &target) const;

    QUrl m_origin;
    TransportSettings m_settings;
    SessionCookieJar *m_cookies;
    CurlMulti *m_connections;
    // The desktop's proxy for the platform, asked once for the session, at its first request.
    std::optional<QFuture<std::optional<QUrl>>> m_proxy;
    bool m_valid = true;
};

} // namespace quorvale
