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
    // of their age stops while the computer sleeps, and the network has likely forgotten them. Nor
    // does it use one idle since before a kept connection was found forgotten, or one kept from
    // before the computer's network changed.
    bool add(HttpTransfer *transfer, CURL *easy);
    void remove(CURL *easy);
    CURLSH *share() const { return m_share; }
    // Called from inside libcurl: the transfer has news for its listeners, who hear it once libcurl's
    // call has returned, as they may end the transfer or its owner.
    void noteNews(HttpTransfer *transfer);
    // Closes the connection that leaves from this local address at once, whatever streams it still
    // carries: libcurl would otherwise keep an HTTP/2 connection the network failed under one of its
    // streams, and put the next transfers on it.
    void retire(const QByteArray &localAddress, long localPort);
    // From now on no transfer takes a kept connection idle since before that moment: once one of them
    // is found forgotten by the network, the others quiet as long are likely forgotten too, and a
    // request on one would only wait out its silence limit.
    void distrustIdleSince(std::chrono::steady_clock::time_point moment);

    // A connection libcurl opened, known by its descriptor and the count of them opened before.
    struct Opened
    {
        curl_socket_t socket = CURL_SOCKET_BAD;
        quint64 serial = 0;
    };
    // Bounds the time bytes sent on the connection leaving from this local address may go
    // unacknowledged, until every transfer that asked for the bound has let it go.
    std::optional<Opened> bindUnacknowledged(const QByteArray &localAddress, long localPort,
                                             std::chrono::milliseconds bound);
    void releaseUnacknowledged(const Opened &connection);

    // Whether the kernel told of an address or a default route that came or went since last asked:
    // on a new network, kept connections lead nowhere.
    bool networkChanged();

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *);
    static int onTimer(CURLM *, long milliseconds, void *self);
    static curl_socket_t onOpenSocket(void *self, curlsocktype, curl_sockaddr *address);
    static int onCloseSocket(void *self, curl_socket_t socket);
    // The connection libcurl opened that leaves from this local address, if it is still open.
    std::optional<Opened> connectionFrom(const QByteArray &localAddress, long localPort) const;
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
    // The sockets libcurl opened through this multi handle and has not closed: only these are ever
    // acted on, as a descriptor may be anyone's once libcurl has let it go (its resolver's own, for
    // one, it closes without telling).
    struct Connection
    {
        quint64 serial;
        // Transfers that bound the time its bytes may go unacknowledged, and whether it was shut
        // down for libcurl to read closed.
        int bounding = 0;
        bool retiring = false;
    };
    std::unordered_map<curl_socket_t, Connection> m_connections;
    quint64 m_opened = 0;
    // The kernel's news of addresses and routes, if it gives them.
    int m_network = -1;
    // Kept connections idle since before this moment are not used.
    std::optional<std::chrono::steady_clock::time_point> m_distrustedBefore;
    QList<QPointer<HttpTransfer>> m_transfers;
    QList<QPointer<HttpTransfer>> m_news;
    // Transfers in the multi handle, and since when none has been, on the clock that counts sleep.
    int m_running = 0;
    std::optional<std::chrono::milliseconds> m_quietSince;
};

} // namespace quorvale
