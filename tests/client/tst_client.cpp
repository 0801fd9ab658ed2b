#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/client/cancellationerror.h"
#include "core/client/curlmulti.h"
#include "core/client/httptransfer.h"
#include "core/client/keychaincredentialstore.h"
#include "core/client/loginpayload.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "tests/support/awaittask.h"
#include "tests/support/delayrelay.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/sampleschool.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCoroFuture>
#include <QAbstractEventDispatcher>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSslKey>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <fcntl.h>
#include <memory>
#include <net/if.h>
#include <netinet/in.h>
#include <optional>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <zlib.h>

// Tests of core/client, against the simulated platform on loopback.
using namespace quorvale;
using namespace quorvale::testing;
using Kind = QuorvaleAPIError::Kind;

namespace {

const QString probe = QStringLiteral("/api/Test/Probe");
const QString next = QStringLiteral("/api/Test/Next");
const QString account = QStringLiteral("teacher");
const QString password = QStringLiteral("S3cret+pw");
const QString loginPath = QStringLiteral("/api/MemberShip/Login");
const QString currentUserPath = QStringLiteral("/api/MemberShip/GetCurrentUser");

// A simulated platform on loopback, knowing the test account, and a client pointed at it. Both
// clocks are fixed and agree unless a test moves one of them.
struct ClientFixture
{
    explicit ClientFixture(const TransportSettings &transport = {}, std::optional<QSslConfiguration> tls = {})
    {
        platform.setClock([this] { return platformNow; });
        platform.listen(0, tls);
        api = std::make_unique<QuorvaleAPI>(platform.origin(), transport, [this] { return clientNow; });
        platform.sessions().addAccount({account, password, QStringLiteral("王老师"), {17, 23}, false});
    }

    QDateTime clientNow{QDate(2024, 3, 4), QTime(1, 2, 3), QTimeZone::utc()};
    QDateTime platformNow = clientNow;
    demo::DemoPlatform platform;
    std::unique_ptr<QuorvaleAPI> api;
};

// The API error a task ends with, or none when it succeeded or failed otherwise.
template <typename T> std::optional<QuorvaleAPIError> apiFailure(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const QuorvaleAPIError &error) {
        return error;
    }
    return std::nullopt;
}

// The description of the error a task ends with; empty when it succeeded.
template <typename T> QString failureText(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const Error &error) {
        return error.description();
    }
    return {};
}

demo::HttpResponse jsonAnswer(const QByteArray &body, int status = 200)
{
    return {status, {{"Content-Type", "application/json"}}, body};
}

// A client whose teacher caches the test can fill and inspect.
class InspectableAPI : public QuorvaleAPI
{
public:
    using QuorvaleAPI::m_teacherClassMapCache;
    using QuorvaleAPI::m_teacherClassMapFlights;
    using QuorvaleAPI::m_teacherResponseCache;
    using QuorvaleAPI::QuorvaleAPI;
};

QCoro::Task<ClassSections> awaitFlight(QFuture<ClassSections> future)
{
    co_return co_await future;
}

// Waits for a request, and when the transport failed, sends another one at once.
QCoro::Task<> retryAfterNetworkFailure(QuorvaleAPI *api)
{
    bool failed = false;
    try {
        co_await api->request(probe, QStringLiteral("GET"), std::nullopt);
    } catch (const QuorvaleAPIError &error) {
        failed = error.kind() == Kind::Network;
    }
    if (failed)
        co_await api->request(next, QStringLiteral("GET"), std::nullopt);
}

qint64 loggedTimestamp(const demo::DemoPlatform &platform)
{
    return QJsonDocument::fromJson(platform.requestsTo(loginPath).last().body)["timestamp"].toInteger();
}

QString expand(QString text, const QUrl &origin, const QUrl &other)
{
    text.replace(QLatin1String("{other}"), other.toString());
    text.replace(QLatin1String("{otherport}"), QString::number(other.port()));
    return text.replace(QLatin1String("{port}"), QString::number(origin.port()));
}

QByteArray readFile(const QString &name)
{
    QFile file(QStringLiteral(QUORVALE_TEST_TLS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

#ifdef __SANITIZE_ADDRESS__
// Under AddressSanitizer freed memory waits in a quarantine before it is used again, so the resident
// peak grows with every byte that passed through the process, kept or not. There the most memory held
// on the heap is counted instead, through the allocator's hooks.
extern "C" {
// The allocator's interface, which GCC ships no header for.
int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void *, size_t),
                                              void (*free_hook)(const volatile void *));
size_t __sanitizer_get_allocated_size(const volatile void *pointer);
}

std::atomic<long> heapHeld{0};
std::atomic<long> heapPeak{0};

void heapAllocated(const volatile void *, size_t size)
{
    const long held = heapHeld += long(size);
    long peak = heapPeak;
    while (held > peak && !heapPeak.compare_exchange_weak(peak, held)) {
    }
}

void heapFreed(const volatile void *pointer)
{
    heapHeld -= long(__sanitizer_get_allocated_size(const_cast<const void *>(pointer)));
}

// Installed before main, while no other thread runs.
const bool heapHooked = __sanitizer_install_malloc_and_free_hooks(heapAllocated, heapFreed) != 0;

bool resetPeak()
{
    heapPeak = heapHeld.load();
    return heapHooked;
}

long peakKilobytes()
{
    return heapPeak / 1024;
}
#else
// Starts measuring the most memory this process holds from now on; false where Linux cannot.
bool resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    return refs.open(QIODevice::WriteOnly) && refs.write("5") == 1;
}

// The most memory this process has held since resetPeak().
long peakKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}
#endif

// Runs a request nobody else awaits and notes how it ended: an empty text for success, else the
// description of its error.
QCoro::Task<> noteEnding(QCoro::Task<QJsonObject> task, std::shared_ptr<std::optional<QString>> ending)
{
    try {
        co_await std::move(task);
        *ending = QString();
    } catch (const Error &error) {
        *ending = error.description();
    }
}

std::optional<QuorvaleAPIError> getFailure(QuorvaleAPI &api, const QString &target = probe)
{
    return apiFailure(api.request(target, QStringLiteral("GET"), std::nullopt));
}

// A raw server on loopback, on a thread of its own so that it writes as fast as the connection
// takes the bytes: it reads one request, then answers with a head and one block repeated until the
// client closes the connection or half a minute has passed; or, given a count, that many blocks
// before it closes the connection, with a reset when asked.
class RawAnswer
{
public:
    enum class Ending
    {
        Close,
        Reset
    };

    RawAnswer(const QByteArray &head, const QByteArray &block, std::optional<int> blocks = std::nullopt,
              Ending ending = Ending::Close)
        : m_listener(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, head, block, blocks, ending] { serve(head, block, blocks, ending); });
    }
    ~RawAnswer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    RawAnswer(const RawAnswer &) = delete;
    RawAnswer &operator=(const RawAnswer &) = delete;

    QUrl origin() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_port)); }
    int requests() const { return m_requests; }
    bool closedByClient() const { return m_closed; }

private:
    void serve(const QByteArray &head, const QByteArray &block, std::optional<int> blocks, Ending ending)
    {
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        QByteArray request;
        std::array<char, 4096> buffer{};
        const QDeadlineTimer deadline(std::chrono::seconds(30));
        while (!request.contains("\r\n\r\n") && !deadline.hasExpired()) {
            const ssize_t count = ::recv(connection, buffer.data(), buffer.size(), 0);
            if (count <= 0)
                break;
            request.append(buffer.data(), count);
        }
        ++m_requests;
        bool sent = ::send(connection, head.constData(), size_t(head.size()), MSG_NOSIGNAL) == head.size();
        for (int sentBlocks = 0; sent && !deadline.hasExpired() && sentBlocks != blocks.value_or(-1);
             ++sentBlocks)
            sent = ::send(connection, block.constData(), size_t(block.size()), MSG_NOSIGNAL) == block.size();
        m_closed = !sent;
        if (ending == Ending::Reset) {
            const linger abrupt{1, 0};
            ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &abrupt, sizeof abrupt);
        }
        ::close(connection);
    }

    int m_listener;
    quint16 m_port = 0;
    std::atomic<int> m_requests{0};
    std::atomic<bool> m_closed{false};
    std::thread m_thread;
};

// The test authority's certificate for 127.0.0.1 and its key, for a platform that speaks TLS.
QSslConfiguration serverTls()
{
    QSslConfiguration server = QSslConfiguration::defaultConfiguration();
    server.setLocalCertificate(QSslCertificate(readFile(QStringLiteral("server.pem"))));
    server.setPrivateKey(QSslKey(readFile(QStringLiteral("server.key")), QSsl::Ec));
    return server;
}

// The transport of a client that trusts the test authority besides the system's.
TransportSettings trustingTestAuthority()
{
    TransportSettings trusting;
    trusting.tls = QSslConfiguration::defaultConfiguration();
    trusting.tls->addCaCertificates(QSslCertificate::fromData(readFile(QStringLiteral("ca.pem"))));
    return trusting;
}

