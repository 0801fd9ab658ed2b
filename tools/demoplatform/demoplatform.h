#pragma once

#include "tools/demoplatform/faults.h"
#include "tools/demoplatform/httpmessage.h"
#include "tools/demoplatform/platformsessions.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSslConfiguration>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

class QTcpServer;
class QTcpSocket;

namespace quorvale::demo {

// A local stand-in of the school platform: a small HTTP/1.1 server on loopback that speaks the
// platform's envelope. Routes map a path to its handler; tests script faults per path, hold or
// delay answers, and read the log of every request that arrived.
class DemoPlatform : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;
    using Clock = std::function<QDateTime()>;
    // Milliseconds to wait before sending the answer to a request.
    using Delay = std::function<int(const HttpRequest &)>;

    explicit DemoPlatform(QObject *parent = nullptr);
    ~DemoPlatform() override;

    // Listens on 127.0.0.1; port 0 takes a free one. With a TLS configuration it speaks HTTPS only.
    bool listen(quint16 port = 0, const std::optional<QSslConfiguration> &tls = std::nullopt);
    // Stops accepting and cuts every open connection, as an unreachable platform.
    void close();
    quint16 port() const;
    QUrl origin() const;
    bool isSecure() const { return m_secure; }

    // Installs the handler of a path; the handler checks the method itself.
    void route(const QString &path, Handler handler);

    Faults &faults() { return m_faults; }
    PlatformSessions &sessions() { return m_sessions; }

    // The log keeps the latest requests, at most logEntries of them and logBytes of their targets,
    // fields and bodies together, so that a long run or a flood of large posts stays small.
    static constexpr qsizetype logEntries = 2000;
    static constexpr qsizetype logBytes = 16 * 1024 * 1024;
    QList<HttpRequest> requests() const { return m_log; }
    // CPU time spent reading and answering requests, so that a benchmark running the platform in
    // the application's own process can leave the server's share out.
    double servingMilliseconds() const { return m_servingMs; }
    QList<HttpRequest> requestsTo(const QString &path) const;
    void clearLog()
    {
        m_log.clear();
        m_logged = 0;
    }

    int heldCount() const;
    // Answers every held request as the platform would answer it now.
    void releaseHeld();

    // The platform's clock, used for its "Date" field and its sign-in checks.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    QDateTime now() const { return m_clock(); }
    void setSendsDate(bool sends) { m_sendsDate = sends; }
    void setAnswerDelay(Delay delay) { m_delay = std::move(delay); }

signals:
    void requestReceived(const QString &path);

private:
    struct Connection
    {
        QByteArray buffer;
        bool busy = false;
    };
    struct Held
    {
        QPointer<QTcpSocket> socket;
        HttpRequest request;
    };

    void accept();
    void readFrom(QTcpSocket *socket);
    void processNext(QTcpSocket *socket);
    HttpResponse answer(const HttpRequest &request);
    void deliver(QTcpSocket *socket, const HttpRequest &request, HttpResponse response);
    void write(QTcpSocket *socket, HttpResponse response);
    void log(const HttpRequest &request);
    void installSignInRoutes();

    std::unique_ptr<QTcpServer> m_server;
    bool m_secure = false;
    QHash<QString, Handler> m_routes;
    QHash<QTcpSocket *, Connection> m_connections;
    QList<Held> m_held;
    QList<HttpRequest> m_log;
    qsizetype m_logged = 0;
    Faults m_faults;
    PlatformSessions m_sessions;
    Clock m_clock;
    Delay m_delay;
    bool m_sendsDate = true;
    double m_servingMs = 0.0;
};

// The platform's envelope: "state" 0 and the payload in "data".
HttpResponse envelope(const QJsonValue &data);
// A refusal envelope with its code and message.
HttpResponse refusal(qint64 state, const QString &message);
// "Sun, 06 Nov 1994 08:49:37 GMT".
QByteArray httpDate(const QDateTime &moment);

} // namespace quorvale::demo
