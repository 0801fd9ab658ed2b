#include "core/client/httptransfer.h"

#include "core/client/curlmulti.h"

#include "core/client/desktopproxy.h"
#include "core/client/systemtrust.h"

#include <QSslCertificate>
#include <algorithm>

namespace quorvale {

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Whether the request goes through a proxy spoken to over TLS: the desktop's, or else the one the
// environment names for its scheme, as libcurl reads it.
bool throughTlsProxy(const HttpTransfer::Request &request)
{
    if (request.proxy)
        return request.proxy->scheme() == QLatin1String("https");
    return desktopproxy::environmentProxy(request.url).toLower().startsWith("https://");
}

// The authorities of a TLS configuration in PEM, or nothing to keep the system's.
QByteArray pemAuthorities(const std::optional<QSslConfiguration> &tls)
{
    QByteArray pem;
    if (tls) {
        for (const QSslCertificate &certificate : tls->caCertificates())
            pem += certificate.toPem();
    }
    return pem;
}

} // namespace

HttpTransfer::HttpTransfer(CurlMulti *multi, Request request, const Limits &limits, QObject *parent)
    : QObject(parent)
    , m_multi(multi)
    , m_request(std::move(request))
    , m_limits(limits)
    , m_easy(curl_easy_init())
    , m_authorities(pemAuthorities(limits.tls))
{
    m_limitTimer.setSingleShot(true);
    connect(&m_limitTimer, &QTimer::timeout, this, &HttpTransfer::checkLimits);
    if (m_easy)
        configure();
}

HttpTransfer::~HttpTransfer()
{
    if (m_added && m_multi)
        m_multi->remove(m_easy);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headerList);
}

void HttpTransfer::configure()
{
    CURL *easy = m_easy;
    curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_URL, m_request.url.toEncoded(QUrl::RemoveFragment).constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_limits.bodyLimit));
    // A connection quiet for longer may be one the network forgot: a new one is made instead. Probes
    // after a quarter of a minute's quiet keep a NAT's or a firewall's memory of it fresh meanwhile.
    curl_easy_setopt(easy, CURLOPT_MAXAGE_CONN, long(m_limits.idleConnection.count()));
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPIDLE, 15L);
    curl_easy_setopt(easy, CURLOPT_TCP_KEEPINTVL, 5L);
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    if (m_multi) {
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &CurlMulti::onOpenSocket);
        curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, m_multi.data());
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &CurlMulti::onCloseSocket);
        curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, m_multi.data());
    }
    // Authorities handed over replace the system's altogether: libcurl would still trust a folder
    // of them beside the blob.
    curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    if (!m_authorities.isEmpty()) {
        curl_blob blob{m_authorities.data(), size_t(m_authorities.size()), CURL_BLOB_NOCOPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
    } else {
        // libcurl reads no file then, and still verifies the peer, against the system's authorities
        // read once for the process.
        curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &systemtrust::install);
    }
    curl_easy_setopt(easy, CURLOPT_NOPROXY, desktopproxy::directHosts().constData());
    // libcurl reads the credentials of the proxy, if any, from its address.
    if (m_request.proxy)
        curl_easy_setopt(easy, CURLOPT_PROXY, m_request.proxy->toEncoded(QUrl::RemovePath).constData());
    if (m_limits.slowest) {
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, long(m_limits.slowest->bytesPerSecond));
        curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, long(m_limits.slowest->over.count()));
    }

    bool typed = false;
    for (const auto &[name, value] : m_request.fields) {
        typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        // libcurl sends "Name;" as a field with an empty value, and drops "Name:".
        const QByteArray line = value.isEmpty() ? name + ';' : name + ": " + value;
        m_headerList = curl_slist_append(m_headerList, line.constData());
    }
    m_headerList = curl_slist_append(m_headerList, "Expect:");
    if (!typed)
        m_headerList = curl_slist_append(m_headerList, "Content-Type:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headerList);

    // Inside a proxy's TLS, libcurl 7.88 leaves what the proxy's record holds beyond the stream it is
    // reading in that record's buffer, and wakes only that stream to read on: another HTTP/2 stream
    // whose answer came in the same record waits until more arrives on the socket, or out its
    // silence limit. Through such a proxy each request has an HTTP/1.1 connection of its own.
    const bool tlsProxy = throughTlsProxy(m_request);
    if (tlsProxy)
        curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    const QByteArray &method = m_request.method;
    if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, tlsProxy ? 0L : 1L);
        return;
    }
    // libcurl sends a request again when a kept connection dies before its answer; any request
    // but a GET goes once, on a connection of its own.
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    if (method == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
        return;
    }
    if (method != "POST")
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.constData());
    if (method == "POST" || m_request.body) {
        // libcurl reads the body from this buffer, which the caller wipes once the request has
        // ended. It is not the only copy: libcurl writes a small body into the buffer of the request
        // it sends, and TLS into its records, and frees both unwiped.
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         curl_off_t(m_request.body ? m_request.body->size() : 0));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_request.body ? m_request.body->constData() : "");
    }
}

