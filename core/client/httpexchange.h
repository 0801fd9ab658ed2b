#pragma once

#include "core/client/answerreader.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QSslConfiguration>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <coroutine>
#include <optional>
#include <utility>

class QTcpSocket;

namespace quorvale {

// One request on a connection of its own. The request is written once and never again, whatever
// becomes of the connection; its answer is read within the reader's bounds; and the connection is
// closed as soon as the answer is whole, broken, too large or late, so nothing of it runs on after.
class HttpExchange : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QUrl url;
        QByteArray method;
        QList<std::pair<QByteArray, QByteArray>> fields;
        std::optional<QByteArray> body;
    };
    struct Limits
    {
        // Longest silence of the connection.
        std::chrono::milliseconds silence;
        // Longest time for the whole exchange.
        std::chrono::milliseconds total;
        qint64 bodyLimit;
        // Replaces the system's TLS configuration of an https request.
        std::optional<QSslConfiguration> tls;
    };

    HttpExchange(const Request &request, const Limits &limits, QObject *parent);

    // Connects and sends; the outcome comes with finished(), never before start() has returned.
    void start();
    // Ends the exchange at once as broken.
    void abort();
    bool isFinished() const { return m_outcome != AnswerReader::State::Reading; }
    // Whether the answer arrived whole; only then is its body complete.
    bool succeeded() const { return m_outcome == AnswerReader::State::Complete; }
    const AnswerReader &answer() const { return m_answer; }

    // Awaits the end of the exchange, resuming the waiter the moment it ends (a queued resumption
    // would never come once the session and its exchanges are gone).
    struct Ending
    {
        HttpExchange *exchange;
        bool await_ready() const noexcept { return exchange->isFinished(); }
        void await_suspend(std::coroutine_handle<> waiter) const
        {
            connect(exchange, &HttpExchange::finished, exchange, [waiter] { waiter.resume(); },
                    Qt::SingleShotConnection);
        }
        void await_resume() const noexcept {}
    };
    Ending ending() { return Ending{this}; }

signals:
    // The status and the fields of the answer are known; its body may still be on its way.
    void headArrived();
    void finished();

private:
    // The request as it goes on the wire: the request line, "Host", the fields given, the length of
    // the body and "Connection: close", then the body.
    static QByteArray serialize(const Request &request);
    void send();
    void drain();
    void progress();
    void ended();
    // The connection has ended: the answer is whole only when that end was its frame.
    void concludeAtEnd();
    void finish(AnswerReader::State state);

    Request m_request;
    Limits m_limits;
    AnswerReader m_answer;
    QTcpSocket *m_socket;
    QTimer m_silence;
    QTimer m_total;
    bool m_headSeen = false;
    bool m_draining = false;
    bool m_failed = false;
    AnswerReader::State m_outcome = AnswerReader::State::Reading;
};

} // namespace quorvale
