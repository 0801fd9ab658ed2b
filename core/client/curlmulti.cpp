#include "core/client/curlmulti.h"

#include "core/client/httptransfer.h"

#include <QDir>
#include <QHostAddress>
#include <QSet>
#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace quorvale {

namespace {

void initialiseOnce()
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(initialised);
}

// The time since the computer started, its sleep included.
std::chrono::milliseconds sinceBoot()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return std::chrono::seconds(now.tv_sec) +
           std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::nanoseconds(now.tv_nsec));
}

// The local address and port a socket is bound to; a null address for anything else.
std::pair<QHostAddress, quint16> localEnd(curl_socket_t socket)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        (address.ss_family != AF_INET && address.ss_family != AF_INET6))
        return {};
    const quint16 port =
        ntohs(address.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6 &>(address).sin6_port
                                            : reinterpret_cast<const sockaddr_in &>(address).sin_port);
    return {QHostAddress(reinterpret_cast<const sockaddr *>(&address)), port};
}

// A socket on which the kernel tells of each address and route that comes or goes, or -1.
int networkNews()
{
    const int news = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (news >= 0 && ::bind(news, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
        return news;
    if (news >= 0)
        ::close(news);
    return -1;
}

// The scheme, host and port of an address, by which libcurl groups its connections.
QString originOf(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}

// Stops a notifier at once and lets it go once the event that may be running it has returned.
void release(QSocketNotifier *notifier)
{
    if (!notifier)
        return;
    notifier->setEnabled(false);
    notifier->deleteLater();
}

// The descriptors of this process's sockets.
QSet<int> openSockets()
{
    QSet<int> sockets;
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        struct stat status{};
        if (::fstat(name.toInt(), &status) == 0 && S_ISSOCK(status.st_mode))
            sockets.insert(name.toInt());
    }
    return sockets;
}

// A multi handle opens a pair of sockets by which it can be woken, which a started program would
// otherwise inherit, as it would every socket of a transfer (HttpTransfer opens those close-on-exec).
CURLM *initialiseClosedOnExec()
{
    const QSet<int> before = openSockets();
    CURLM *multi = curl_multi_init();
    for (const int socket : openSockets() - before)
        ::fcntl(socket, F_SETFD, ::fcntl(socket, F_GETFD) | FD_CLOEXEC);
    return multi;
}

} // namespace

CurlMulti::CurlMulti(QObject *parent)
    : QObject(parent)
{
    initialiseOnce();
    m_multi = initialiseClosedOnExec();
    m_network = networkNews();
    m_share = curl_share_init();
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    // A teacher lookup asks for up to a dozen answers at once; libcurl would keep only four idle
    // connections per running transfer and open the rest again for the next lookup.
    curl_multi_setopt(m_multi, CURLMOPT_MAXCONNECTS, 16L);
    // A search over many pages asks for them all at once: a few connections carry them, as a
    // browser's do (HTTP/2 takes the rest as streams of one connection) rather than one each.
    curl_multi_setopt(m_multi, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
}

CurlMulti::~CurlMulti()
{
    for (const QPointer<HttpTransfer> &transfer : std::exchange(m_transfers, {})) {
        if (transfer)
            transfer->abort();
    }
    curl_multi_cleanup(m_multi);
    // Every transfer has let go of the share when it ended.
    curl_share_cleanup(m_share);
    if (m_network >= 0)
        ::close(m_network);
}

CurlMulti *CurlMulti::of(QObject *owner)
{
    if (auto *multi = owner->findChild<CurlMulti *>(QString(), Qt::FindDirectChildrenOnly))
        return multi;
    return new CurlMulti(owner);
}

bool CurlMulti::add(HttpTransfer *transfer, CURL *easy)
{
    // libcurl closes every kept connection idle for more whole seconds than this when this transfer
    // looks for one.
    std::optional<long> maxAge;
    if (transfer->m_newConnection ||
        (m_running == 0 && m_quietSince && sinceBoot() - *m_quietSince > transfer->m_limits.idleConnection))
        maxAge = 0;
    // libcurl finds each kept connection closed as it looks at it, and makes a new one instead.
    if (networkChanged()) {
        for (const auto &[socket, connection] : m_connections) {
            if (!m_watches.contains(socket))
                shutdown(socket, SHUT_RDWR);
        }
    }
    if (m_distrustedBefore) {
        const auto since =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - *m_distrustedBefore);
        if (since >= transfer->m_limits.idleConnection)
            m_distrustedBefore.reset();
        else
            maxAge = std::min(maxAge.value_or(LONG_MAX), std::max<long>(0, long(since.count()) - 1));
    }
    if (maxAge)
        curl_easy_setopt(easy, CURLOPT_MAXAGE_CONN, *maxAge);
    if (m_unshared.contains(originOf(transfer->m_request.url)))
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 0L);
    // Adding only asks for a wake-up through the timer; nothing of the transfer runs in this call.
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return false;
    ++m_running;
    m_transfers.removeAll(nullptr);
    m_transfers.append(transfer);
    return true;
}

