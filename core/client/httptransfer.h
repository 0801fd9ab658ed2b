#pragma once

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

class CurlMulti;

// One HTTP request through libcurl on a multi handle's connections, with its answer kept within
// bounds: the header block, the body (counted after decoding), the silence of the connection and
// the time for the whole request. When a bound or an abort ends it, its connection is closed at
// once. Redirects and cookies are left to the caller; certificates are always verified.
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
    };
    enum class Outcome
    {
        Pending,
        Complete,
        Broken,
        // The body grew past its limit.
        TooLarge
    };
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    // The whole header block, interim answers included.
    static constexpr qsizetype headLimit = 64 * 1024;
    static constexpr qsizetype fieldLimit = 128;

    HttpTransfer(CurlMulti *multi, Request request, const Limits &limits, QObject *parent);
    ~HttpTransfer() override;

    // Hands the request to libcurl; the outcome comes with finished(), never before start() has
    // returned.
    void start();
    // Ends the transfer as broken: at once, or when called from inside libcurl, as soon as libcurl
    // has returned.
    void abort();
    bool isFinished() const { return m_outcome != Outcome::Pending; }
    Outcome outcome() const { return m_outcome; }
    // Whether the answer arrived whole; only then is its body complete.
    bool succeeded() const { return m_outcome == Outcome::Complete; }

    int status() const { return m_status; }
    const Fields &fields() const { return m_fields; }
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
    void configure();
    // Bytes moved: the silence starts again. Noting it is cheap, as libcurl may call for every byte.
    void noteActivity() { m_lastActivity.start(); }
    void checkSilence();
    // libcurl has ended the transfer with this result.
    void conclude(CURLcode result);
    void finish(Outcome outcome);

    QPointer<CurlMulti> m_multi;
    Request m_request;
    Limits m_limits;
    CURL *m_easy;
    curl_slist *m_headerList = nullptr;
    QByteArray m_authorities;
    QTimer m_silence;
    QElapsedTimer m_lastActivity;
    bool m_added = false;
    bool m_headDone = false;
    bool m_tooLarge = false;
    qsizetype m_headBytes = 0;
    curl_off_t m_moved = 0;
    int m_status = 0;
    Fields m_fields;
    QByteArray m_body;
    Outcome m_outcome = Outcome::Pending;
};

} // namespace quorvale
