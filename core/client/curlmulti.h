#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <curl/curl.h>
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
    explicit CurlMulti(QObject *parent);
    // Ends every transfer still running, then closes the connections.
    ~CurlMulti() override;

    // The multi handle that serves every transfer of `owner`, made with its first transfer.
    static CurlMulti *of(QObject *owner);

private:
    friend class HttpTransfer;

    struct Watch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    // Called by a transfer to hand its handle to libcurl or take it back; false when libcurl refuses.
    bool add(HttpTransfer *transfer, CURL *easy);
    void remove(CURL *easy);
    CURLSH *share() const { return m_share; }
    // Whether libcurl is running one of its calls, inside which none of them may be called again.
    bool isActing() const { return m_acting; }
    // Ends the transfer as soon as libcurl's current call has returned.
    void abortAfterCall(HttpTransfer *transfer);

    static int onSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *);
    static int onTimer(CURLM *, long milliseconds, void *self);
    void watch(curl_socket_t socket, int what);
    QSocketNotifier *notifier(QSocketNotifier *current, curl_socket_t socket, bool wanted, bool reading);
    // Lets libcurl act on a socket (or on its timer, for CURL_SOCKET_TIMEOUT), then ends the
    // transfers it has finished.
    void act(curl_socket_t socket, int events);
    void concludeFinished();

    CURLM *m_multi;
    // The TLS sessions of its connections, so that a new connection resumes one.
    CURLSH *m_share;
    QTimer m_timer;
    std::unordered_map<curl_socket_t, Watch> m_watches;
    QList<QPointer<HttpTransfer>> m_transfers;
    QList<QPointer<HttpTransfer>> m_pendingAborts;
    bool m_acting = false;
};

} // namespace quorvale
