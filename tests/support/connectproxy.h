#pragma once

#include <QString>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

// A small HTTP proxy on loopback for tests, on threads of its own: it tunnels every CONNECT to
// 127.0.0.1 at one port whatever host the request names, so that a host only the proxy reaches is
// reached through it; or it refuses each CONNECT, asking for credentials; or it relays every
// connection to that port as it is. It counts the connections it accepts and the CONNECTs.
namespace quorvale::testing {

class ConnectProxy
{
public:
    enum class Mode
    {
        Tunnel,
        DemandCredentials,
        Relay
    };

    ConnectProxy(quint16 upstream, Mode mode);
    ~ConnectProxy();
    ConnectProxy(const ConnectProxy &) = delete;
    ConnectProxy &operator=(const ConnectProxy &) = delete;

    quint16 port() const { return m_port; }
    // "http://127.0.0.1:<port>", as the proxy variables name it.
    QString address() const;
    int connections() const { return m_connections; }
    int connects() const { return m_connects; }

private:
    void acceptAll();
    void serve(int client);
    // Copies bytes both ways until either side ends or the proxy stops.
    void pump(int client, int server);

    quint16 m_upstream;
    Mode m_mode;
    int m_listener;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    std::atomic<int> m_connects{0};
    std::mutex m_threadsLock;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace quorvale::testing
