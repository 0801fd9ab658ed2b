#pragma once

#include <QByteArray>
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
        // An HTTP proxy that only tunnels, with CONNECT.
        Tunnel,
        // A proxy that answers every CONNECT with 407, as one whose credentials were not given.
        AsksCredentials,
    };

    // How forget() leaves a connection.
    enum class Forgetting
    {
        // Whatever either side sends from then on vanishes, and nothing is closed: a NAT, a firewall
        // or a laptop's sleep that forgot an idle connection.
        Silently,
        // Cut with a reset as soon as the client sends on it again.
        WithReset,
    };

    struct Counts
    {
        int connections = 0;
        // TLS ClientHello records that opened a client's stream, and those offering a session to resume.
        int handshakes = 0;
        int resumptions = 0;
        // CONNECT requests read, answered or refused.
        int tunnels = 0;
        // Bytes that clients sent on forgotten connections.
        int vanished = 0;
    };

    // Listens on 127.0.0.1 at a free port at once; connections wait in the backlog until the relay's
    // thread takes them. Each goes on to 127.0.0.1 at the target port; as a proxy, whatever host and
    // port its CONNECT names, so that a server is reached there only through the proxy.
    DelayRelay(std::chrono::milliseconds roundTrip, quint16 targetPort, Proxy proxy = Proxy::None);
    // Cuts every connection and stops the thread.
    ~DelayRelay();
    DelayRelay(const DelayRelay &) = delete;
    DelayRelay &operator=(const DelayRelay &) = delete;

    quint16 port() const;
    // "http://127.0.0.1:<port>", as the proxy variables name a proxy.
    QByteArray address() const;
    Counts counts() const;
    void resetCounts();
    // Forgets every connection open now, before it returns; later connections pass as before.
    void forget(Forgetting how = Forgetting::Silently);

private:
    struct Options
    {
        std::chrono::milliseconds roundTrip;
        quint16 targetPort;
        Proxy proxy;
    };
    class Loop;
    std::unique_ptr<Loop> m_loop;
};

} // namespace quorvale::testing
