#pragma once

#include <QByteArray>
#include <QHash>
#include <chrono>
#include <memory>

// A TCP relay on loopback that makes a connection cost what it costs across a network: each new
// connection waits one round trip before it reaches the server, and every chunk waits half a round
// trip on its way in either direction, without queueing behind the chunks before it. It runs on a
// thread of its own, so a busy client loop never slows it, and counts what passes through it.
namespace quorvale::testing {

class DelayRelay
{
public:
    enum class Proxy
    {
        // Not a proxy: every connection goes to one port.
        None,
        // An HTTP proxy that tunnels with CONNECT to a loopback host.
        Tunnel,
        // A proxy that answers every CONNECT with 407, as one whose credentials were not given.
        AsksCredentials,
    };

    struct Counts
    {
        int connections = 0;
        // TLS ClientHello records that opened a client's stream, and those offering a session to resume.
        int handshakes = 0;
        int resumptions = 0;
        // CONNECT requests read, answered or refused.
        int tunnels = 0;
    };

    // Both listen on 127.0.0.1 at a free port at once; connections wait in the backlog until the
    // relay's thread takes them. This one sends every connection to the target port.
    DelayRelay(std::chrono::milliseconds roundTrip, quint16 targetPort);
    // This one is a proxy. A CONNECT to one of the routes' "host:port" names goes to the loopback
    // port given, so that a server can be reached only through the proxy; other names must be
    // loopback addresses, "localhost" or end in ".invalid", which all stand for 127.0.0.1.
    DelayRelay(std::chrono::milliseconds roundTrip, Proxy proxy, QHash<QByteArray, quint16> routes = {});
    // Cuts every connection and stops the thread.
    ~DelayRelay();
    DelayRelay(const DelayRelay &) = delete;
    DelayRelay &operator=(const DelayRelay &) = delete;

    quint16 port() const;
    Counts counts() const;
    void resetCounts();

private:
    struct Options
    {
        std::chrono::milliseconds roundTrip;
        quint16 targetPort;
        Proxy proxy;
        QHash<QByteArray, quint16> routes;
    };
    class Loop;
    std::unique_ptr<Loop> m_loop;
};

} // namespace quorvale::testing