// A loopback port on which nothing listens.
quint16 unusedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    return server.serverPort();
}

// Sets an environment variable until the guard it returns goes.
auto environmentVariable(const QByteArray &name, const QString &value)
{
    qputenv(name.constData(), value.toUtf8());
    return qScopeGuard([name] { qunsetenv(name.constData()); });
}

// nghttpx, a real HTTP/2 server, serving TLS with the test authority's certificate in front of a
// platform that speaks plain HTTP/1.1, with as many streams at once on a connection as it is told.
// It logs each request it passes on.
class Http2Front
{
public:
    explicit Http2Front(quint16 platformPort, int streams = 100)
        : m_port(unusedPort())
    {
        const QString tls = QStringLiteral(QUORVALE_TEST_TLS_DIR "/");
        m_process.setProgram(program());
        m_process.setArguments(
            {QStringLiteral("--conf=/dev/null"), QStringLiteral("--single-process"),
             QStringLiteral("--workers=1"), QStringLiteral("--no-ocsp"),
             QStringLiteral("--backend=127.0.0.1,%1").arg(platformPort),
             QStringLiteral("--frontend=127.0.0.1,%1").arg(m_port),
             QStringLiteral("--frontend-http2-max-concurrent-streams=%1").arg(streams),
             QStringLiteral("--accesslog-file=") + m_folder.filePath(QStringLiteral("access")),
             QStringLiteral("--errorlog-file=/dev/null"), tls + QStringLiteral("server.key"),
             tls + QStringLiteral("server.pem")});
        m_process.start();
    }
    ~Http2Front()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Debian's nghttp2-proxy installs it outside a user's path.
    static QString program()
    {
        return QStandardPaths::findExecutable(QStringLiteral("nghttpx"), {QStringLiteral("/usr/sbin")});
    }

    // Whether it runs and takes connections, within a generous bound.
    bool ready()
    {
        QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_process.state() != QProcess::NotRunning) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, m_port);
            if (probe.waitForConnected(200))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    quint16 port() const { return m_port; }
    QByteArray accessLog() const
    {
        QFile log(m_folder.filePath(QStringLiteral("access")));
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_folder;
    quint16 m_port;
    QProcess m_process;
};

// The test authority's platform over HTTP/2 through nghttpx, or over HTTP/1.1 with its own TLS, and a
// relay before it that can forget connections; the client reaches it through the relay.
struct ForgettingNetwork
{
    ForgettingNetwork(bool http2, const TransportSettings &transport, int streams = 100)
        : fixture({}, http2 ? std::optional<QSslConfiguration>() : serverTls())
    {
        if (http2)
            front.emplace(fixture.platform.port(), streams);
        relay.emplace(std::chrono::milliseconds(0), http2 ? front->port() : fixture.platform.port());
        QUrl origin(QStringLiteral("https://127.0.0.1"));
        origin.setPort(relay->port());
        api = std::make_unique<QuorvaleAPI>(origin, transport, [this] { return fixture.clientNow; });
    }
    bool ready() { return !front || front->ready(); }

    ClientFixture fixture;
    std::optional<Http2Front> front;
    std::optional<DelayRelay> relay;
    std::unique_ptr<QuorvaleAPI> api;
};

