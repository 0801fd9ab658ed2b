#include "core/client/httpexchange.h"

#include "core/client/secretwipe.h"

#include <QScopedValueRollback>
#include <QSslSocket>
#include <QTcpSocket>
#include <array>

namespace quorvale {

namespace {

// The most the socket holds of an answer before the reader has taken it.
constexpr qint64 socketBuffer = 64 * 1024;

bool isSecure(const QUrl &url)
{
    return url.scheme() == QLatin1String("https");
}

int portOf(const QUrl &url)
{
    return url.port(isSecure(url) ? 443 : 80);
}

QByteArray hostField(const QUrl &url)
{
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0 && url.port() != (isSecure(url) ? 443 : 80))
        host += ':' + QByteArray::number(url.port());
    return host;
}

} // namespace

HttpExchange::HttpExchange(const Request &request, const Limits &limits, QObject *parent)
    : QObject(parent)
    , m_request(request)
    , m_limits(limits)
    , m_answer(limits.bodyLimit, request.method == "HEAD")
    , m_socket(isSecure(request.url) ? new QSslSocket(this) : new QTcpSocket(this))
{
    m_silence.setSingleShot(true);
    m_total.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &HttpExchange::abort);
    connect(&m_total, &QTimer::timeout, this, &HttpExchange::abort);
    m_socket->setReadBufferSize(socketBuffer);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpExchange::drain);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &HttpExchange::progress);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpExchange::ended);
    // Only the end of the connection may end an answer; any other failure breaks it.
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        m_failed = m_failed || error != QAbstractSocket::RemoteHostClosedError;
        ended();
    });
}

void HttpExchange::start()
{
    m_silence.start(m_limits.silence);
    m_total.start(m_limits.total);
    const QString host = m_request.url.host();
    const auto port = quint16(portOf(m_request.url));
    if (auto *secure = qobject_cast<QSslSocket *>(m_socket)) {
        // Certificate errors are never ignored: the socket then breaks off the handshake itself.
        secure->setSslConfiguration(m_limits.tls ? *m_limits.tls : QSslConfiguration::defaultConfiguration());
        connect(secure, &QSslSocket::encrypted, this, &HttpExchange::send);
        connect(secure, &QSslSocket::encryptedBytesWritten, this, &HttpExchange::progress);
        secure->connectToHostEncrypted(host, port);
    } else {
        connect(m_socket, &QTcpSocket::connected, this, &HttpExchange::send);
        // Unbuffered, the request goes straight to the system and no copy of it stays behind here.
        m_socket->connectToHost(host, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
    }
}

void HttpExchange::abort()
{
    finish(AnswerReader::State::Broken);
}

QByteArray HttpExchange::serialize(const Request &request)
{
    const QByteArray target = request.url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    QByteArray head = request.method + ' ' + (target.startsWith('/') ? target : '/' + target) +
                      " HTTP/1.1\r\nHost: " + hostField(request.url) + "\r\n";
    for (const auto &[name, value] : request.fields)
        head += name + ": " + value + "\r\n";
    if (request.body || request.method == "POST")
        head += "Content-Length: " + QByteArray::number(request.body ? request.body->size() : 0) + "\r\n";
    head += "Connection: close\r\n\r\n";
    // One buffer of the final size, so that no larger copy of the body is left behind while it grows.
    QByteArray wire;
    wire.reserve(head.size() + (request.body ? request.body->size() : 0));
    wire.append(head);
    if (request.body)
        wire.append(*request.body);
    return wire;
}

void HttpExchange::send()
{
    progress();
    QByteArray wire = serialize(m_request);
    m_request.body.reset();
    // Written as plain bytes: the socket copies them, while a large QByteArray would be shared with
    // it and wiped before it went out.
    m_socket->write(wire.constData(), wire.size());
    wipe(wire);
}

void HttpExchange::progress()
{
    if (!isFinished())
        m_silence.start(m_limits.silence);
}

void HttpExchange::drain()
{
    // The socket reports the end of the connection from inside a read; the end is taken here once
    // that read has returned.
    const QScopedValueRollback draining(m_draining, true);
    std::array<char, 16 * 1024> buffer{};
    qint64 count = 0;
    while (!isFinished() && (count = m_socket->read(buffer.data(), qint64(buffer.size()))) > 0) {
        progress();
        const AnswerReader::State state = m_answer.read(QByteArrayView(buffer.data(), count));
        if (!m_headSeen && m_answer.hasHead()) {
            m_headSeen = true;
            emit headArrived();
        }
        if (state != AnswerReader::State::Reading)
            finish(state);
    }
    if (count < 0)
        concludeAtEnd();
}

void HttpExchange::ended()
{
    if (m_draining || isFinished())
        return;
    drain();
    concludeAtEnd();
}

void HttpExchange::concludeAtEnd()
{
    if (!isFinished())
        finish(m_failed ? AnswerReader::State::Broken : m_answer.close());
}

void HttpExchange::finish(AnswerReader::State state)
{
    if (isFinished())
        return;
    m_silence.stop();
    m_total.stop();
    m_socket->disconnect(this);
    m_outcome = state;
    m_socket->abort();
    emit finished();
}

} // namespace quorvale
