#include "core/client/httptransfer.h"

#include "core/client/curlmulti.h"

#include "core/client/desktopproxy.h"

#include <QSslCertificate>
#include <algorithm>
#include <sys/socket.h>

namespace quorvale {

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Every socket libcurl opens is closed in a program this one starts, such as a new version of it.
curl_socket_t openSocket(void *, curlsocktype, curl_sockaddr *address)
{
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
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

QByteArrayView withoutLineBreak(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

// "HTTP/1.1 200 OK" or "HTTP/2 200": the status, or 0 when the line is none.
int statusOf(QByteArrayView line)
{
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.size() < space + 4)
        return 0;
    bool ok = false;
    const int status = line.sliced(space + 1, 3).toInt(&ok);
    return ok && status >= 100 ? status : 0;
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
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &HttpTransfer::checkSilence);
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
    // Zero would mean no limit at all.
    if (m_limits.total)
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, std::max(1L, long(m_limits.total->count())));
    curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &HttpTransfer::onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &openSocket);
    // Without a folder of authorities beside the bundle, libcurl reads the bundle once and keeps it
    // for the connections after; and authorities handed over replace the system's altogether.
    curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    if (!m_authorities.isEmpty()) {
        curl_blob blob{m_authorities.data(), size_t(m_authorities.size()), CURL_BLOB_NOCOPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
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

    const QByteArray &method = m_request.method;
    if (method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        curl_easy_setopt(easy, CURLOPT_PIPEWAIT, 1L);
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
        // ended, rather than from a copy of it that nobody would wipe.
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         curl_off_t(m_request.body ? m_request.body->size() : 0));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, m_request.body ? m_request.body->constData() : "");
    }
}

void HttpTransfer::start()
{
    noteActivity();
    m_silence.start(m_limits.silence);
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
    if (m_added && m_multi && m_multi->isActing()) {
        m_multi->abortAfterCall(this);
        return;
    }
    finish(Outcome::Broken);
}

QByteArray HttpTransfer::field(QByteArrayView name) const
{
    for (const auto &[key, value] : m_fields) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QList<QByteArray> HttpTransfer::fieldValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto &[key, value] : m_fields) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            values.append(value);
    }
    return values;
}

std::optional<QUrl> HttpTransfer::redirectTarget() const
{
    const QUrl location(QString::fromUtf8(field("Location")), QUrl::StrictMode);
    if (!isRedirect(m_status) || !location.isValid() || location.isEmpty())
        return std::nullopt;
    return m_request.url.resolved(location);
}

size_t HttpTransfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    const size_t length = size * count;
    return static_cast<HttpTransfer *>(self)->readHeaderLine(QByteArrayView(data, qsizetype(length))) ? length
                                                                                                      : 0;
}

bool HttpTransfer::readHeaderLine(QByteArrayView line)
{
    m_headBytes += line.size();
    if (isFinished() || m_headBytes > headLimit)
        return false;
    noteActivity();
    // The trailer of a chunked body only counts against the bound.
    if (m_headDone)
        return true;
    const QByteArrayView text = withoutLineBreak(line);
    if (text.startsWith("HTTP/")) {
        m_status = statusOf(text);
        m_fields.clear();
        return m_status != 0;
    }
    if (text.isEmpty()) {
        // An interim answer's block is followed by the final one.
        if (m_status >= 200) {
            m_headDone = true;
            emit headArrived();
        }
        return m_status != 0;
    }
    if (text.front() == ' ' || text.front() == '\t') {
        // A folded line continues the field before it.
        if (m_fields.isEmpty())
            return false;
        m_fields.last().second += ' ' + text.trimmed().toByteArray();
        return true;
    }
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || m_fields.size() == fieldLimit)
        return false;
    m_fields.append({text.first(colon).toByteArray(), text.sliced(colon + 1).trimmed().toByteArray()});
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
    emit transfer->bodyGrew();
    return size_t(length);
}

int HttpTransfer::onProgress(void *self, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent)
{
    // libcurl also calls this while nothing moves; only moving bytes break the silence.
    auto *transfer = static_cast<HttpTransfer *>(self);
    if (received + sent != transfer->m_moved) {
        transfer->m_moved = received + sent;
        transfer->noteActivity();
    }
    return 0;
}

void HttpTransfer::checkSilence()
{
    const std::chrono::milliseconds quiet(m_lastActivity.elapsed());
    if (quiet >= m_limits.silence)
        abort();
    else
        m_silence.start(m_limits.silence - quiet);
}

void HttpTransfer::conclude(CURLcode result)
{
    if (result == CURLE_FILESIZE_EXCEEDED)
        m_tooLarge = true;
    finish(result == CURLE_OK && m_headDone ? Outcome::Complete
           : m_tooLarge                     ? Outcome::TooLarge
                                            : Outcome::Broken);
}

void HttpTransfer::finish(Outcome outcome)
{
    if (isFinished())
        return;
    m_silence.stop();
    // Taken out of the multi handle mid-answer, the connection is closed rather than kept.
    if (m_added && m_multi)
        m_multi->remove(m_easy);
    m_added = false;
    // Out of the multi handle, it lets go of the shared sessions, which may go before it.
    curl_easy_setopt(m_easy, CURLOPT_SHARE, nullptr);
    m_outcome = outcome;
    m_request.body.reset();
    emit finished();
}

} // namespace quorvale