// A network namespace of this thread's own with loopback up, for as long as it lives; what the
// thread opens or starts meanwhile lives in it. There the bytes of a connection can vanish as they do
// when a NAT or a firewall forgot it: unacknowledged, which a relay cannot show, as its kernel
// acknowledges whatever reaches it.
class PrivateNetwork
{
public:
    PrivateNetwork()
        : m_home(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
    {
        if (nft().isEmpty()) {
            m_missing = "nft (Debian's nftables) is not installed";
            return;
        }
        if (m_home < 0 || ::unshare(CLONE_NEWNET) != 0) {
            m_missing = "A network namespace of its own needs root";
            return;
        }
        m_entered = true;
        const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq loopback{};
        qstrncpy(loopback.ifr_name, "lo", IFNAMSIZ);
        loopback.ifr_flags = IFF_UP;
        if (control < 0 || ::ioctl(control, SIOCSIFFLAGS, &loopback) != 0)
            m_missing = "Loopback does not come up in a network namespace";
        ::close(control);
    }
    ~PrivateNetwork()
    {
        if (m_entered)
            ::setns(m_home, CLONE_NEWNET);
        ::close(m_home);
    }

    // Why the namespace cannot be had here, or nothing when it is.
    const char *missing() const { return m_missing; }

    // Every packet of the connections open to the port now vanishes from here on, both ways; those
    // made later pass. False when there was none or nft refused.
    bool forget(quint16 port)
    {
        QFile table(QStringLiteral("/proc/thread-self/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        QList<QByteArray> ports;
        // Each line after the first: number, local and remote address and port in hexadecimal, state.
        for (const QByteArray &line : table.readAll().split('\n').mid(1)) {
            const QList<QByteArray> columns = line.simplified().split(' ');
            const bool established = columns.size() > 3 && columns[3] == "01";
            if (established && columns[2].split(':').last().toUShort(nullptr, 16) == port)
                ports.append(QByteArray::number(columns[1].split(':').last().toUShort(nullptr, 16)));
        }
        if (ports.isEmpty())
            return false;
        const QByteArray set = "{ " + ports.join(", ") + " }";
        return apply("table inet forgetting {\n chain input {\n  type filter hook input priority 0;\n"
                     "  tcp sport " + set + " drop\n  tcp dport " + set + " drop\n }\n}\n");
    }

    // Whatever a client sends to the port vanishes, unacknowledged, until resume(): a Wi-Fi handover
    // or a congested link. Connections still open, as their handshakes carry no data.
    bool stall(quint16 port)
    {
        return apply("table inet stalled {\n chain input {\n  type filter hook input priority 0;\n"
                     "  tcp dport " + QByteArray::number(port) + " meta length > 100 drop\n }\n}\n");
    }
    bool resume() { return apply("delete table inet stalled\n"); }

    // A name server asked from here never answers: a name it is asked for fails only once the
    // resolver gives up.
    bool silenceNameServers()
    {
        return ip({QStringLiteral("route"), QStringLiteral("add"), QStringLiteral("default"), QStringLiteral("dev"),
                   QStringLiteral("lo")}) &&
               apply("table inet unanswered {\n chain prerouting {\n  type filter hook prerouting priority -300;\n"
                     "  udp dport 53 drop\n  tcp dport 53 drop\n }\n}\n");
    }

    // A new address comes, as when the computer joins another network.
    bool addAddress()
    {
        return ip({QStringLiteral("address"), QStringLiteral("add"), QStringLiteral("127.0.0.2/32"),
                   QStringLiteral("dev"), QStringLiteral("lo")});
    }

private:
    static bool ip(const QStringList &arguments)
    {
        return QProcess::execute(QStandardPaths::findExecutable(QStringLiteral("ip"), {QStringLiteral("/usr/sbin")}),
                                 arguments) == 0;
    }
    static bool apply(const QByteArray &ruleset)
    {
        QProcess rules;
        rules.start(nft(), {QStringLiteral("-f"), QStringLiteral("-")});
        rules.write(ruleset);
        rules.closeWriteChannel();
        return rules.waitForFinished(10000) && rules.exitStatus() == QProcess::NormalExit &&
               rules.exitCode() == 0;
    }

    // Debian's nftables installs it outside a user's path.
    static QString nft()
    {
        return QStandardPaths::findExecutable(QStringLiteral("nft"), {QStringLiteral("/usr/sbin")});
    }

    int m_home;
    bool m_entered = false;
    const char *m_missing = nullptr;
};

QByteArray gzipped(const QByteArray &bytes)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray packed(qsizetype(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(packed.data());
    stream.avail_out = uInt(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return packed;
}

} // namespace

class TestClient : public QObject
{
    Q_OBJECT

private slots:
    void mapsAnswersToErrorsKeepingCookies_data();
    void mapsAnswersToErrorsKeepingCookies();
    void refusesForeignTargetsBeforeSending();
    void sendsPlatformFieldsAndReturnsEnvelope();
    void endsTimeLimitWithItsRequest();
    void reportsTransportFailuresAsNetwork_data();
    void reportsTransportFailuresAsNetwork();
    void trustsOnlyKnownCertificates();
    void cutsOffHostileAnswersPromptly_data();
    void cutsOffHostileAnswersPromptly();
    void letsEndlessChunkedAnswersGo_data();
    void letsEndlessChunkedAnswersGo();
    void endsRequestsInFlightWhenTheClientGoes();
    void letsAListenerEndTheTransfer_data();
    void letsAListenerEndTheTransfer();
    void reachesThePlatformThroughTheProxyNamed_data();
    void reachesThePlatformThroughTheProxyNamed();
    void keepsConnectionsBetweenRequests_data();
    void keepsConnectionsBetweenRequests();
    void recoversFromAForgottenConnection_data();
    void recoversFromAForgottenConnection();
    void leavesEveryConnectionForgottenWithTheFailedOne_data();
    void leavesEveryConnectionForgottenWithTheFailedOne();
    void leavesAFailedConnectionWithAllItsStreams();
    void findsAConnectionWhoseBytesVanish_data();
    void findsAConnectionWhoseBytesVanish();
    void shutsDownOnlyTheSocketsItsConnectionsOpened();
    void waitsOutAStallOnANewConnection_data();
    void waitsOutAStallOnANewConnection();
    void leavesKeptConnectionsWhenTheNetworkChanges();
    void searchesASlowPlatformWhole_data();
    void searchesASlowPlatformWhole();
    void leavesConnectionsQuietTooLong_data();
    void leavesConnectionsQuietTooLong();
    void opensConnectionsAtOnceToAnHttp1PlatformAfterAQuiet();
    void readsCompressedAnswersWithinTheLimit_data();
    void readsCompressedAnswersWithinTheLimit();
    void takesOnlyAClosedConnectionAsTheAnswersEnd_data();
    void takesOnlyAClosedConnectionAsTheAnswersEnd();
    void digestMatchesIndependentValue();
    void refusesSignIn();
    void marksWeakPasswords_data();
    void marksWeakPasswords();
    void importsOnlyThePlatformsCookies_data();
    void importsOnlyThePlatformsCookies();
    void signsInSendingOnlyTheDigest();
    void sendsAFailingSignInOnce_data();
    void sendsAFailingSignInOnce();
    void timestampFollowsPlatformClock();
    void demandsCaptchaAfterWrongPassword();
    void sessionChangesClearTeacherCaches();
    void signOutEndsOnFreshSession();
    void signOutWakesRequestsIntoNewSession();
    void buildsSortedEscapedPaths();
    void storesCredentialsAsJsonAndFailsPlainlyWithoutSecretService();
};

void TestClient::mapsAnswersToErrorsKeepingCookies_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("location");
    const auto row = [](const char *name, int status, const QByteArray &body, Kind kind, qint64 code = 0,
                        const QString &message = {}, const QString &location = {}) {
        QTest::newRow(name) << status << body << int(kind) << code << message << location;
    };
    const QByteArray ok = R"({"state":0,"data":{}})";

    row("401", 401, ok, Kind::Unauthenticated);
    row("403", 403, ok, Kind::Service, 403, "当前账号没有访问权限");
    row("500 with an envelope", 500, ok, Kind::InvalidResponse);
    row("204", 204, {}, Kind::InvalidResponse);
    row("not JSON", 200, "<html></html>", Kind::InvalidResponse);
    row("state missing", 200, R"({"data":1})", Kind::InvalidResponse);
    row("state as text", 200, R"({"state":"0"})", Kind::InvalidResponse);
    row("session gone", 200, R"({"state":999901,"msg":"x"})", Kind::Unauthenticated);
    row("session expired", 200, R"({"state":999904})", Kind::Unauthenticated);
    row("empty msgCN wins", 200, R"({"state":5,"msgCN":"","msg":"参数错误"})", Kind::Service, 5, "");
    row("msg when msgCN is no text", 200, R"({"state":5,"msgCN":7,"msg":"参数错误"})", Kind::Service, 5,
        "参数错误");
    row("no message", 200, R"({"state":5})", Kind::Service, 5, "澜序拒绝了此次请求，请检查输入或登录状态");
    row("message cut at 250", 200, R"({"state":7,"msgCN":")" + QByteArray(300, 'a') + R"("})", Kind::Service,
        7, QString(250, u'a'));
    row("redirect to another host", 302, ok, Kind::InvalidResponse, 0, {}, "{other}/api/Test/Probe");
    row("redirect to another scheme", 302, ok, Kind::InvalidResponse, 0, {}, "https://127.0.0.1:{port}/x");
    row("redirect to another port", 302, ok, Kind::InvalidResponse, 0, {},
        "http://127.0.0.1:{otherport}/api/Test/Probe");
    row("redirect without location", 302, ok, Kind::InvalidResponse);
    row("redirect to the sign-in page", 302, ok, Kind::Unauthenticated, 0, {}, "/newsis/login");
}

void TestClient::mapsAnswersToErrorsKeepingCookies()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(int, kind);
    QFETCH(qint64, code);
    QFETCH(QString, message);
    QFETCH(QString, location);

    ClientFixture fixture;
    demo::DemoPlatform other;
    other.listen();
    QUrl otherOrigin = other.origin();
    otherOrigin.setHost(QStringLiteral("localhost"));
    demo::HttpResponse answer = jsonAnswer(body, status);
    answer.addHeader("Set-Cookie", "kept=yes; Path=/");
    if (!location.isEmpty())
        answer.setHeader("Location", expand(location, fixture.platform.origin(), otherOrigin).toUtf8());
    fixture.platform.faults().answer(probe, answer);

    const auto error = getFailure(*fixture.api);
    QVERIFY(error);
    QCOMPARE(int(error->kind()), kind);
    if (error->kind() == Kind::Service) {
        QCOMPARE(error->code(), code);
        QCOMPARE(error->message(), message);
        QCOMPARE(error->description(),
                 message + QStringLiteral("（代码 ") + QString::number(code) + QStringLiteral("）"));
    }
    QVERIFY(other.requests().isEmpty());

    // The cookies of the failing answer go with the next request.
    fixture.platform.faults().answer(next, jsonAnswer(R"({"state":0})"));
    QVERIFY(!getFailure(*fixture.api, next));
    QCOMPARE(fixture.platform.requestsTo(next).first().cookie("kept"), QByteArray("yes"));
    QCOMPARE(fixture.api->cookies().size(), 1);
}

void TestClient::refusesForeignTargetsBeforeSending()
{
    const QList<std::pair<QString, bool>> targets{{"http://127.0.0.1:{port}/api/Test/Probe", true},
                                                  {"http://localhost:{port}/api/Test/Probe", false},
                                                  {"https://127.0.0.1:{port}/api/Test/Probe", false},
                                                  {"//localhost:{port}/api/Test/Probe", false},
                                                  {"http://127.0.0.1:{otherport}/api/Test/Probe", false}};
    for (const auto &[target, sent] : targets) {
        ClientFixture fixture;
        demo::DemoPlatform other;
        other.listen();
        fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"));
        const auto error =
            getFailure(*fixture.api, expand(target, fixture.platform.origin(), other.origin()));
        QCOMPARE(fixture.platform.requests().size(), sent ? 1 : 0);
        QVERIFY(other.requests().isEmpty());
        QCOMPARE(error ? int(error->kind()) : -1, sent ? -1 : int(Kind::InvalidResponse));
    }
}

void TestClient::sendsPlatformFieldsAndReturnsEnvelope()
{
    ClientFixture fixture;
    // A slow answer well within the time limits still arrives.
    fixture.platform.setAnswerDelay([](const demo::HttpRequest &) { return 150; });
    const QByteArray envelope = R"({"state":0,"extra":[1,{"a":null}]})";
    fixture.platform.faults().answer(probe, jsonAnswer(envelope));
    const QByteArray body = R"({"q":"甲"})";
    QCOMPARE(awaitTask(fixture.api->request(probe, QStringLiteral("POST"), body)),
             QJsonDocument::fromJson(envelope).object());

    QCOMPARE(fixture.platform.requests().size(), 1);
    const demo::HttpRequest sent = fixture.platform.requests().first();
    const QByteArray origin = fixture.platform.origin().toString().toUtf8();
    QCOMPARE(sent.method, QByteArray("POST"));
    QCOMPARE(sent.header("Accept"), QByteArray("application/json"));
    QCOMPARE(sent.header("Origin"), origin);
    QCOMPARE(sent.header("Referer"), origin + "/newsis/login");
    QVERIFY(sent.hasHeader("K"));
    QCOMPARE(sent.header("K"), QByteArray());
    QCOMPARE(sent.header("Content-Type"), QByteArray("application/json"));
    QCOMPARE(sent.body, body);
}

void TestClient::endsTimeLimitWithItsRequest()
{
    ClientFixture fixture;
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"), 3);
    // A single-shot timer of the thread, once started, stays with the event dispatcher until it
    // fires; a request's time limit must instead end with the request. The requests are awaited by
    // polling, which starts no timer of its own.
    const QObject *dispatcher = QAbstractEventDispatcher::instance();
    const qsizetype before = dispatcher->children().size();
    for (int i = 0; i < 3; ++i) {
        const auto ending = std::make_shared<std::optional<QString>>();
        noteEnding(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt), ending);
        QTRY_VERIFY(ending->has_value());
        QCOMPARE(**ending, QString());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(dispatcher->children().size(), before);
}

void TestClient::reportsTransportFailuresAsNetwork_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("connection dropped") << "drop";
    QTest::newRow("answer breaks off") << "cut";
    QTest::newRow("not HTTP") << "garbage";
    QTest::newRow("platform unreachable") << "closed";
    QTest::newRow("silent past the answer limit") << "silent";
    QTest::newRow("held past the request limit") << "held";
    QTest::newRow("endless redirects") << "loop";
}

void TestClient::reportsTransportFailuresAsNetwork()
{
    QFETCH(QString, fault);
    TransportSettings transport;
    if (fault == QLatin1String("silent"))
        transport.requestTimeout = std::chrono::milliseconds(200);
    if (fault == QLatin1String("held"))
        transport.resourceTimeout = std::chrono::milliseconds(300);
    ClientFixture fixture(transport);
    demo::Faults &faults = fixture.platform.faults();
    if (fault == QLatin1String("drop"))
        faults.drop(probe, demo::Faults::always);
    if (fault == QLatin1String("cut"))
        faults.raw(probe, "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"state\":0", demo::Faults::always);
    if (fault == QLatin1String("garbage"))
        faults.raw(probe, "hello there\r\n\r\n", demo::Faults::always);
    if (fault == QLatin1String("closed"))
        fixture.platform.close();
    if (fault == QLatin1String("silent") || fault == QLatin1String("held"))
        faults.hold(probe);
    if (fault == QLatin1String("loop"))
        faults.answer(probe, demo::HttpResponse::redirect("/api/Test/Probe"), demo::Faults::always);

    const auto error = getFailure(*fixture.api);
    QVERIFY(error);
    QCOMPARE(error->kind(), Kind::Network);
    QCOMPARE(error->description(), QStringLiteral("无法连接澜序，请检查网络后重试"));
}

void TestClient::trustsOnlyKnownCertificates()
{
    // A test-only authority and a certificate for 127.0.0.1 that it signed, valid for a century.
    const QSslConfiguration server = serverTls();
    QVERIFY(!server.localCertificate().isNull() && !server.privateKey().isNull());
    ClientFixture fixture({}, server);
    QCOMPARE(fixture.platform.origin().scheme(), QStringLiteral("https"));

    const auto error = apiFailure(fixture.api->currentUser());
    QVERIFY(error);
    QCOMPARE(error->kind(), Kind::Network);
    QVERIFY(fixture.platform.requests().isEmpty());

    // The same call succeeds once the test authority is added to the request's TLS configuration.
    QuorvaleAPI api(fixture.platform.origin(), trustingTestAuthority(),
                    [&fixture] { return fixture.clientNow; });
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(fixture.platform.requests().size(), 1);
}

void TestClient::cutsOffHostileAnswersPromptly_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("declares 100 MB") << "declared";
    QTest::newRow("100 MB of undeclared length") << "undeclared";
    QTest::newRow("5000 cookie fields") << "cookies";
}

