#include "tools/demoplatform/demoplatform.h"

#include <QJsonObject>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <array>
#include <memory>
#include <sys/socket.h>
#include <time.h>

namespace quorvale::demo {

namespace {

double threadMilliseconds()
{
    timespec spent{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &spent);
    return double(spent.tv_sec) * 1e3 + double(spent.tv_nsec) / 1e6;
}

// Adds the thread's CPU time from its making to its end to a total.
class ThreadTime
{
public:
    explicit ThreadTime(double &total)
        : m_total(total)
        , m_start(threadMilliseconds())
    {}
    ~ThreadTime() { m_total += threadMilliseconds() - m_start; }
    ThreadTime(const ThreadTime &) = delete;
    ThreadTime &operator=(const ThreadTime &) = delete;

private:
    double &m_total;
    double m_start;
};

// Never more than this waits in a connection's send buffer while a flood is written.
constexpr qint64 floodBuffer = 1024 * 1024;

qsizetype loggedSize(const HttpRequest &request)
{
    qsizetype size = request.target.size() + request.body.size();
    for (const auto &[name, value] : request.headers)
        size += name.size() + value.size();
    return size;
}

// Writes a flood's pieces whenever the connection has drained, so that only a little of it is ever
// held here, and closes the connection after its tail.
void flood(QTcpSocket *socket, const Faults::Fault &fault)
{
    socket->write(fault.bytes);
    auto left = std::make_shared<qint64>(fault.repeats);
    const qint64 perBlock = std::max<qint64>(1, 64 * 1024 / std::max<qsizetype>(1, fault.fill.size()));
    const auto refill = [socket, left, perBlock, fill = fault.fill, tail = fault.tail] {
        while (*left > 0 && socket->bytesToWrite() < floodBuffer) {
            const qint64 count = std::min(*left, perBlock);
            socket->write(fill.repeated(count));
            *left -= count;
        }
        if (*left == 0) {
            *left = -1;
            socket->write(tail);
            socket->disconnectFromHost();
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

} // namespace

DemoPlatform::DemoPlatform(QObject *parent)
    : QObject(parent)
    , m_clock(&QDateTime::currentDateTimeUtc)
{
    m_sessions.setClock([this] { return now(); });
    installSignInRoutes();
}

DemoPlatform::~DemoPlatform()
{
    close();
}

bool DemoPlatform::listen(quint16 port, const std::optional<QSslConfiguration> &tls)
{
    close();
    if (tls) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(*tls);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    m_secure = tls.has_value();
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &DemoPlatform::accept);
    return m_server->listen(QHostAddress::LocalHost, port);
}

void DemoPlatform::close()
{
    if (!m_server)
        return;
    m_server->close();
    const QList<QTcpSocket *> sockets = m_connections.keys();
    m_connections.clear();
    m_held.clear();
    for (QTcpSocket *socket : sockets)
        socket->abort();
    m_server.reset();
}

quint16 DemoPlatform::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QUrl DemoPlatform::origin() const
{
    QUrl url;
    url.setScheme(m_secure ? QStringLiteral("https") : QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port());
    return url;
}

void DemoPlatform::route(const QString &path, Handler handler)
{
    m_routes.insert(path, std::move(handler));
}

QList<HttpRequest> DemoPlatform::requestsTo(const QString &path) const
{
    QList<HttpRequest> matching;
    for (const HttpRequest &request : m_log) {
        if (request.path == path)
            matching.append(request);
    }
    return matching;
}

int DemoPlatform::heldCount() const
{
    return int(std::count_if(m_held.cbegin(), m_held.cend(), [](const Held &held) {
        return held.socket && held.socket->state() == QAbstractSocket::ConnectedState;
    }));
}

void DemoPlatform::releaseHeld()
{
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held &entry : held) {
        if (entry.socket)
            deliver(entry.socket, entry.request, answer(entry.request));
    }
}

void DemoPlatform::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connections.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_connections.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void DemoPlatform::readFrom(QTcpSocket *socket)
{
    const ThreadTime serving(m_servingMs);
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->buffer += socket->readAll();
    if (!it->busy)
        processNext(socket);
}

void DemoPlatform::processNext(QTcpSocket *socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    HttpRequest request;
    switch (RequestParser::take(it->buffer, request)) {
    case RequestParser::Result::Incomplete:
        return;
    case RequestParser::Result::Malformed: {
        HttpResponse bad{400, {{"Connection", "close"}}, "malformed request"};
        it->busy = true;
        socket->write(bad.serialize());
        socket->disconnectFromHost();
        return;
    }
    case RequestParser::Result::Complete:
        break;
    }
    it->busy = true;
    log(request);
    const QPointer<QTcpSocket> guard(socket);
    emit requestReceived(request.path);
    if (!guard || !m_connections.contains(socket))
        return;

    const std::optional<Faults::Fault> fault = m_faults.take(request.path);
    if (!fault) {
        deliver(socket, request, answer(request));
        return;
    }
    switch (fault->kind) {
    case Faults::Fault::Kind::Drop:
        socket->abort();
        return;
    case Faults::Fault::Kind::Hold:
        m_held.append({socket, request});
        return;
    case Faults::Fault::Kind::Answer:
        deliver(socket, request, fault->response);
        return;
    case Faults::Fault::Kind::Raw:
        socket->write(fault->bytes);
        socket->disconnectFromHost();
        return;
    case Faults::Fault::Kind::HalfClose:
        ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
        return;
    case Faults::Fault::Kind::Flood:
        flood(socket, *fault);
        return;
    }
}

void DemoPlatform::log(const HttpRequest &request)
{
    m_log.append(request);
    m_log.last().answersBefore = m_answered;
    m_logged += loggedSize(request);
    while (m_log.size() > logEntries || (m_logged > logBytes && m_log.size() > 1))
        m_logged -= loggedSize(m_log.takeFirst());
}

HttpResponse DemoPlatform::answer(const HttpRequest &request)
{
    const auto route = m_routes.constFind(request.path);
    if (route == m_routes.constEnd())
        return {404, {{"Content-Type", "text/plain"}}, "not found"};
    return (*route)(request);
}

void DemoPlatform::deliver(QTcpSocket *socket, const HttpRequest &request, HttpResponse response)
{
    const int delay = m_delay ? m_delay(request) : 0;
    if (delay <= 0) {
        write(socket, std::move(response));
        return;
    }
    QTimer::singleShot(delay, socket, [this, socket, response] { write(socket, response); });
}

void DemoPlatform::write(QTcpSocket *socket, HttpResponse response)
{
    if (m_sendsDate && !response.hasHeader("Date"))
        response.setHeader("Date", httpDate(now()));
    socket->write(response.serialize());
    ++m_answered;
    const auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    it->busy = false;
    if (!it->buffer.isEmpty())
        processNext(socket);
}

HttpResponse envelope(const QJsonValue &data)
{
    return HttpResponse::json({{QStringLiteral("state"), 0}, {QStringLiteral("data"), data}});
}

HttpResponse refusal(qint64 state, const QString &message)
{
    return HttpResponse::json({{QStringLiteral("state"), state},
                               {QStringLiteral("msgCN"), message},
                               {QStringLiteral("msg"), message},
                               {QStringLiteral("data"), QJsonValue::Null}});
}

QByteArray httpDate(const QDateTime &moment)
{
    static constexpr std::array<const char *, 7> days{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static constexpr std::array<const char *, 12> months{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime utc = moment.toUTC();
    const QDate day = utc.date();
    const QTime time = utc.time();
    return QString::asprintf("%s, %02d %s %04d %02d:%02d:%02d GMT", days[day.dayOfWeek() - 1], day.day(),
                             months[day.month() - 1], day.year(), time.hour(), time.minute(), time.second())
        .toLatin1();
}

} // namespace quorvale::demo
