#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <curl/curl.h>
#include <optional>
#include <unordered_map>

class QSocketNotifier;

namespace quorvale {

class HttpTransfer;

// One libcurl multi handle driven by the Qt event loop: a socket notifier for each socket and
// direction libcurl watches, and one timer for the wake-up it asks for. Its transfers share its
// connections, TLS sessions and HTTP/2 streams; deleting it closes them all.
class CurlMulti : public QObject
{
    Q_OBJECT

public:
    // Ends every transfer still running, then closes the connections.
    ~CurlMulti() override;

    // The multi handle that serves every transfer of `owner`, made when first asked for.
    static CurlMulti *of(QObject *owner);

private:
    friend class HttpTransfer;

    explicit CurlMulti(QObject *parent);

    struct Watch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    // Called by a transfer to hand its handle to libcurl or take it back; false when libcurl refuses.
    // After a quiet longer than the transfer's bound for idle connections, counted with any time the
    // computer slept, the transfer uses none of the connections kept before it: libcurl's own count
    // of their age stops while the computer sleeps, and the network has likely forgotten them.
    bool add(HttpTransfer *transfer, CURL *easy);
    void remove(CURL *easy);
    CURLSH *share() const { return m_share; }
    // Called from inside libcurl: the transfer has news for its listeners, who hear it once libcurl's
    // call has returned, as they may end the transfer or its owner.
    void noteNews(HttpTransfer *transfer);
    // Closes the connection that leaves from this local address at once, whatever streams it still
    // carries: it is not reused, as libcurl would otherwise keep an HTTP/2 connection that failed
    // one of its transfers.
    void retire(const QByteArray &localAddress, long localPort);
    // Closes every kept connection idle since before that moment: once one of them is found
    // forgotten by the network, the others quiet as long are likely forgotten too, and a request on
    // one would only wait out its silence limit.
    void retireIdleSince(std::chrono::steady_clock::time_point moment);

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *);
    static int onTimer(CURLM *, long milliseconds, void *self);
    static int onCloseSocket(void *self, curl_socket_t socket);
    void watch(curl_socket_t socket, int what);
    QSocketNotifier *notifier(QSocketNotifier *current, curl_socket_t socket, bool wanted, bool reading);
    // Lets libcurl act on a socket (or on its timer, for CURL_SOCKET_TIMEOUT), then tells the news
    // of its transfers and ends those it has finished.
    void act(curl_socket_t socket, int events);
    void concludeFinished();
    // Notes whether the origin of a transfer answered over HTTP/1, on which nothing is shared.
    void noteProtocol(const HttpTransfer &transfer, CURL *easy);

    CURLM *m_multi;
    // The TLS sessions of its connections, so that a new connection resumes one.
    CURLSH *m_share;
    QTimer m_timer;
    std::unordered_map<curl_socket_t, Watch> m_watches;
    // Origins that answered last over HTTP/1. libcurl forgets it once it has closed every
    // connection to one, and a GET would then wait for another's handshake to learn whether it may
    // go as a stream of that connection, rather than open its own at once.
    QSet<QString> m_unshared;
    // The sockets of kept connections no transfer uses: since when, and their local port, by which a
    // descriptor libcurl closed without telling is never taken for one of them.
    struct Idle
    {
        std::chrono::steady_clock::time_point since;
        quint16 localPort;
    };
    std::unordered_map<curl_socket_t, Idle> m_idle;
    QList<QPointer<HttpTransfer>> m_transfers;
    QList<QPointer<HttpTransfer>> m_news;
    // Transfers in the multi handle, and since when none has been, on the clock that counts sleep.
    int m_running = 0;
    std::optional<std::chrono::milliseconds> m_quietSince;
};

} // namespace quorvale