void TestClient::cutsOffHostileAnswersPromptly()
{
    QFETCH(QString, fault);
    // Well past the wait for the answer: a flood must end by itself, not by the silence limit.
    TransportSettings transport;
    transport.requestTimeout = std::chrono::minutes(5);
    transport.resourceTimeout = std::chrono::minutes(5);
    ClientFixture fixture(transport);
    // A well-formed envelope of 100 MB of small objects.
    const QByteArray head = R"({"state":0,"data":[)";
    const QByteArray fill = R"({"a":1},)";
    const QByteArray tail = R"({"a":1}]})";
    const qint64 repeats = (qint64(100) * 1024 * 1024 - head.size() - tail.size()) / fill.size();
    const qint64 length = head.size() + repeats * fill.size() + tail.size();
    if (fault == QLatin1String("declared"))
        fixture.platform.faults().flood(
            probe,
            "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                QByteArray::number(length) + "\r\n\r\n" + head,
            fill, repeats, tail);
    if (fault == QLatin1String("undeclared"))
        fixture.platform.faults().flood(
            probe, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n" + head,
            fill, repeats, tail);
    if (fault == QLatin1String("cookies")) {
        demo::HttpResponse answer = jsonAnswer(R"({"state":0})");
        for (int i = 0; i < 5000; ++i)
            answer.addHeader("Set-Cookie", "c" + QByteArray::number(i) + "=v; Path=/");
        fixture.platform.faults().answer(probe, answer);
    }

    QVERIFY(resetPeak());
    const long peakBefore = peakKilobytes();
    const auto error = getFailure(*fixture.api);
    QVERIFY(error);
    QCOMPARE(error->description(), QuorvaleAPIError::network().description());
    // Reading the whole answer would take hundreds of megabytes.
    QCOMPARE_LT(peakKilobytes() - peakBefore, 64 * 1024);
}

void TestClient::letsEndlessChunkedAnswersGo_data()
{
    QTest::addColumn<QByteArray>("chunk");
    QTest::newRow("one byte") << QByteArray("1\r\n \r\n");
    QTest::newRow("64 KB") << "10000\r\n" + QByteArray(64 * 1024, ' ') + "\r\n";
}

void TestClient::letsEndlessChunkedAnswersGo()
{
    QFETCH(QByteArray, chunk);
    // Repeated to a block of at least 48 KB, so that the server writes as fast as loopback takes it.
    RawAnswer server(
        "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n",
        chunk.repeated(1 + 48 * 1024 / chunk.size()));
    TransportSettings transport;
    transport.resourceTimeout = std::chrono::seconds(2);
    QuorvaleAPI api(server.origin(), transport, {});

    QVERIFY(resetPeak());
    const long peakBefore = peakKilobytes();
    QCOMPARE(failureText(api.login(account, password, QString())), QuorvaleAPIError::network().description());
    // The client closes the connection, so nothing is read or kept after the failure.
    QTRY_VERIFY(server.closedByClient());
    QCOMPARE_LT(peakKilobytes() - peakBefore, 32 * 1024);
    QCOMPARE(server.requests(), 1);
}

void TestClient::endsRequestsInFlightWhenTheClientGoes()
{
    ClientFixture fixture;
    fixture.platform.faults().hold(probe);
    const auto ending = std::make_shared<std::optional<QString>>();
    noteEnding(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt), ending);
    QTRY_COMPARE(fixture.platform.heldCount(), 1);
    fixture.api.reset();
    QCOMPARE(*ending, std::optional(QuorvaleAPIError::network().description()));
}

void TestClient::letsAListenerEndTheTransfer_data()
{
    QTest::addColumn<bool>("head");
    QTest::addColumn<bool>("owner");
    QTest::newRow("the head arrived; the transfer goes") << true << false;
    QTest::newRow("the head arrived; its owner goes") << true << true;
    QTest::newRow("the body grew; the transfer goes") << false << false;
    QTest::newRow("the body grew; its owner goes") << false << true;
}

void TestClient::letsAListenerEndTheTransfer()
{
    QFETCH(bool, head);
    QFETCH(bool, owner);
    ClientFixture fixture;
    fixture.platform.faults().answer(
        probe, jsonAnswer(R"({"state":0,"data":")" + QByteArray(100000, 'x') + R"("})"));
    QPointer<QObject> context = new QObject;
    QUrl url = fixture.platform.origin();
    url.setPath(probe);
    QPointer<HttpTransfer> transfer = new HttpTransfer(
        CurlMulti::of(context), {url, "GET", {}, std::nullopt, std::nullopt},
        {std::chrono::seconds(20), std::nullopt, PlatformSession::answerLimit, std::nullopt, std::nullopt}, context);
    // A listener that deletes what libcurl is still working on, as it might when a person closes
    // the window at that moment.
    const auto end = [&] {
        if (owner)
            delete context.data();
        else
            delete transfer.data();
    };
    if (head)
        connect(transfer, &HttpTransfer::headArrived, end);
    else
        connect(transfer, &HttpTransfer::bodyGrew, end);
    transfer->start();
    QTRY_VERIFY(!transfer);
    QCOMPARE(context.isNull(), owner);
    delete context.data();
    // The platform still answers, on connections of another owner.
    QCOMPARE(awaitTask(fixture.api->currentUser()).isAuthenticated, false);
}

void TestClient::reachesThePlatformThroughTheProxyNamed_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<bool>("refused");
    QTest::newRow("https_proxy") << QByteArray("https_proxy") << false;
    QTest::newRow("HTTPS_PROXY") << QByteArray("HTTPS_PROXY") << false;
    QTest::newRow("all_proxy") << QByteArray("all_proxy") << false;
    QTest::newRow("ALL_PROXY") << QByteArray("ALL_PROXY") << false;
    QTest::newRow("a proxy that asks for credentials") << QByteArray("https_proxy") << true;
}

void TestClient::reachesThePlatformThroughTheProxyNamed()
{
    QFETCH(QByteArray, variable);
    QFETCH(bool, refused);
    ClientFixture fixture({}, serverTls());
    // The platform's address in the client leads nowhere, and loopback is never proxied: a name no
    // resolver knows, which only the proxy reaches.
    QUrl unreachable = fixture.platform.origin();
    unreachable.setHost(QStringLiteral("platform.test"));
    unreachable.setPort(unusedPort());
    DelayRelay proxy(std::chrono::milliseconds(0), fixture.platform.port(),
                     refused ? DelayRelay::Proxy::AsksCredentials : DelayRelay::Proxy::Tunnel);
    const auto unset = environmentVariable(variable, QString::fromLatin1(proxy.address()));
    QuorvaleAPI api(unreachable, trustingTestAuthority(), [&fixture] { return fixture.clientNow; });

    if (refused) {
        QCOMPARE(failureText(api.currentUser()), QuorvaleAPIError::network().description());
        QCOMPARE(proxy.counts().tunnels, 1);
        QVERIFY(fixture.platform.requests().isEmpty());
        return;
    }
    QVERIFY(awaitTask(api.login(account, password, QString())).isAuthenticated);
    QVERIFY(awaitTask(api.currentUser()).isAuthenticated);
    QCOMPARE(fixture.platform.requestsTo(loginPath).size(), 1);
    QCOMPARE(proxy.counts().tunnels, proxy.counts().connections);
}

