#pragma once

#include "core/client/answerhead.h"
#include "core/client/curlmulti.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <coroutine>
#include <curl/curl.h>
#include <optional>
#include <utility>

namespace quorvale {

// One HTTP request through libcurl on a multi handle's connections, with its answer kept within
// bounds: the header block, the body (counted after decoding), the silence of the connection and
// the time for the whole request. When its connection falls silent before any byte of the answer,
// that connection is closed at once and never used again, other HTTP/2 streams on it included; any
// other end leaves the connection to the other streams on it.
// Redirects and cookies are left to the caller; certificates are always verified.
class HttpTransfer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QUrl url;
        QByteArray method;
        QList<std::pair<QByteArray, QByteArray>> fields;
        std::optional<QByteArray> body;
        // The desktop's proxy for the address, in libcurl's form; without it libcurl follows the
        // environment's proxy variables. Loopback and the environment's no_proxy hosts go direct.
        std::optional<QUrl> proxy;
    };
    // The slowest average a body may arrive at, over a span of that many seconds.
    struct Pace
    {
        long bytesPerSecond;
        std::chrono::seconds over;
    };
    struct Limits
    {
        // Longest silence of the connection.
        std::chrono::milliseconds silence;
        // Longest time for the whole request, if any.
        std::optional<std::chrono::milliseconds> total;
        qint64 bodyLimit;
        // Replaces the system's certificate authorities of an https request with its own.
        std::optional<QSslConfiguration> tls;
        // The request ends when its answer arrives slower than this, if set.
        std::optional<Pace> slowest;
        // Longest quiet after which a kept connection is no longer trusted: a NAT, a firewall or a
        // laptop's sleep may have forgotten it without a word.
        std::chrono::seconds idleConnection{60};
        // Longest time bytes sent may go unacknowledged by the peer's TCP before their connection
        // fails, as on one the network forgot, for a GET on a kept connection until the first byte
        // of its answer: only there does a retry cover the loss. A slow server acknowledges a request
        // at once and answers later, so it is unaffected; a lossy Wi-Fi's retransmissions take a few
        // seconds at most, and the GET still has the time to go again.
        std::chrono::milliseconds unacknowledged{10000};
    };
    enum class Outcome
    {
        Pending,
        Complete,
        Broken,
        // The body grew past its limit.
        TooLarge
    };
    using Fields = AnswerHead::Fields;

    HttpTransfer(CurlMulti *multi, Request request, const Limits &limits, QObject *parent);
    ~HttpTransfer() override;

    // Sends the request on no connection kept idle from before, but on a new one, which it shares with
    // others sent meanwhile; called before start().
    void useNewConnection();
    // Hands the request to libcurl; the outcome comes with finished(), never before start() has
    // returned.
    void start();
    // Ends the transfer as broken, at once.
    void abort();
    bool isFinished() const { return m_outcome != Outcome::Pending; }
    Outcome outcome() const { return m_outcome; }
    // Whether the answer arrived whole; only then is its body complete.
    bool succeeded() const { return m_outcome == Outcome::Complete; }
    // Whether a GET that failed may go once more on a new connection: the kept connection it went
    // on gave no byte of an answer or fell silent, as one the network forgot does, or its connection
    // broke or the server refused its stream before any byte of an answer.
    bool mayRetry() const;

    int status() const { return m_head.status(); }
    const Fields &fields() const { return m_head.fields(); }
    // The value of the first field of that name, ignoring case; empty when there is none.
    QByteArray field(QByteArrayView name) const;
    QList<QByteArray> fieldValues(QByteArrayView name) const;
    const QByteArray &body() const { return m_body; }
    // Where a redirect answer leads, resolved against the request; nothing for other answers or
    // one without a valid "Location".
    std::optional<QUrl> redirectTarget() const;

    // Awaits the end of the transfer, resuming the waiter the moment it ends (a queued resumption
    // would never come once the owner and its transfers are gone).
    struct Ending
    {
        HttpTransfer *transfer;
        bool await_ready() const noexcept { return transfer->isFinished(); }
        void await_suspend(std::coroutine_handle<> waiter) const
        {
            connect(
                transfer, &HttpTransfer::finished, transfer, [waiter] { waiter.resume(); },
                Qt::SingleShotConnection);
        }
        void await_resume() const noexcept {}
    };
    Ending ending() { return Ending{this}; }

signals:
    // The status and the fields of the final answer are known; its body may still be on its way.
    // Like bodyGrew(), it is told once libcurl has returned, so a listener may end the transfer.
    void headArrived();
    // More of the body has arrived; body() holds all of it so far.
    void bodyGrew();
    void finished();

private:
    friend class CurlMulti;

    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent);
    bool readHeaderLine(QByteArrayView line);
    // Tells the listeners what libcurl's last call brought.
    void tellNews();
    void configure();
    // Bytes moved: the silence starts again. Noting it is cheap, as libcurl may call for every byte.
    void noteActivity() { m_lastActivity.start(); }
    // Ends the transfer when the connection has been silent too long or the whole time is up.
    void checkLimits();
    // libcurl has ended the transfer with this result.
    void conclude(CURLcode result);
    void finish(Outcome outcome);
    bool nothingAnswered() const;
    bool wentOnKeptConnection() const;
    // Whether the kept connection it went on gave no byte of an answer or fell silent.
    bool keptConnectionDied() const;
    // Whether libcurl ended it as its connection broke or the server would not take its stream.
    bool connectionFailed() const;
    // Called from inside libcurl: once a GET is on a kept connection and has no answer yet, bounds
    // the time its bytes may go unacknowledged, until the answer begins or the transfer ends.
    void boundUnacknowledged();
    void releaseUnacknowledged();
    // Closes the connection of a transfer that failed, so that nothing goes on it again.
    void retireConnection();

    QPointer<CurlMulti> m_multi;
    Request m_request;
    Limits m_limits;
    CURL *m_easy;
    curl_slist *m_headerList = nullptr;
    QByteArray m_authorities;
    // Wakes when the connection may have been silent too long or the whole time may be up.
    QTimer m_limitTimer;
    QElapsedTimer m_lastActivity;
    QElapsedTimer m_started;
    bool m_added = false;
    bool m_tooLarge = false;
    bool m_wentSilent = false;
    // What libcurl ended it with.
    CURLcode m_failure = CURLE_OK;
    bool m_newConnection = false;
    // The local port of the connection last looked at, and the bound set on it, if any.
    long m_boundPort = 0;
    std::optional<CurlMulti::Opened> m_bound;
    // News noted inside libcurl, told once its call has returned.
    bool m_headNews = false;
    bool m_bodyNews = false;
    curl_off_t m_moved = 0;
    AnswerHead m_head;
    QByteArray m_body;
    Outcome m_outcome = Outcome::Pending;
};

} // namespace quorvale