void CurlMulti::remove(CURL *easy)
{
    curl_multi_remove_handle(m_multi, easy);
    if (--m_running == 0)
        m_quietSince = sinceBoot();
}

void CurlMulti::noteNews(HttpTransfer *transfer)
{
    if (!m_news.contains(transfer))
        m_news.append(transfer);
}

bool CurlMulti::networkChanged()
{
    if (m_network < 0)
        return false;
    bool changed = false;
    std::array<char, 8192> buffer{};
    for (;;) {
        const ssize_t length = ::recv(m_network, buffer.data(), buffer.size(), 0);
        // News lost as they came too fast tell of a change as well.
        if (length < 0 && errno == ENOBUFS) {
            changed = true;
            continue;
        }
        if (length <= 0)
            return changed;
        nlmsghdr header{};
        for (ssize_t at = 0; at + ssize_t(sizeof header) <= length; at += ssize_t(NLMSG_ALIGN(header.nlmsg_len))) {
            std::memcpy(&header, buffer.data() + at, sizeof header);
            if (header.nlmsg_len < sizeof header || at + ssize_t(header.nlmsg_len) > length)
                break;
            rtmsg route{};
            if (header.nlmsg_len >= NLMSG_LENGTH(sizeof route))
                std::memcpy(&route, buffer.data() + at + NLMSG_HDRLEN, sizeof route);
            const bool address = header.nlmsg_type == RTM_NEWADDR || header.nlmsg_type == RTM_DELADDR;
            const bool defaultRoute = (header.nlmsg_type == RTM_NEWROUTE || header.nlmsg_type == RTM_DELROUTE) &&
                                      header.nlmsg_len >= NLMSG_LENGTH(sizeof route) && route.rtm_dst_len == 0;
            changed = changed || address || defaultRoute;
        }
    }
}

std::optional<CurlMulti::Opened> CurlMulti::connectionFrom(const QByteArray &localAddress, long localPort) const
{
    const QHostAddress local(QString::fromLatin1(localAddress));
    for (const auto &[socket, connection] : m_connections) {
        const auto [address, port] = localEnd(socket);
        if (port == localPort && address.isEqual(local, QHostAddress::TolerantConversion))
            return Opened{socket, connection.serial};
    }
    return std::nullopt;
}

void CurlMulti::retire(const QByteArray &localAddress, long localPort)
{
    // libcurl sees the connection end when it next reads it, which act() has it do before anything
    // else, so that no transfer goes on it meanwhile; the descriptor stays libcurl's until it closes it.
    if (const std::optional<Opened> connection = connectionFrom(localAddress, localPort)) {
        shutdown(connection->socket, SHUT_RDWR);
        m_connections[connection->socket].retiring = true;
    }
}

void CurlMulti::distrustIdleSince(std::chrono::steady_clock::time_point moment)
{
    if (!m_distrustedBefore || *m_distrustedBefore < moment)
        m_distrustedBefore = moment;
}

std::optional<CurlMulti::Opened> CurlMulti::bindUnacknowledged(const QByteArray &localAddress, long localPort,
                                                               std::chrono::milliseconds bound)
{
    const std::optional<Opened> connection = connectionFrom(localAddress, localPort);
    const auto value = unsigned(bound.count());
    if (!connection ||
        ::setsockopt(connection->socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &value, sizeof value) != 0)
        return std::nullopt;
    ++m_connections[connection->socket].bounding;
    return connection;
}

void CurlMulti::releaseUnacknowledged(const Opened &connection)
{
    const auto found = m_connections.find(connection.socket);
    if (found == m_connections.end() || found->second.serial != connection.serial ||
        --found->second.bounding > 0)
        return;
    const unsigned none = 0;
    ::setsockopt(connection.socket, IPPROTO_TCP, TCP_USER_TIMEOUT, &none, sizeof none);
}