void TestClient::keepsConnectionsBetweenRequests_data()
{
    QTest::addColumn<bool>("proxied");
    QTest::newRow("direct") << false;
    QTest::newRow("through a proxy") << true;
}

void TestClient::keepsConnectionsBetweenRequests()
{
    QFETCH(bool, proxied);
    ClientFixture fixture({}, serverTls());
    // A relay before the platform counts the connections made to it.
    DelayRelay proxy(std::chrono::milliseconds(0), fixture.platform.port(),
                     proxied ? DelayRelay::Proxy::Tunnel : DelayRelay::Proxy::None);
    QUrl origin = fixture.platform.origin();
    origin.setPort(proxied ? unusedPort() : proxy.port());
    if (proxied)
        origin.setHost(QStringLiteral("platform.test"));
    const auto unset = environmentVariable("https_proxy", proxied ? QString::fromLatin1(proxy.address()) : QString());
    QuorvaleAPI api(origin, trustingTestAuthority(), [&fixture] { return fixture.clientNow; });

    for (int round = 0; round < 3; ++round)
        QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(fixture.platform.requests().size(), 3);
    QCOMPARE(proxy.counts().connections, 1);
    QCOMPARE(proxy.counts().tunnels, proxied ? 1 : 0);

    // The sign-out goes on a connection of its own, and the session after it keeps none of the
    // connections of the one before.
    awaitTask(api.logout());
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(proxy.counts().connections, 3);
}

void TestClient::recoversFromAForgottenConnection_data()
{
    QTest::addColumn<bool>("http2");
    QTest::addColumn<DelayRelay::Forgetting>("how");
    QTest::newRow("HTTP/2, forgotten silently") << true << DelayRelay::Forgetting::Silently;
    QTest::newRow("HTTP/2, reset as a request goes out") << true << DelayRelay::Forgetting::WithReset;
    QTest::newRow("HTTP/1.1, forgotten silently") << false << DelayRelay::Forgetting::Silently;
    QTest::newRow("HTTP/1.1, reset as a request goes out") << false << DelayRelay::Forgetting::WithReset;
}

void TestClient::recoversFromAForgottenConnection()
{
    QFETCH(bool, http2);
    QFETCH(DelayRelay::Forgetting, how);
    TransportSettings transport = trustingTestAuthority();
    transport.requestTimeout = std::chrono::milliseconds(1500);
    if (http2 && Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    ForgettingNetwork network(http2, transport);
    QVERIFY(network.ready());
    DelayRelay &relay = *network.relay;
    QuorvaleAPI &api = *network.api;
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);

    // The request on the forgotten connection fails, and goes again on a new one.
    relay.forget(how);
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(relay.counts().connections, 2);
    // The next request takes the new connection at once.
    const int vanished = relay.counts().vanished;
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(relay.counts().connections, 2);
    QCOMPARE(relay.counts().vanished, vanished);

    // The sign-in goes once, on a connection of its own; the check that follows it recovers.
    relay.forget(how);
    QVERIFY(awaitTask(api.login(account, password, QString())).isAuthenticated);
    QCOMPARE(network.fixture.platform.requestsTo(loginPath).size(), 1);
    QCOMPARE(relay.counts().connections, 4);
    if (http2)
        QVERIFY(network.front->accessLog().contains(" HTTP/2\""));
}

void TestClient::leavesEveryConnectionForgottenWithTheFailedOne_data()
{
    QTest::addColumn<bool>("http2");
    QTest::newRow("HTTP/2") << true;
    QTest::newRow("HTTP/1.1") << false;
}