void HttpTransfer::useNewConnection()
{
    m_newConnection = true;
}

void HttpTransfer::start()
{
    noteActivity();
    m_started.start();
    // Checked when the timer fires, so that even a time already up ends the transfer after start().
    m_limitTimer.start(m_limits.total ? std::min(m_limits.silence, *m_limits.total) : m_limits.silence);
    if (m_easy && m_multi)
        curl_easy_setopt(m_easy, CURLOPT_SHARE, m_multi->share());
    if (m_easy && m_multi && m_multi->add(this, m_easy)) {
        m_added = true;
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { finish(Outcome::Broken); }, Qt::QueuedConnection);
}

void HttpTransfer::abort()
{
    finish(Outcome::Broken);
}

bool HttpTransfer::mayRetry() const
{
    return m_outcome == Outcome::Broken && m_request.method == "GET" &&
           (keptConnectionDied() || (connectionFailed() && nothingAnswered()));
}

bool HttpTransfer::nothingAnswered() const
{
    return m_head.size() == 0 && m_body.isEmpty();
}

bool HttpTransfer::wentOnKeptConnection() const
{
    long connections = 0;
    char *localAddress = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_NUM_CONNECTS, &connections);
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_IP, &localAddress);
    // A transfer that made no connection of its own but has a local address went on a kept one.
    return connections == 0 && localAddress && *localAddress;
}

bool HttpTransfer::keptConnectionDied() const
{
    return wentOnKeptConnection() && (nothingAnswered() || m_wentSilent);
}

bool HttpTransfer::connectionFailed() const
{
    // libcurl sends a request again itself, a few times, when a server refuses its stream or a kept
    // connection dies before any answer, and tells one of these once it gives up. A proxy that
    // refused the tunnel answered, and is told the same way.
    long proxyStatus = 0;
    curl_easy_getinfo(m_easy, CURLINFO_HTTP_CONNECTCODE, &proxyStatus);
    return (m_failure == CURLE_SEND_ERROR || m_failure == CURLE_RECV_ERROR || m_failure == CURLE_GOT_NOTHING) &&
           (proxyStatus == 0 || proxyStatus == 200);
}

void HttpTransfer::boundUnacknowledged()
{
    if (m_request.method != "GET" || !m_multi)
        return;
    char *localAddress = nullptr;
    long localPort = 0;
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_IP, &localAddress);
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_PORT, &localPort);
    // libcurl sends the request again on another kept connection when the first dies before any
    // answer: that one is bounded as well.
    if (!localAddress || !*localAddress || localPort <= 0 || localPort == m_boundPort)
        return;
    m_boundPort = localPort;
    releaseUnacknowledged();
    if (wentOnKeptConnection() && nothingAnswered())
        m_bound = m_multi->bindUnacknowledged(QByteArray(localAddress), localPort, m_limits.unacknowledged);
}

void HttpTransfer::releaseUnacknowledged()
{
    if (m_bound && m_multi)
        m_multi->releaseUnacknowledged(*m_bound);
    m_bound.reset();
}

QByteArray HttpTransfer::field(QByteArrayView name) const
{
    for (const auto &[key, value] : fields()) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QList<QByteArray> HttpTransfer::fieldValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto &[key, value] : fields()) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            values.append(value);
    }
    return values;
}

std::optional<QUrl> HttpTransfer::redirectTarget() const
{
    // libcurl resolves "Location" against the request as it would follow it.
    char *target = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_URL, &target);
    if (!isRedirect(status()) || !target)
        return std::nullopt;
    const QUrl url(QString::fromUtf8(target), QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

size_t HttpTransfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    const size_t length = size * count;
    return static_cast<HttpTransfer *>(self)->readHeaderLine(QByteArrayView(data, qsizetype(length))) ? length
                                                                                                      : 0;
}