void CurlMulti::noteProtocol(const HttpTransfer &transfer, CURL *easy)
{
    long version = CURL_HTTP_VERSION_NONE;
    curl_easy_getinfo(easy, CURLINFO_HTTP_VERSION, &version);
    const QString origin = originOf(transfer.m_request.url);
    if (version == CURL_HTTP_VERSION_1_0 || version == CURL_HTTP_VERSION_1_1)
        m_unshared.insert(origin);
    else
        m_unshared.remove(origin);
}

int CurlMulti::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<CurlMulti *>(self)->watch(socket, what);
    return 0;
}

curl_socket_t CurlMulti::onOpenSocket(void *self, curlsocktype, curl_sockaddr *address)
{
    // Every socket libcurl opens is closed in a program this one starts, such as a new version of it.
    const curl_socket_t made = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    auto *multi = static_cast<CurlMulti *>(self);
    if (made != CURL_SOCKET_BAD)
        multi->m_connections[made] = {++multi->m_opened};
    return made;
}

int CurlMulti::onCloseSocket(void *self, curl_socket_t socket)
{
    static_cast<CurlMulti *>(self)->m_connections.erase(socket);
    return ::close(socket);
}

int CurlMulti::onTimer(CURLM *, long milliseconds, void *self)
{
    QTimer &timer = static_cast<CurlMulti *>(self)->m_timer;
    if (milliseconds < 0)
        timer.stop();
    else
        timer.start(int(std::min<long>(milliseconds, INT_MAX)));
    return 0;
}

void CurlMulti::watch(curl_socket_t socket, int what)
{
    Watch &watch = m_watches[socket];
    if (what == CURL_POLL_REMOVE) {
        // libcurl may close the socket after this call: no notifier may outlive it.
        release(watch.read);
        release(watch.write);
        m_watches.erase(socket);
        return;
    }
    watch.read = notifier(watch.read, socket, what & CURL_POLL_IN, true);
    watch.write = notifier(watch.write, socket, what & CURL_POLL_OUT, false);
}

QSocketNotifier *CurlMulti::notifier(QSocketNotifier *current, curl_socket_t socket, bool wanted,
                                     bool reading)
{
    if (!wanted) {
        release(current);
        return nullptr;
    }
    if (current)
        return current;
    auto *made = new QSocketNotifier(socket, reading ? QSocketNotifier::Read : QSocketNotifier::Write, this);
    const int events = reading ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
    connect(made, &QSocketNotifier::activated, this, [this, socket, events] { act(socket, events); });
    return made;
}

void CurlMulti::act(curl_socket_t socket, int events)
{
    const QPointer<CurlMulti> alive(this);
    int running = 0;
    QList<Opened> retired;
    for (auto &[opened, connection] : m_connections) {
        if (std::exchange(connection.retiring, false))
            retired.append({opened, connection.serial});
    }
    // libcurl reads each retired connection closed before it places any transfer; a descriptor it
    // closed meanwhile is not mistaken for a later socket.
    for (const Opened &opened : retired) {
        const auto found = m_connections.find(opened.socket);
        if (found != m_connections.end() && found->second.serial == opened.serial)
            curl_multi_socket_action(m_multi, opened.socket, CURL_CSELECT_IN, &running);
    }
    curl_multi_socket_action(m_multi, socket, events, &running);
    // Whoever hears the news may end transfers, start others or delete this multi handle.
    for (const QPointer<HttpTransfer> &transfer : std::exchange(m_news, {})) {
        if (transfer)
            transfer->tellNews();
        if (!alive)
            return;
    }
    concludeFinished();
}

void CurlMulti::concludeFinished()
{
    const QPointer<CurlMulti> alive(this);
    int queued = 0;
    while (alive) {
        CURLMsg *message = curl_multi_info_read(m_multi, &queued);
        if (!message)
            return;
        if (message->msg != CURLMSG_DONE)
            continue;
        char *owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        // Ending a transfer runs whoever waits on it, who may end or start others meanwhile.
        if (!owner)
            continue;
        auto *transfer = reinterpret_cast<HttpTransfer *>(owner);
        if (message->data.result == CURLE_OK)
            noteProtocol(*transfer, message->easy_handle);
        transfer->conclude(message->data.result);
    }
}

} // namespace quorvale