void TestClient::leavesEveryConnectionForgottenWithTheFailedOne()
{
    QFETCH(bool, http2);
    TransportSettings transport = trustingTestAuthority();
    transport.requestTimeout = std::chrono::milliseconds(1500);
    if (http2 && Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    // One stream at a time on an HTTP/2 connection, as on HTTP/1.1.
    ForgettingNetwork network(http2, transport, 1);
    QVERIFY(network.ready());
    network.fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"), demo::Faults::always);
    DelayRelay &relay = *network.relay;
    QuorvaleAPI &api = *network.api;
    // Two lookups at once need two connections, which are kept.
    const auto twoLookups = [&api] {
        const auto first = std::make_shared<std::optional<QString>>();
        const auto second = std::make_shared<std::optional<QString>>();
        noteEnding(api.request(probe, QStringLiteral("GET"), std::nullopt), first);
        noteEnding(api.request(probe, QStringLiteral("GET"), std::nullopt), second);
        QTRY_VERIFY_WITH_TIMEOUT(first->has_value() && second->has_value(), 60000);
        QCOMPARE(**first, QString());
        QCOMPARE(**second, QString());
    };
    // One lookup first, so that an HTTP/2 client knows the limit of streams before it asks for two.
    QCOMPARE(failureText(api.request(probe, QStringLiteral("GET"), std::nullopt)), QString());
    twoLookups();
    QCOMPARE(relay.counts().connections, 2);

    // The first request after the forgetting fails on one of them and goes again on a new one; the
    // sign-in, the check after it and two lookups at once then find the other gone as well.
    relay.forget();
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    const int vanished = relay.counts().vanished;
    QElapsedTimer waited;
    waited.start();
    QVERIFY(awaitTask(api.login(account, password, QString())).isAuthenticated);
    twoLookups();
    QCOMPARE_LT(waited.elapsed(), transport.requestTimeout.count());
    QCOMPARE(relay.counts().vanished, vanished);
    QCOMPARE(network.fixture.platform.requestsTo(loginPath).size(), 1);
}

void TestClient::leavesAFailedConnectionWithAllItsStreams()
{
    TransportSettings transport = trustingTestAuthority();
    transport.requestTimeout = std::chrono::milliseconds(1500);
    if (Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    ForgettingNetwork network(true, transport);
    QVERIFY(network.ready());
    network.fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"), demo::Faults::always);
    DelayRelay &relay = *network.relay;
    QCOMPARE(awaitTask(network.api->currentUser()).isAuthenticated, false);

    // Two streams go out on the forgotten connection, the second well after the first.
    relay.forget();
    const auto first = std::make_shared<std::optional<QString>>();
    const auto second = std::make_shared<std::optional<QString>>();
    noteEnding(network.api->request(probe, QStringLiteral("GET"), std::nullopt), first);
    QTRY_VERIFY(relay.counts().vanished > 0);
    const int firstBytes = relay.counts().vanished;
    QTest::qWait(500);
    noteEnding(network.api->request(probe, QStringLiteral("GET"), std::nullopt), second);
    QTRY_VERIFY(relay.counts().vanished > firstBytes);
    // Once the first has failed and gone again, nothing more goes on that connection, though the
    // second stream was still waiting on it.
    QTRY_VERIFY_WITH_TIMEOUT(first->has_value(), 10000);
    const int vanished = relay.counts().vanished;
    QCOMPARE(failureText(network.api->request(probe, QStringLiteral("GET"), std::nullopt)), QString());
    QCOMPARE(relay.counts().vanished, vanished);
    QTRY_VERIFY_WITH_TIMEOUT(second->has_value(), 10000);
    QCOMPARE(**first, QString());
    QCOMPARE(**second, QString());
}

void TestClient::findsAConnectionWhoseBytesVanish_data()
{
    QTest::addColumn<bool>("http2");
    QTest::addColumn<bool>("forgotten");
    QTest::newRow("HTTP/2") << true << true;
    QTest::newRow("HTTP/1.1") << false << true;
    QTest::newRow("HTTP/2, a slow platform") << true << false;
}

void TestClient::findsAConnectionWhoseBytesVanish()
{
    QFETCH(bool, http2);
    QFETCH(bool, forgotten);
    if (http2 && Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    PrivateNetwork network;
    if (network.missing())
        QSKIP(network.missing());
    TransportSettings transport = trustingTestAuthority();
    transport.unacknowledgedLimit = std::chrono::seconds(1);
    ForgettingNetwork platform(http2, transport);
    QVERIFY(platform.ready());
    platform.fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"), demo::Faults::always);
    QuorvaleAPI &api = *platform.api;
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QElapsedTimer waited;
    waited.start();

    if (!forgotten) {
        // A slow platform answers long after the bound, but its TCP acknowledges the request at once.
        platform.fixture.platform.faults().hold(currentUserPath);
        QTimer::singleShot(3 * transport.unacknowledgedLimit, Qt::PreciseTimer, &platform.fixture.platform,
                           &demo::DemoPlatform::releaseHeld);
        QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
        QCOMPARE_GE(waited.elapsed(), 3 * transport.unacknowledgedLimit.count());
        QCOMPARE(platform.fixture.platform.requestsTo(currentUserPath).size(), 2);
        QCOMPARE(platform.relay->counts().connections, 1);
        return;
    }

    // Two lookups go onto the forgotten connection, on HTTP/2 as streams of it; both go again on new
    // connections long before the silence limit.
    QVERIFY(network.forget(platform.relay->port()));
    const auto first = std::make_shared<std::optional<QString>>();
    const auto second = std::make_shared<std::optional<QString>>();
    noteEnding(api.request(probe, QStringLiteral("GET"), std::nullopt), first);
    noteEnding(api.request(probe, QStringLiteral("GET"), std::nullopt), second);
    QTRY_VERIFY_WITH_TIMEOUT(first->has_value() && second->has_value(), 60000);
    QCOMPARE_LT(waited.elapsed(), transport.requestTimeout.count());
    QCOMPARE(**first, QString());
    QCOMPARE(**second, QString());
    QCOMPARE(platform.fixture.platform.requestsTo(probe).size(), 2);

    // The sign-in goes once, on a connection of its own; the check that follows it on the kept
    // connection, forgotten too, goes again as soon.
    QVERIFY(network.forget(platform.relay->port()));
    waited.restart();
    QVERIFY(awaitTask(api.login(account, password, QString()), 60000).isAuthenticated);
    QCOMPARE_LT(waited.elapsed(), transport.requestTimeout.count());
    QCOMPARE(platform.fixture.platform.requestsTo(loginPath).size(), 1);
}

// The simulated platform behind a relay that can forget its connections.
struct RelayedPlatform
{
    // The probe's address through the relay, reached by that host name.
    QUrl probeAt(const QString &host = QStringLiteral("127.0.0.1")) const
    {
        QUrl url(QStringLiteral("http://") + host + probe);
        url.setPort(relay.port());
        return url;
    }

    ClientFixture fixture;
    DelayRelay relay{std::chrono::milliseconds(0), fixture.platform.port()};
};

// One GET or POST on the multi handle of its owner; whether it was answered whole.
bool answered(QObject *owner, const QUrl &url, const QByteArray &method = "GET",
              std::chrono::milliseconds silence = std::chrono::milliseconds(1500))
{
    const HttpTransfer::Limits limits{silence, std::nullopt, PlatformSession::answerLimit,
                                      std::nullopt, std::nullopt, std::chrono::seconds(60),
                                      std::chrono::milliseconds(500)};
    HttpTransfer transfer(CurlMulti::of(owner), {url, method, {}, std::nullopt, std::nullopt}, limits, nullptr);
    transfer.start();
    return QTest::qWaitFor([&transfer] { return transfer.isFinished(); }, 60000) && transfer.succeeded();
}

void TestClient::shutsDownOnlyTheSocketsItsConnectionsOpened()
{
    PrivateNetwork network;
    if (network.missing())
        QSKIP(network.missing());
    QVERIFY(network.silenceNameServers());
    const auto quickResolver = environmentVariable("RES_OPTIONS", QStringLiteral("timeout:1 attempts:1"));
    RelayedPlatform relayed;
    const QUrl platform = relayed.probeAt(QStringLiteral("localhost"));
    QObject owner;
    QVERIFY(answered(&owner, platform));

    // The resolver hands libcurl a socket pair of its own while it looks for the name, and closes it
    // when it gives up; other sockets of the program take its descriptor next.
    QVERIFY(!answered(&owner, QUrl(QStringLiteral("http://nowhere.invalid") + probe)));
    std::array<std::array<int, 2>, 4> pairs{};
    for (std::array<int, 2> &pair : pairs)
        QCOMPARE(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair.data()), 0);
    const auto closePairs = qScopeGuard([&pairs] {
        for (const std::array<int, 2> &pair : pairs) {
            ::close(pair[0]);
            ::close(pair[1]);
        }
    });

    // A request on the forgotten connection fails, and no socket but the client's own is ended.
    relayed.relay.forget();
    QVERIFY(!answered(&owner, platform));
    for (const std::array<int, 2> &pair : pairs) {
        char byte = 0;
        QCOMPARE(::send(pair[0], "x", 1, MSG_NOSIGNAL), 1);
        QCOMPARE(::recv(pair[1], &byte, 1, MSG_DONTWAIT), 1);
    }
    QVERIFY(answered(&owner, platform));
}

void TestClient::waitsOutAStallOnANewConnection_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::newRow("a POST, never sent twice") << QByteArray("POST");
    QTest::newRow("a GET that no retry would cover") << QByteArray("GET");
}

void TestClient::waitsOutAStallOnANewConnection()
{
    QFETCH(QByteArray, method);
    PrivateNetwork network;
    if (network.missing())
        QSKIP(network.missing());
    RelayedPlatform relayed;

    // The stall outlasts the bound on unacknowledged bytes by far, and ends within the silence limit.
    QVERIFY(network.stall(relayed.relay.port()));
    QTimer::singleShot(std::chrono::seconds(1), &relayed.fixture.platform, [&network] { network.resume(); });
    QObject owner;
    QVERIFY(answered(&owner, relayed.probeAt(), method, std::chrono::seconds(20)));
}

void TestClient::leavesKeptConnectionsWhenTheNetworkChanges()
{
    PrivateNetwork network;
    if (network.missing())
        QSKIP(network.missing());
    RelayedPlatform relayed;
    QObject owner;
    QVERIFY(answered(&owner, relayed.probeAt()));

    // On the new network the kept connection leads nowhere: the next request sends nothing on it,
    // and makes a new one at once.
    relayed.relay.forget();
    QVERIFY(network.addAddress());
    QVERIFY(answered(&owner, relayed.probeAt()));
    QCOMPARE(relayed.relay.counts().vanished, 0);
    QCOMPARE(relayed.relay.counts().connections, 2);
}

void TestClient::searchesASlowPlatformWhole_data()
{
    QTest::addColumn<int>("streams");
    QTest::addColumn<bool>("forgets");
    QTest::addColumn<std::chrono::milliseconds>("silence");
    QTest::newRow("behind a front taking one stream at a time") << 1 << false << std::chrono::milliseconds(20000);
    QTest::newRow("the network forgets the connection midway") << 100 << true << std::chrono::milliseconds(3000);
}

void TestClient::searchesASlowPlatformWhole()
{
    QFETCH(int, streams);
    QFETCH(bool, forgets);
    QFETCH(std::chrono::milliseconds, silence);
    if (Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    ClientFixture fixture;
    const QDate today = shanghai::dateOf(fixture.platform.now());
    demo::SchoolData school = demo::SampleSchool::generate(today);
    const QList<qint64> classIds = school.students.first().classIds;
    for (int index = 0; index < 3000; ++index)
        school.students.append({900000 + index, QStringLiteral("测%1").arg(index), QString(), classIds});
    const auto answers = demo::serveSchool(fixture.platform, school);
    // Each answer takes half a second on its way; nghttpx keeps its connections to the platform.
    DelayRelay slow(std::chrono::milliseconds(500), fixture.platform.port());
    Http2Front front(slow.port(), streams);
    QVERIFY(front.ready());
    DelayRelay relay(std::chrono::milliseconds(0), front.port());
    QUrl origin(QStringLiteral("https://127.0.0.1"));
    origin.setPort(relay.port());
    TransportSettings transport = trustingTestAuthority();
    transport.requestTimeout = silence;
    QuorvaleAPI api(origin, transport, [&fixture] { return fixture.clientNow; });
    QVERIFY(awaitTask(api.login(school.account.name, school.account.password, QString())).isAuthenticated);

    const QString pages = QStringLiteral("/api/CourseTask/GetCourseTaskClassStudentForSelectByPage");
    fixture.platform.clearLog();
    QTimer midway;
    connect(&midway, &QTimer::timeout, &midway, [&] {
        if (fixture.platform.requestsTo(pages).size() >= 10) {
            midway.stop();
            relay.forget();
        }
    });
    if (forgets)
        midway.start(10);
    const QDateTime moment = shanghai::at(today.addDays(3 - today.dayOfWeek()), 10 * 60);
    try {
        QCOMPARE_GE(awaitTask(api.search(QStringLiteral("测"), school.schoolId, moment), 120000).size(), 3000);
    } catch (const QuorvaleAPIError &error) {
        QFAIL(qPrintable(error.description()));
    }
    QHash<QByteArray, int> asked;
    for (const demo::HttpRequest &request : fixture.platform.requestsTo(pages))
        QCOMPARE_LE(++asked[request.target], 2);
    QCOMPARE_GE(asked.size(), 60);
}

void TestClient::leavesConnectionsQuietTooLong_data()
{
    QTest::addColumn<bool>("http2");
    QTest::newRow("HTTP/2") << true;
    QTest::newRow("HTTP/1.1") << false;
}

void TestClient::leavesConnectionsQuietTooLong()
{
    QFETCH(bool, http2);
    TransportSettings transport = trustingTestAuthority();
    transport.idleConnectionLimit = std::chrono::seconds(1);
    if (http2 && Http2Front::program().isEmpty())
        QSKIP("nghttpx (Debian's nghttp2-proxy) is not installed");
    ForgettingNetwork network(http2, transport);
    QVERIFY(network.ready());
    DelayRelay &relay = *network.relay;
    QCOMPARE(awaitTask(network.api->currentUser()).isAuthenticated, false);

    // The quiet is counted to the millisecond, as it is with the time a computer sleeps, not in
    // libcurl's whole seconds. A request on the forgotten connection would wait out the silence limit
    // before it went again.
    relay.forget();
    QTest::qWait(1500);
    QElapsedTimer waited;
    waited.start();
    QCOMPARE(awaitTask(network.api->currentUser(), 60000).isAuthenticated, false);
    QCOMPARE_LT(waited.elapsed(), transport.requestTimeout.count());
    QCOMPARE(relay.counts().connections, 2);
}

void TestClient::opensConnectionsAtOnceToAnHttp1PlatformAfterAQuiet()
{
    TransportSettings transport = trustingTestAuthority();
    transport.idleConnectionLimit = std::chrono::seconds(1);
    transport.requestTimeout = std::chrono::seconds(60);
    ClientFixture fixture(transport, serverTls());
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"), demo::Faults::always);
    QCOMPARE(failureText(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)), QString());

    // After the quiet every kept connection is closed. In its place a server takes connections and
    // never completes a handshake: two lookups at once each open their own at once, as the platform
    // answered over HTTP/1.1, rather than the second waiting for the first's handshake.
    QTest::qWait(1500);
    const quint16 port = fixture.platform.port();
    fixture.platform.close();
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, port));
    int accepted = 0;
    connect(&silent, &QTcpServer::newConnection, &silent, [&silent, &accepted] {
        while (silent.nextPendingConnection())
            ++accepted;
    });
    const auto first = std::make_shared<std::optional<QString>>();
    const auto second = std::make_shared<std::optional<QString>>();
    noteEnding(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt), first);
    noteEnding(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt), second);
    QTRY_COMPARE_WITH_TIMEOUT(accepted, 2, 20000);
    fixture.api.reset();
    QVERIFY(first->has_value() && second->has_value());
}

