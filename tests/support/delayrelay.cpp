#include "tests/support/delayrelay.h"

#include <QList>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <list>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quorvale::testing {

namespace {

using Clock = std::chrono::steady_clock;

// Bytes one direction holds before the relay stops reading from its source.
constexpr qsizetype queueLimit = 4 * 1024 * 1024;
constexpr qsizetype readSize = 64 * 1024;
constexpr qsizetype requestHeadLimit = 16 * 1024;

enum class Piece
{
    Bytes,
    End,
    Reset
};

struct Chunk
{
    Clock::time_point due;
    Piece piece;
    QByteArray bytes;
};

// One direction of a connection: what was read from one side and waits to be written to the other.
struct Flow
{
    std::deque<Chunk> chunks;
    qsizetype sentOfFirst = 0;
    qsizetype queued = 0;
    bool readEnded = false;
    bool endPassedOn = false;

    bool due(Clock::time_point now) const { return !chunks.empty() && chunks.front().due <= now; }
    bool reading() const { return !readEnded && queued < queueLimit; }
    void push(Clock::time_point due, Piece piece, QByteArray bytes)
    {
        queued += bytes.size();
        readEnded = readEnded || piece != Piece::Bytes;
        chunks.push_back({due, piece, std::move(bytes)});
    }
};

enum class Stage
{
    ReadingRequest,
    Connecting,
    Open,
    // Forgotten silently: what either side sends is read and dropped.
    Forgotten,
    Done
};

struct Connection
{
    int client = -1;
    int server = -1;
    Stage stage = Stage::Connecting;
    QByteArray head;
    Clock::time_point connectAt;
    // The first record the client sent, until it was looked at.
    QByteArray opening;
    bool openingSeen = false;
    bool resetOnUse = false;
    Flow up;
    Flow down;
};

void setNoDelay(int socket)
{
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// Closes with a reset, as a connection cut off in the middle.
void closeWithReset(int socket)
{
    if (socket < 0)
        return;
    const linger abrupt{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
    close(socket);
}

// The relay's own short answers, which always fit the send buffer of a connection that has sent
// nothing yet.
void sendAnswer(int socket, const QByteArray &bytes)
{
    send(socket, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
}

quint8 byteAt(const QByteArray &bytes, qsizetype at)
{
    return at < bytes.size() ? quint8(bytes.at(at)) : 0;
}

// Whether a ClientHello record offers a session to resume: a pre-shared key (TLS 1.3) or a
// session ticket with content (TLS 1.2).
bool offersResumption(const QByteArray &record)
{
    qsizetype at = 5 + 4 + 2 + 32;
    at += 1 + byteAt(record, at);
    at += 2 + (byteAt(record, at) << 8 | byteAt(record, at + 1));
    at += 1 + byteAt(record, at);
    at += 2;
    while (at + 4 <= record.size()) {
        const int type = byteAt(record, at) << 8 | byteAt(record, at + 1);
        const int length = byteAt(record, at + 2) << 8 | byteAt(record, at + 3);
        if (type == 41 || (type == 35 && length > 0))
            return true;
        at += 4 + length;
    }
    return false;
}

} // namespace

class DelayRelay::Loop
{
public:
    explicit Loop(const Options &options)
        : m_options(options)
        , m_oneWay(m_options.roundTrip / 2)
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            listen(m_listener, 128) != 0 ||
            getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
            close(m_listener);
            throw std::runtime_error("the delay relay cannot listen on loopback");
        }
        m_port = ntohs(address.sin_port);
        m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        m_thread = std::thread([this] { run(); });
    }

    ~Loop()
    {
        {
            const std::lock_guard lock(m_countsLock);
            m_stopping = true;
        }
        eventfd_write(m_wake, 1);
        m_thread.join();
        for (Connection &connection : m_connections)
            finish(connection, true);
        close(m_listener);
        close(m_wake);
    }

    quint16 port() const { return m_port; }

    Counts counts() const
    {
        const std::lock_guard lock(m_countsLock);
        return m_counts;
    }

    void resetCounts()
    {
        const std::lock_guard lock(m_countsLock);
        m_counts = {};
    }

    void forget(Forgetting how)
    {
        std::unique_lock lock(m_countsLock);
        m_forgetting = how;
        eventfd_write(m_wake, 1);
        m_forgotten.wait(lock, [this] { return !m_forgetting; });
    }

private:
    void count(int Counts::*field, int amount = 1)
    {
        const std::lock_guard lock(m_countsLock);
        m_counts.*field += amount;
    }

    // Takes a request to stop or to forget the connections; false when the relay stops.
    bool takeRequests()
    {
        eventfd_t ignored = 0;
        eventfd_read(m_wake, &ignored);
        const std::lock_guard lock(m_countsLock);
        if (m_stopping)
            return false;
        if (!m_forgetting)
            return true;
        for (Connection &connection : m_connections) {
            if (connection.stage != Stage::Open)
                continue;
            if (*m_forgetting == Forgetting::WithReset) {
                connection.resetOnUse = true;
                continue;
            }
            connection.stage = Stage::Forgotten;
            connection.up = {};
            connection.down = {};
        }
        m_forgetting.reset();
        m_forgotten.notify_all();
        return true;
    }

    void run()
    {
        std::vector<pollfd> watched;
        std::vector<std::pair<Connection *, bool>> owners;
        for (;;) {
            Clock::time_point now = Clock::now();
            for (Connection &connection : m_connections)
                advance(connection, now);
            m_connections.remove_if([](const Connection &c) { return c.stage == Stage::Done; });
            std::optional<Clock::time_point> wake;
            const auto wakeAt = [&wake](Clock::time_point moment) {
                wake = wake ? std::min(*wake, moment) : moment;
            };
            watched = {{m_wake, POLLIN, 0}, {m_listener, POLLIN, 0}};
            owners.clear();
            for (Connection &connection : m_connections) {
                const bool open = connection.stage == Stage::Open;
                const bool forgotten = connection.stage == Stage::Forgotten;
                const short clientEvents = forgotten ? short(POLLIN)
                                                     : short((connection.up.reading() ? POLLIN : 0) |
                                                             (connection.down.due(now) ? POLLOUT : 0));
                const short serverEvents = open ? short((connection.down.reading() ? POLLIN : 0) |
                                                        (connection.up.due(now) ? POLLOUT : 0))
                                           : forgotten && connection.server >= 0 ? short(POLLIN)
                                                                                 : short(0);
                if (clientEvents != 0) {
                    watched.push_back({connection.client, clientEvents, 0});
                    owners.emplace_back(&connection, true);
                }
                if (serverEvents != 0) {
                    watched.push_back({connection.server, serverEvents, 0});
                    owners.emplace_back(&connection, false);
                }
                if (connection.stage == Stage::Connecting)
                    wakeAt(connection.connectAt);
                for (const Flow *flow : {&connection.up, &connection.down})
                    if (!flow->chunks.empty() && flow->chunks.front().due > now)
                        wakeAt(flow->chunks.front().due);
            }
            timespec timeout{};
            if (wake) {
                const auto left =
                    std::max(std::chrono::nanoseconds(0),
                             std::chrono::duration_cast<std::chrono::nanoseconds>(*wake - Clock::now()));
                timeout.tv_sec = time_t(left.count() / 1000000000);
                timeout.tv_nsec = long(left.count() % 1000000000);
            }
            if (ppoll(watched.data(), watched.size(), wake ? &timeout : nullptr, nullptr) < 0 &&
                errno != EINTR)
                return;
            if (watched[0].revents != 0 && !takeRequests())
                return;
            now = Clock::now();
            if (watched[1].revents != 0)
                acceptAll(now);
            for (std::size_t i = 2; i < watched.size(); ++i) {
                const auto [connection, fromClient] = owners[i - 2];
                if ((watched[i].events & POLLIN) && watched[i].revents != 0 &&
                    connection->stage != Stage::Done)
                    readFrom(*connection, fromClient, now);
            }
        }
    }

    void acceptAll(Clock::time_point now)
    {
        for (;;) {
            const int client = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (client < 0)
                return;
            setNoDelay(client);
            count(&Counts::connections);
            Connection &connection = m_connections.emplace_back();
            connection.client = client;
            if (m_options.proxy == Proxy::None)
                connection.connectAt = now + m_options.roundTrip;
            else
                connection.stage = Stage::ReadingRequest;
        }
    }

    void readFrom(Connection &connection, bool fromClient, Clock::time_point now)
    {
        char buffer[readSize];
        const ssize_t got =
            recv(fromClient ? connection.client : connection.server, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        const QByteArray bytes(buffer, got > 0 ? got : 0);
        if (connection.stage == Stage::Forgotten) {
            vanish(connection, fromClient, got);
            return;
        }
        if (connection.stage == Stage::ReadingRequest) {
            if (got <= 0)
                finish(connection, got < 0);
            else
                readRequest(connection, bytes, now);
            return;
        }
        const Piece piece = got > 0 ? Piece::Bytes : got == 0 ? Piece::End : Piece::Reset;
        if (fromClient)
            sendUp(connection, piece, bytes, now);
        else
            connection.down.push(now + m_oneWay, piece, bytes);
    }

    // What reaches a forgotten connection goes nowhere; only the client's own end closes it.
    void vanish(Connection &connection, bool fromClient, ssize_t got)
    {
        if (got > 0) {
            if (fromClient)
                count(&Counts::vanished, int(got));
            return;
        }
        if (fromClient) {
            finish(connection, false);
            return;
        }
        close(connection.server);
        connection.server = -1;
    }

    void sendUp(Connection &connection, Piece piece, const QByteArray &bytes, Clock::time_point now)
    {
        if (connection.resetOnUse) {
            finish(connection, true);
            return;
        }
        if (piece == Piece::Bytes)
            lookAtOpening(connection, bytes);
        // Nothing leaves before the connection across the network would be open.
        connection.up.push(std::max(now, connection.connectAt) + m_oneWay, piece, bytes);
    }

    void readRequest(Connection &connection, const QByteArray &bytes, Clock::time_point now)
    {
        connection.head += bytes;
        const qsizetype end = connection.head.indexOf("\r\n\r\n");
        if (end < 0) {
            if (connection.head.size() > requestHeadLimit)
                refuse(connection, "431 Request Header Fields Too Large");
            return;
        }
        const QByteArray rest = connection.head.mid(end + 4);
        const QList<QByteArray> words = connection.head.left(connection.head.indexOf("\r\n")).split(' ');
        if (words.size() != 3 || words[0] != "CONNECT") {
            refuse(connection, "405 Method Not Allowed");
            return;
        }
        count(&Counts::tunnels);
        if (m_options.proxy == Proxy::AsksCredentials) {
            refuse(connection, "407 Proxy Authentication Required\r\n"
                               "Proxy-Authenticate: Basic realm=\"relay\"");
            return;
        }
        connection.stage = Stage::Connecting;
        connection.connectAt = now + m_options.roundTrip;
        if (!rest.isEmpty())
            sendUp(connection, Piece::Bytes, rest, now);
    }

    // Counts a TLS handshake at the start of the client's stream, and whether it offers to resume.
    void lookAtOpening(Connection &connection, const QByteArray &bytes)
    {
        if (connection.openingSeen)
            return;
        connection.opening += bytes;
        const QByteArray &record = connection.opening;
        if (record.size() < 6 && byteAt(record, 0) == 0x16)
            return;
        const qsizetype length = 5 + (byteAt(record, 3) << 8 | byteAt(record, 4));
        const bool clientHello = byteAt(record, 0) == 0x16 && byteAt(record, 5) == 1;
        if (clientHello && record.size() < length)
            return;
        connection.openingSeen = true;
        if (clientHello) {
            count(&Counts::handshakes);
            if (offersResumption(record.left(length)))
                count(&Counts::resumptions);
        }
        connection.opening.clear();
    }

    void refuse(Connection &connection, const char *status)
    {
        sendAnswer(connection.client,
                   QByteArray("HTTP/1.1 ") + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        shutdown(connection.client, SHUT_WR);
        finish(connection, false);
    }

    void open(Connection &connection)
    {
        connection.server = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(m_options.targetPort);
        if (connection.server < 0 ||
            connect(connection.server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            if (m_options.proxy == Proxy::None)
                finish(connection, true);
            else
                refuse(connection, "502 Bad Gateway");
            return;
        }
        setNoDelay(connection.server);
        const int flags = fcntl(connection.server, F_GETFL);
        fcntl(connection.server, F_SETFL, flags | O_NONBLOCK);
        if (m_options.proxy != Proxy::None)
            sendAnswer(connection.client, "HTTP/1.1 200 Connection established\r\n\r\n");
        connection.stage = Stage::Open;
    }

    void advance(Connection &connection, Clock::time_point now)
    {
        if (connection.stage == Stage::Connecting && now >= connection.connectAt)
            open(connection);
        if (connection.stage != Stage::Open)
            return;
        if (!passOn(connection.up, connection.server, now) ||
            !passOn(connection.down, connection.client, now)) {
            finish(connection, true);
            return;
        }
        if (connection.up.endPassedOn && connection.down.endPassedOn)
            finish(connection, false);
    }

    // Writes what is due; false when the connection must be cut.
    static bool passOn(Flow &flow, int to, Clock::time_point now)
    {
        while (flow.due(now)) {
            Chunk &chunk = flow.chunks.front();
            if (chunk.piece == Piece::Reset)
                return false;
            if (chunk.piece == Piece::End) {
                shutdown(to, SHUT_WR);
                flow.endPassedOn = true;
            } else {
                const ssize_t sent =
                    send(to, chunk.bytes.constData() + flow.sentOfFirst,
                         size_t(chunk.bytes.size() - flow.sentOfFirst), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (sent < 0)
                    return errno == EAGAIN || errno == EINTR;
                flow.sentOfFirst += sent;
                if (flow.sentOfFirst < chunk.bytes.size())
                    continue;
                flow.queued -= chunk.bytes.size();
                flow.sentOfFirst = 0;
            }
            flow.chunks.pop_front();
        }
        return true;
    }

    static void finish(Connection &connection, bool reset)
    {
        if (reset) {
            closeWithReset(connection.client);
            closeWithReset(connection.server);
        } else {
            for (const int socket : {connection.client, connection.server})
                if (socket >= 0)
                    close(socket);
        }
        connection.client = -1;
        connection.server = -1;
        connection.stage = Stage::Done;
    }

    const Options m_options;
    const std::chrono::milliseconds m_oneWay;
    int m_listener = -1;
    int m_wake = -1;
    quint16 m_port = 0;
    std::list<Connection> m_connections;
    // Guards the counts and the requests from other threads.
    mutable std::mutex m_countsLock;
    Counts m_counts;
    bool m_stopping = false;
    std::optional<Forgetting> m_forgetting;
    std::condition_variable m_forgotten;
    std::thread m_thread;
};

DelayRelay::DelayRelay(std::chrono::milliseconds roundTrip, quint16 targetPort, Proxy proxy)
    : m_loop(std::make_unique<Loop>(Options{roundTrip, targetPort, proxy}))
{}

DelayRelay::~DelayRelay() = default;

quint16 DelayRelay::port() const
{
    return m_loop->port();
}

QByteArray DelayRelay::address() const
{
    return "http://127.0.0.1:" + QByteArray::number(port());
}

DelayRelay::Counts DelayRelay::counts() const
{
    return m_loop->counts();
}

void DelayRelay::resetCounts()
{
    m_loop->resetCounts();
}

void DelayRelay::forget(Forgetting how)
{
    m_loop->forget(how);
}

} // namespace quorvale::testing