bool HttpTransfer::readHeaderLine(QByteArrayView line)
{
    if (isFinished())
        return false;
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    const bool complete = m_head.isComplete();
    if (!m_head.read(line, int(status)))
        return false;
    noteActivity();
    releaseUnacknowledged();
    if (!complete && m_head.isComplete()) {
        m_headNews = true;
        m_multi->noteNews(this);
    }
    return true;
}

size_t HttpTransfer::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    const auto length = qsizetype(size * count);
    if (transfer->isFinished())
        return 0;
    // A short count ends the transfer: the limit holds for the decoded body.
    if (transfer->m_body.size() + length > transfer->m_limits.bodyLimit) {
        transfer->m_tooLarge = true;
        return 0;
    }
    transfer->m_body.append(data, length);
    transfer->noteActivity();
    transfer->m_bodyNews = true;
    transfer->m_multi->noteNews(transfer);
    return size_t(length);
}

void HttpTransfer::tellNews()
{
    // A listener may end the transfer; once it has, nothing more is told.
    const QPointer<HttpTransfer> alive(this);
    if (std::exchange(m_headNews, false) && !isFinished())
        emit headArrived();
    if (alive && std::exchange(m_bodyNews, false) && !isFinished())
        emit bodyGrew();
}

int HttpTransfer::onProgress(void *self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent)
{
    // libcurl also calls this while nothing moves; only moving bytes break the silence.
    auto *transfer = static_cast<HttpTransfer *>(self);
    if (received + sent != transfer->m_moved) {
        transfer->m_moved = received + sent;
        transfer->noteActivity();
    }
    transfer->boundUnacknowledged();
    return 0;
}

void HttpTransfer::checkLimits()
{
    const std::chrono::milliseconds quiet(m_lastActivity.elapsed());
    if (quiet >= m_limits.silence) {
        m_wentSilent = true;
        abort();
        return;
    }
    std::chrono::milliseconds wait = m_limits.silence - quiet;
    if (m_limits.total) {
        const std::chrono::milliseconds left =
            *m_limits.total - std::chrono::milliseconds(m_started.elapsed());
        if (left <= std::chrono::milliseconds::zero()) {
            abort();
            return;
        }
        wait = std::min(wait, left);
    }
    m_limitTimer.start(wait);
}

void HttpTransfer::conclude(CURLcode result)
{
    m_failure = result;
    if (result == CURLE_FILESIZE_EXCEEDED)
        m_tooLarge = true;
    finish(result == CURLE_OK && m_head.isComplete() ? Outcome::Complete
           : m_tooLarge                              ? Outcome::TooLarge
                                                     : Outcome::Broken);
}

void HttpTransfer::finish(Outcome outcome)
{
    if (isFinished())
        return;
    m_limitTimer.stop();
    releaseUnacknowledged();
    if (outcome != Outcome::Complete && m_added && m_multi) {
        // Silence or a broken connection, not an abort, tells that the network forgot it.
        if ((m_wentSilent || connectionFailed()) && keptConnectionDied())
            m_multi->distrustIdleSince(std::chrono::steady_clock::now() -
                                       std::chrono::milliseconds(m_started.elapsed()));
        // A stream the server refused or reset, or one ended by our own limits or by its own silence
        // once its answer had begun, is that stream's alone: the others on its connection go on.
        if (m_wentSilent && nothingAnswered())
            retireConnection();
    }
    if (m_added && m_multi)
        m_multi->remove(m_easy);
    m_added = false;
    // Out of the multi handle, it lets go of the shared sessions, which may go before it.
    curl_easy_setopt(m_easy, CURLOPT_SHARE, nullptr);
    m_outcome = outcome;
    m_request.body.reset();
    emit finished();
}

void HttpTransfer::retireConnection()
{
    // libcurl closes an HTTP/1.1 connection left mid-answer, but keeps an HTTP/2 connection for the
    // next transfers when one of its streams failed. Closing it ends the other streams on it too,
    // which the same silence would end anyway.
    curl_easy_setopt(m_easy, CURLOPT_FORBID_REUSE, 1L);
    char *localAddress = nullptr;
    long localPort = 0;
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_IP, &localAddress);
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_PORT, &localPort);
    if (localAddress && *localAddress && localPort > 0)
        m_multi->retire(QByteArray(localAddress), localPort);
}

} // namespace quorvale