void TestClient::readsCompressedAnswersWithinTheLimit_data()
{
    QTest::addColumn<QByteArray>("envelope");
    QTest::addColumn<bool>("read");
    QTest::newRow("an envelope") << QByteArray(R"({"state":0,"data":")" + QByteArray(20000, 'x') + R"("})")
                                 << true;
    // About 64 KB on the wire that expand to 64 MB.
    QTest::newRow("a bomb") << QByteArray(R"({"state":0,"data":")" + QByteArray(64 * 1024 * 1024, ' ') +
                                          R"("})")
                            << false;
}

void TestClient::readsCompressedAnswersWithinTheLimit()
{
    QFETCH(QByteArray, envelope);
    QFETCH(bool, read);
    ClientFixture fixture;
    demo::HttpResponse answer = jsonAnswer(gzipped(envelope));
    answer.setHeader("Content-Encoding", "gzip");
    fixture.platform.faults().answer(probe, answer);
    const QJsonObject expected = read ? QJsonDocument::fromJson(envelope).object() : QJsonObject();
    envelope.clear();
    envelope.squeeze();

    QVERIFY(resetPeak());
    const long peakBefore = peakKilobytes();
    if (read) {
        QCOMPARE(awaitTask(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)), expected);
    } else {
        QCOMPARE(failureText(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)),
                 QuorvaleAPIError::network().description());
        QCOMPARE_LT(peakKilobytes() - peakBefore, 32 * 1024);
    }
    QVERIFY(fixture.platform.requests().first().header("Accept-Encoding").contains("gzip"));
}

void TestClient::takesOnlyAClosedConnectionAsTheAnswersEnd_data()
{
    QTest::addColumn<bool>("reset");
    QTest::newRow("closed") << false;
    QTest::newRow("reset") << true;
}

void TestClient::takesOnlyAClosedConnectionAsTheAnswersEnd()
{
    QFETCH(bool, reset);
    // A whole envelope framed by the connection's end, which a reset does not give.
    RawAnswer server("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\n\r\n",
                     R"({"state":0})", 1, reset ? RawAnswer::Ending::Reset : RawAnswer::Ending::Close);
    QuorvaleAPI api(server.origin(), {}, {});
    QCOMPARE(failureText(api.request(probe, QStringLiteral("GET"), std::nullopt)),
             reset ? QuorvaleAPIError::network().description() : QString());
}

void TestClient::digestMatchesIndependentValue()
{
    QCOMPARE(LoginPayload(QStringLiteral("u"), QStringLiteral("abc"), 1700000000).password,
             QStringLiteral("A596977A49CC559B1D25F2356A547E49"));
    QVERIFY(LoginPayload(QStringLiteral("u"), QStringLiteral("abc"), 1700000001).password !=
            QStringLiteral("A596977A49CC559B1D25F2356A547E49"));
    QCOMPARE(LoginPayload(QStringLiteral(" \tu\n"), QStringLiteral("abc"), 1700000000).toJson(),
             QByteArray(R"({"name":"u","password":"A596977A49CC559B1D25F2356A547E49","timestamp":1700000000,)"
                        R"("isWeekPassword":true,"LanguageType":1})"));
}

void TestClient::refusesSignIn()
{
    const QString empty = QStringLiteral("请输入账号和密码");
    const QString wrong = QuorvaleAPIError::service(1001, QStringLiteral("账号或密码错误")).description();
    const QString skewed =
        QuorvaleAPIError::service(1003, QStringLiteral("登录请求时间与服务器相差过大，请校准系统时间"))
            .description();
    const QList<std::tuple<QString, QString, int, QString>> rows{{"", "pw", 0, empty},
                                                                 {account, "", 0, empty},
                                                                 {account, "wrong", 0, wrong},
                                                                 {account, password, 3600, skewed}};
    for (const auto &[name, secret, clockGap, failure] : rows) {
        ClientFixture fixture;
        fixture.platformNow = fixture.clientNow.addSecs(clockGap);
        QCOMPARE(failureText(fixture.api->login(name, secret, QString())), failure);
        // Empty input never reaches the platform.
        QCOMPARE(fixture.platform.requests().isEmpty(), name.isEmpty() || secret.isEmpty());
        QVERIFY(fixture.api->cookies().size() <= 1);
    }
}

void TestClient::marksWeakPasswords_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QJsonValue>("weak");
    QTest::newRow("eight letters") << "abcdefgh" << QJsonValue(true);
    QTest::newRow("letters and a digit") << "abcdefg1" << QJsonValue(0);
    QTest::newRow("seven of three classes") << "a1!b2@c" << QJsonValue(true);
    QTest::newRow("21 of three classes") << "Abcdefghij1234567890!" << QJsonValue(true);
    QTest::newRow("letters and underscores") << "ab_cd_ef" << QJsonValue(true);
    QTest::newRow("strong with two underscores") << "Strong_pw_1" << QJsonValue(2);
    // The emoji counts as two units of the length and as the third class.
    QTest::newRow("beyond the basic plane") << QString::fromUtf8("abcdefg\U0001F600") << QJsonValue(0);
}

void TestClient::marksWeakPasswords()
{
    QFETCH(QString, password);
    QFETCH(QJsonValue, weak);
    ClientFixture fixture;
    apiFailure(fixture.api->login(account, password, QString()));
    const QJsonObject sent =
        QJsonDocument::fromJson(fixture.platform.requestsTo(loginPath).last().body).object();
    QCOMPARE(sent.value(QStringLiteral("isWeekPassword")), weak);
}

void TestClient::importsOnlyThePlatformsCookies_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("kept");
    QTest::newRow("the platform host") << "sis.school.example" << true;
    QTest::newRow("the host with outer dots") << ".sis.school.example." << true;
    QTest::newRow("the registrable domain with a leading dot") << ".school.example" << true;
    QTest::newRow("another host of the same domain") << "mail.school.example" << false;
    QTest::newRow("another letter case") << "SIS.school.example" << false;
    QTest::newRow("a foreign site") << "tracker.example" << false;
    QTest::newRow("a suffix of the host") << "example" << false;
}

void TestClient::importsOnlyThePlatformsCookies()
{
    QFETCH(QString, domain);
    QFETCH(bool, kept);
    QuorvaleAPI api(QUrl(QStringLiteral("https://sis.school.example")), {}, {});
    QNetworkCookie cookie("LXSESSION", "abc");
    cookie.setDomain(domain);
    cookie.setPath(QStringLiteral("/"));
    api.importCookies({cookie});
    QCOMPARE(api.cookies().size(), kept ? 1 : 0);
}

