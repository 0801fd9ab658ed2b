#include "tests/support/connectproxy.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <array>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvale::testing {

namespace {

// How often a waiting thread looks whether the proxy stops.
constexpr int pollMs = 50;

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

bool sendAll(int socket, const char *data, qsizetype size)
{
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size_t(size), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= sent;
    }
    return true;
}

} // namespace

ConnectProxy::ConnectProxy(quint16 upstream, Mode mode)
    : m_upstream(upstream)
    , m_mode(mode)
    , m_listener(::socket(AF_INET, SOCK_STREAM, 0))
{
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length);
    ::listen(m_listener, 16);
    ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptAll(); });
}

ConnectProxy::~ConnectProxy()
{
    m_stopping = true;
    m_acceptor.join();
    ::close(m_listener);
    const std::lock_guard lock(m_threadsLock);
    for (std::thread &thread : m_threads)
        thread.join();
}

QString ConnectProxy::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

void ConnectProxy::acceptAll()
{
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, pollMs) <= 0)
            continue;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        ++m_connections;
        const std::lock_guard lock(m_threadsLock);
        m_threads.emplace_back([this, client] { serve(client); });
    }
}

void ConnectProxy::serve(int client)
{
    const int server = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = loopback(m_upstream);
    const bool connected =
        ::connect(server, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (m_mode == Mode::Relay) {
        if (connected)
            pump(client, server);
        ::close(server);
        ::close(client);
        return;
    }
    QByteArray head;
    std::array<char, 4096> buffer{};
    while (!head.contains("\r\n\r\n") && head.size() < 64 * 1024 && !m_stopping) {
        pollfd waiting{client, POLLIN, 0};
        if (::poll(&waiting, 1, pollMs) <= 0)
            continue;
        const ssize_t count = ::recv(client, buffer.data(), buffer.size(), 0);
        if (count <= 0)
            break;
        head.append(buffer.data(), count);
    }
    if (head.startsWith("CONNECT ")) {
        ++m_connects;
        if (m_mode == Mode::DemandCredentials) {
            const QByteArray refusal =
                "HTTP/1.1 407 Proxy Authentication Required\r\n"
                "Proxy-Authenticate: Basic realm=\"school\"\r\nContent-Length: 0\r\n\r\n";
            sendAll(client, refusal.constData(), refusal.size());
            // The connection stays open, as a proxy's does, until the client lets it go.
            pump(client, -1);
        } else if (connected) {
            const QByteArray established = "HTTP/1.1 200 Connection established\r\n\r\n";
            if (sendAll(client, established.constData(), established.size()))
                pump(client, server);
        }
    }
    ::close(server);
    ::close(client);
}

void ConnectProxy::pump(int client, int server)
{
    std::array<pollfd, 2> sockets{pollfd{client, POLLIN, 0}, pollfd{server, POLLIN, 0}};
    std::array<char, 16 * 1024> buffer{};
    while (!m_stopping) {
        if (::poll(sockets.data(), server < 0 ? 1 : 2, pollMs) <= 0)
            continue;
        for (int side = 0; side < 2; ++side) {
            if (!(sockets[side].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t count = ::recv(sockets[side].fd, buffer.data(), buffer.size(), 0);
            if (count <= 0 || server < 0 || !sendAll(sockets[1 - side].fd, buffer.data(), count))
                return;
        }
    }
}

} // namespace quorvale::testing