void TestClient::signsInSendingOnlyTheDigest()
{
    ClientFixture fixture;
    const SessionUser user = awaitTask(fixture.api->login(QStringLiteral(" teacher "), password, QString()));
    QCOMPARE(user, (SessionUser{true, QStringLiteral("王老师"), QList<qint64>{17, 23}}));
    QCOMPARE(awaitTask(fixture.api->currentUser()).isAuthenticated, true);
    QVERIFY(!fixture.api->cookies().isEmpty());

    const QList<demo::HttpRequest> logins = fixture.platform.requestsTo(loginPath);
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().target, QByteArray("/api/MemberShip/Login?captcha="));
    for (const demo::HttpRequest &request : fixture.platform.requests()) {
        QByteArray everything = request.target + request.body;
        for (const auto &[name, value] : request.headers)
            everything += name + value;
        QVERIFY(!everything.contains(password.toUtf8()));
        QVERIFY(!everything.contains(QUrl::toPercentEncoding(password)));
    }

    // A session the platform has expired no longer counts as signed in.
    fixture.platform.sessions().expireAll();
    QCOMPARE(apiFailure(fixture.api->currentUser())->kind(), Kind::Unauthenticated);
}

void TestClient::sendsAFailingSignInOnce_data()
{
    QTest::addColumn<QByteArray>("answer");
    QRandomGenerator generator(39);
    QByteArray noise;
    for (int i = 0; i < 5000; ++i)
        noise.append(char(generator.bounded(256)));
    // No bytes: the platform stops sending without an answer.
    QTest::newRow("half-closed") << QByteArray();
    QTest::newRow("not HTTP") << QByteArrayLiteral("\x00\xff HTTP/9 nonsense\r\n\r\n");
    QTest::newRow("random bytes") << noise;
}

void TestClient::sendsAFailingSignInOnce()
{
    QFETCH(QByteArray, answer);
    ClientFixture fixture;
    // The start-up check leaves a connection that a resend could go out on.
    awaitTask(fixture.api->currentUser());
    if (answer.isEmpty())
        fixture.platform.faults().halfClose(loginPath, demo::Faults::always);
    else
        fixture.platform.faults().raw(loginPath, answer, demo::Faults::always);

    QCOMPARE(failureText(fixture.api->login(account, password, QString())),
             QuorvaleAPIError::network().description());
    QCOMPARE(fixture.platform.requestsTo(loginPath).size(), 1);
}

void TestClient::timestampFollowsPlatformClock()
{
    // The platform's Date on a failing answer sets the clock of the next sign-in.
    ClientFixture fixture;
    fixture.platformNow = fixture.clientNow.addSecs(3600);
    fixture.platform.faults().answer(probe, jsonAnswer("{}", 401));
    QVERIFY(apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)));
    QCOMPARE(apiFailure(fixture.api->login(account, password, QString())), std::nullopt);
    QCOMPARE(loggedTimestamp(fixture.platform), fixture.platformNow.toSecsSinceEpoch());
}

void TestClient::demandsCaptchaAfterWrongPassword()
{
    ClientFixture fixture;
    QCOMPARE(awaitTask(fixture.api->captcha()), std::nullopt);
    QCOMPARE(apiFailure(fixture.api->login(account, QStringLiteral("wrong"), QString()))->code(),
             qint64(1001));

    const std::optional<QByteArray> image = awaitTask(fixture.api->captcha());
    QVERIFY(image && image->startsWith("\x89PNG"));
    // The captcha goes into the query as typed, escaped.
    QCOMPARE(*apiFailure(fixture.api->login(account, password, QStringLiteral("a+b c&验"))),
             QuorvaleAPIError::service(1002, QStringLiteral("验证码错误")));
    QCOMPARE(fixture.platform.requestsTo(loginPath).last().target,
             QByteArray("/api/MemberShip/Login?captcha=a%2Bb%20c%26%E9%AA%8C"));

    QVERIFY(awaitTask(fixture.api->captcha()));
    const QString code = fixture.platform.sessions().lastCaptchaCode();
    QCOMPARE(awaitTask(fixture.api->login(account, password, code)).isAuthenticated, true);
}

void TestClient::sessionChangesClearTeacherCaches()
{
    for (const QString change : {"sign-in", "offline sign-out", "import"}) {
        ClientFixture fixture;
        InspectableAPI api(fixture.platform.origin(), {}, [&fixture] { return fixture.clientNow; });
        const QUuid epoch = api.teacherCacheEpoch();
        const auto flight = std::make_shared<SharedFlight<ClassSections>>();
        api.m_teacherResponseCache.insert(QStringLiteral("/api/CourseTask/GetCourseList?a=1"),
                                          {fixture.clientNow, epoch, QByteArray("[]")});
        api.m_teacherClassMapCache.insert(5, {fixture.clientNow, {{9, {2, 3}}}});
        api.m_teacherClassMapFlights.insert(6, {QUuid::createUuid(), epoch, flight});

        if (change == QLatin1String("sign-in"))
            awaitTask(api.login(account, password, QString()));
        if (change == QLatin1String("offline sign-out"))
            fixture.platform.close();
        if (change.endsWith(QLatin1String("sign-out")))
            apiFailure(api.logout());
        if (change == QLatin1String("import"))
            api.importCookies({QNetworkCookie("a", "b")});

        QVERIFY(api.teacherCacheEpoch() != epoch);
        QVERIFY(api.m_teacherResponseCache.isEmpty());
        QVERIFY(api.m_teacherClassMapCache.isEmpty());
        QVERIFY(api.m_teacherClassMapFlights.isEmpty());
        QVERIFY(flight->isCancelled());
        QVERIFY_THROWS_EXCEPTION(CancellationError, awaitTask(awaitFlight(flight->future())));
    }
}

void TestClient::signOutEndsOnFreshSession()
{
    ClientFixture fixture;
    fixture.platformNow = fixture.clientNow.addSecs(600);
    awaitTask(fixture.api->currentUser());
    awaitTask(fixture.api->login(account, password, QString()));
    QVERIFY(!fixture.api->cookies().isEmpty());
    const quint16 port = fixture.platform.port();
    fixture.platform.close();
    QCOMPARE(failureText(fixture.api->logout()), QStringLiteral("无法连接澜序，请检查网络后重试"));
    QVERIFY(fixture.api->cookies().isEmpty());

    // The clock offset learnt before is forgotten with the session.
    QVERIFY(fixture.platform.listen(port));
    apiFailure(fixture.api->login(account, password, QString()));
    QCOMPARE(loggedTimestamp(fixture.platform), fixture.clientNow.toSecsSinceEpoch());
    QVERIFY(
        fixture.platform.requestsTo(loginPath).last().cookie(demo::PlatformSessions::cookieName).isEmpty());
}

void TestClient::signOutWakesRequestsIntoNewSession()
{
    ClientFixture fixture;
    awaitTask(fixture.api->login(account, password, QString()));
    fixture.platform.faults().hold(probe);
    fixture.platform.faults().answer(next, jsonAnswer(R"({"state":0})"));

    QCoro::Task<> pending = retryAfterNetworkFailure(fixture.api.get());
    QTRY_COMPARE(fixture.platform.heldCount(), 1);
    awaitTask(fixture.api->logout());
    QCOMPARE(apiFailure(std::move(pending)), std::nullopt);

    const QList<demo::HttpRequest> retried = fixture.platform.requestsTo(next);
    QCOMPARE(retried.size(), 1);
    QVERIFY(retried.first().cookie(demo::PlatformSessions::cookieName).isEmpty());
}

void TestClient::buildsSortedEscapedPaths()
{
    const QMap<QString, QString> query{{"b", "a+b c"}, {"a", "中文"}, {"Z", ""}, {"k&", "c=d"}};
    QCOMPARE(QuorvaleAPI::path(QStringLiteral("/x"), query),
             QStringLiteral("/x?Z=&a=%E4%B8%AD%E6%96%87&b=a%2Bb%20c&k%26=c%3Dd"));
}

void TestClient::storesCredentialsAsJsonAndFailsPlainlyWithoutSecretService()
{
    const SavedCredentials expected{QStringLiteral("王\"x"), QStringLiteral(" a\\b ")};
    const QByteArray written = R"({"account":"王\"x","password":" a\\b "})";
    QCOMPARE(expected.toJson(), written);
    QCOMPARE(SavedCredentials::fromJson(written), expected);
    QVERIFY_THROWS_EXCEPTION(DecodingError, SavedCredentials::fromJson(R"({"account":"a","password":null})"));
    // main() points the session bus at nothing, so no Secret Service can answer.
    KeychainCredentialStore store(QStringLiteral("com.quorvale.test.absent"),
                                  QStringLiteral("automatic-login"));
    QCOMPARE(failureText(store.save({QStringLiteral("a"), QStringLiteral("p")})),
             QStringLiteral("密码未能保存到钥匙串"));
    QCOMPARE(failureText(store.load()), QStringLiteral("暂时无法读取钥匙串，请手动登录"));
    QCOMPARE(failureText(store.remove()), QStringLiteral("无法移除钥匙串中的账号"));
}

int main(int argc, char **argv)
{
    // No Secret Service may answer these tests: the credential tests need one that is missing, and
    // nothing here may touch the keyring of the machine that runs them.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quorvale-test-bus");
    QCoreApplication app(argc, argv);
    TestClient test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_client.moc"
