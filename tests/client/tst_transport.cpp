#include "core/base/errors.h"
#include "core/base/shanghai.h"
#include "core/client/desktopproxy.h"
#include "core/client/quorvaleapi.h"
#include "platform/updates/updatehost.h"
#include "platform/updates/updatetransfer.h"
#include "tests/support/awaittask.h"
#include "tests/support/delayrelay.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/school/schooldata.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFutureWatcher>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <fcntl.h>
#include <iostream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// How the platform and update transfers find their way: the desktop's proxy and the environment's,
// loopback, the trust store, the sockets a started program would inherit, the update transfers'
// bounds. The whole program runs on a GNOME desktop whose proxy is an auto-configuration file that
// never comes: its server takes each connection into its backlog and never answers.
using namespace quorvale;
using namespace quorvale::testing;

namespace {

// Run with it and an address, the program prints what the desktop names for the address and ends.
const char askOption[] = "--ask-desktop";
// Run with it and an address, the program asks the platform there who is signed in, trusting the
// system's authorities, and prints whether it was answered.
const char fetchOption[] = "--fetch-trusting-the-system";
// Run with it and an address, the program asks the platform there who is signed in, trusting the
// test authority, and prints whether libproxy's modules were mapped before the request, whether it
// was answered, and whether they were mapped after it.
const char fetchThroughOption[] = "--fetch-through-the-desktop";
// The listening socket of the auto-configuration server that never answers.
int proxyFileServer = -1;

quint16 proxyFilePort()
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    ::getsockname(proxyFileServer, reinterpret_cast<sockaddr *>(&address), &length);
    return ntohs(address.sin_port);
}

QByteArray readTlsFile(const QString &name)
{
    QFile file(QStringLiteral(QUORVALE_TEST_TLS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QSslConfiguration serverTls()
{
    QSslConfiguration server = QSslConfiguration::defaultConfiguration();
    server.setLocalCertificate(QSslCertificate(readTlsFile(QStringLiteral("server.pem"))));
    server.setPrivateKey(QSslKey(readTlsFile(QStringLiteral("server.key")), QSsl::Ec));
    return server;
}

QSslConfiguration trustingTestAuthority()
{
    QSslConfiguration trusting = QSslConfiguration::defaultConfiguration();
    trusting.setCaCertificates(QSslCertificate::fromData(readTlsFile(QStringLiteral("ca.pem"))));
    return trusting;
}

// A GNOME desktop's proxy setting, as GSettings keeps it in a key file.
QByteArray desktopSetting(const QByteArray &mode, const QByteArrayList &kinds = {}, int port = 0)
{
    QByteArray setting = "[system/proxy]\nmode='" + mode + "'\nignore-hosts=@as []\n";
    if (mode == "auto")
        setting +=
            "autoconfig-url='http://127.0.0.1:" + QByteArray::number(proxyFilePort()) + "/proxy.pac'\n";
    for (const QByteArray &kind : kinds)
        setting += "\n[system/proxy/" + kind + "]\nhost='127.0.0.1'\nport=" + QByteArray::number(port) + "\n";
    return setting;
}

bool writeDesktopSetting(const QString &configHome, const QByteArray &setting)
{
    const QString folder = configHome + QStringLiteral("/glib-2.0/settings");
    QFile file(folder + QStringLiteral("/keyfile"));
    return QDir().mkpath(folder) && file.open(QIODevice::WriteOnly) && file.write(setting) == setting.size();
}

// Whether someone connected to the auto-configuration server.
bool proxyFileAsked()
{
    pollfd waiting{proxyFileServer, POLLIN, 0};
    return ::poll(&waiting, 1, 0) == 1;
}

// Whether libproxy's modules, which map its configuration file's engine, are in this process.
bool proxyModulesMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/libproxy/");
}

// Starts `arguments` in a mount namespace of its own, with `file` in place of `replaced`; false where
// no such namespace can be made.
bool startWithFileInPlace(QProcess &process, const QString &file, const QString &replaced,
                          const QStringList &arguments)
{
    if (QProcess::execute(QStringLiteral("unshare"), {"--mount", "true"}) != 0)
        return false;
    process.start(QStringLiteral("unshare"),
                  QStringList{"--mount", "sh", "-c", "mount --bind \"$1\" \"$2\" && shift 2 && exec \"$@\"",
                              "sh", file, replaced} +
                      arguments);
    return true;
}

// The sockets of this process that a program it starts would inherit, but for libproxy's connection
// to the auto-configuration server, which is not ours.
QList<int> inheritableSockets()
{
    QList<int> sockets;
    for (const QString &name : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System)) {
        const int descriptor = name.toInt();
        struct stat status
        {};
        if (::fstat(descriptor, &status) != 0 || !S_ISSOCK(status.st_mode) ||
            (::fcntl(descriptor, F_GETFD) & FD_CLOEXEC) != 0)
            continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (::getpeername(descriptor, reinterpret_cast<sockaddr *>(&peer), &length) == 0 &&
            peer.sin_family == AF_INET && ntohs(peer.sin_port) == proxyFilePort())
            continue;
        sockets.append(descriptor);
    }
    return sockets;
}

// The longest the event loop went without running a timer that asks to run every few milliseconds.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_since.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this,
                [this] { m_longest = std::max(m_longest, m_since.restart()); });
        m_timer.start(5);
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Bytes this process has read through read() and its kin so far.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

// An HTTPS server that answers every request with a head announcing a megabyte, then sends one byte
// of it every 50 ms.
class TrickleServer : public QSslServer
{
public:
    TrickleServer()
    {
        setSslConfiguration(serverTls());
        listen(QHostAddress::LocalHost);
        connect(this, &QSslServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                serve(socket);
        });
    }
    QUrl origin() const { return QUrl(QStringLiteral("https://127.0.0.1:%1").arg(serverPort())); }

private:
    void serve(QTcpSocket *socket)
    {
        connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            if (!socket->readAll().contains("\r\n\r\n"))
                return;
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
            auto *drip = new QTimer(socket);
            connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
            drip->start(50);
        });
    }
};

// The variables after the address are set first: those this program clears at its start too.
int askDesktop(int argc, char **argv)
{
    for (int variable = 3; variable < argc; ++variable) {
        const QByteArray entry(argv[variable]);
        qputenv(entry.left(entry.indexOf('=')).constData(), entry.mid(entry.indexOf('=') + 1));
    }
    QCoreApplication app(argc, argv);
    QFutureWatcher<std::optional<QUrl>> watcher;
    QObject::connect(&watcher, &QFutureWatcher<std::optional<QUrl>>::finished, &app, &QCoreApplication::quit);
    watcher.setFuture(desktopproxy::lookup(QUrl(QString::fromLocal8Bit(argv[2])), std::chrono::seconds(2)));
    app.exec();
    const std::optional<QUrl> proxy = watcher.future().result();
    std::cout << (proxy ? proxy->toEncoded().constData() : "direct") << std::endl;
    return 0;
}

int fetchTrustingTheSystem(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QuorvaleAPI api(QUrl(QString::fromLocal8Bit(argv[2])), {}, {});
    try {
        awaitTask(api.currentUser());
        std::cout << "answered" << std::endl;
    } catch (const Error &) {
        std::cout << "refused" << std::endl;
    }
    return 0;
}

int fetchThroughTheDesktop(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TransportSettings transport;
    transport.tls = trustingTestAuthority();
    QuorvaleAPI api(QUrl(QString::fromLocal8Bit(argv[2])), transport, {});
    // Time for whatever the session started as it was made to load.
    QTest::qWait(500);
    std::cout << (proxyModulesMapped() ? "mapped " : "unmapped ");
    try {
        awaitTask(api.currentUser());
        std::cout << "answered ";
    } catch (const Error &) {
        std::cout << "refused ";
    }
    std::cout << (proxyModulesMapped() ? "mapped" : "unmapped") << std::endl;
    return 0;
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void signsInAndLooksUpStraightWhileTheProxyFileNeverComes();
    void takesWhatTheDesktopNames_data();
    void takesWhatTheDesktopNames();
    void goesThroughTheDesktopsProxyThatHttpProxyNamesToo();
    void reachesLoopbackStraightWhateverTheEnvironmentNames_data();
    void reachesLoopbackStraightWhateverTheEnvironmentNames();
    void readsTheSystemsTrustStoreOnce();
    void trustsWhatTheSystemTrusts();
    void startsProgramsWithoutItsSockets();
    void endsUpdateTransfersAtTheirBounds_data();
    void endsUpdateTransfersAtTheirBounds();
};

void TestTransport::signsInAndLooksUpStraightWhileTheProxyFileNeverComes()
{
    demo::DemoPlatform platform;
    QVERIFY(platform.listen());
    const auto answers = demo::serveSampleSchool(platform);
    const demo::SchoolData &school = answers->data();
    const QDate today = shanghai::dateOf(platform.now());
    const QDateTime moment = shanghai::at(today.addDays(3 - today.dayOfWeek()), 10 * 60);

    const StallWatch watch;
    QuorvaleAPI api(platform.origin(), {}, {});
    QVERIFY(awaitTask(api.login(school.account.name, school.account.password, QString())).isAuthenticated);
    const QList<Student> students = awaitTask(api.search(QStringLiteral("a"), school.schoolId, moment));
    QVERIFY(!students.isEmpty());
    QVERIFY(awaitTask(api.lookupTimetable(students.first(), moment, std::nullopt)).timetable);
    QVERIFY(proxyFileAsked());
    // Far below the bound on the desktop's answer, whatever else the machine runs; bench_connections
    // holds it to a tenth of a second.
    QCOMPARE_LT(watch.longestMs(), 1000);
}

void TestTransport::takesWhatTheDesktopNames_data()
{
    QTest::addColumn<QByteArray>("setting");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("expected");
    QTest::newRow("its http proxy") << desktopSetting("manual", {"https"}, 3128) << QStringList()
                                    << "http://127.0.0.1:3128";
    QTest::newRow("its SOCKS proxy") << desktopSetting("manual", {"socks"}, 1080) << QStringList()
                                     << "socks5h://127.0.0.1:1080";
    QTest::newRow("its proxy beside no_proxy")
        << desktopSetting("manual", {"https"}, 3128) << QStringList{"no_proxy=elsewhere.test"}
        << "http://127.0.0.1:3128";
    QTest::newRow("its proxy, which http_proxy names too")
        << desktopSetting("manual", {"http", "https"}, 3128)
        << QStringList{"http_proxy=http://127.0.0.1:3128"} << "http://127.0.0.1:3128";
    QTest::newRow("its none beside http_proxy")
        << desktopSetting("none")
        << QStringList{"http_proxy=http://127.0.0.1:9", "HTTP_PROXY=http://127.0.0.1:9"} << "direct";
    QTest::newRow("https_proxy before it") << desktopSetting("manual", {"https"}, 3128)
                                           << QStringList{"https_proxy=http://127.0.0.1:9"} << "direct";
    QTest::newRow("HTTP_PROXY alone")
        << desktopSetting("none") << QStringList{"DESKTOP_SESSION=", "HTTP_PROXY=http://127.0.0.1:9"}
        << "direct";
    QTest::newRow("http_proxy alone")
        << desktopSetting("none") << QStringList{"DESKTOP_SESSION=", "http_proxy=http://127.0.0.1:9"}
        << "direct";
    // The program ends too, whatever libproxy is still waiting for.
    QTest::newRow("a proxy file that never comes") << desktopSetting("auto") << QStringList() << "direct";
}

void TestTransport::takesWhatTheDesktopNames()
{
    QFETCH(QByteArray, setting);
    QFETCH(QStringList, environment);
    QFETCH(QString, expected);
    const QTemporaryDir configHome;
    QVERIFY(writeDesktopSetting(configHome.path(), setting));
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    QProcess asking;
    asking.setProcessEnvironment(variables);
    asking.start(QCoreApplication::applicationFilePath(),
                 QStringList{QString::fromLatin1(askOption), QStringLiteral("https://platform.test/")} +
                     environment);
    QVERIFY(asking.waitForFinished(30000));
    QCOMPARE(asking.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(asking.readAllStandardOutput()).trimmed(), expected);
}

void TestTransport::goesThroughTheDesktopsProxyThatHttpProxyNamesToo()
{
    demo::DemoPlatform platform;
    QVERIFY(platform.listen(0, serverTls()));
    DelayRelay proxy(std::chrono::milliseconds(0), platform.port(), DelayRelay::Proxy::Tunnel);
    const QTemporaryDir folder;
    QVERIFY(writeDesktopSetting(folder.path(), desktopSetting("manual", {"http", "https"}, proxy.port())));
    // The platform's name leads to it directly too, as a desktop that could reach it would.
    QFile hosts(folder.filePath(QStringLiteral("hosts")));
    QVERIFY(hosts.open(QIODevice::WriteOnly) && hosts.write("127.0.0.1 localhost platform.test\n") > 0);
    hosts.close();
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path());
    variables.insert(QStringLiteral("http_proxy"), QString::fromLatin1(proxy.address()));
    QProcess fetching;
    fetching.setProcessEnvironment(variables);
    if (!startWithFileInPlace(fetching, hosts.fileName(), QStringLiteral("/etc/hosts"),
                              {QCoreApplication::applicationFilePath(),
                               QString::fromLatin1(fetchThroughOption),
                               QStringLiteral("https://platform.test:%1").arg(platform.port())}))
        QSKIP("No mount namespace can be made here to name the platform");
    QTRY_VERIFY_WITH_TIMEOUT(fetching.state() == QProcess::NotRunning, 30000);
    QCOMPARE(fetching.readAllStandardOutput().trimmed(), QByteArray("unmapped answered mapped"));
    QCOMPARE(proxy.counts().tunnels, 1);
    QCOMPARE(platform.requests().size(), 1);
}

void TestTransport::reachesLoopbackStraightWhateverTheEnvironmentNames_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("secure");
    QTest::newRow("127.0.0.1") << "127.0.0.1" << false;
    QTest::newRow("localhost") << "localhost" << false;
    QTest::newRow("127.0.0.1 over TLS") << "127.0.0.1" << true;
}

void TestTransport::reachesLoopbackStraightWhateverTheEnvironmentNames()
{
    QFETCH(QString, host);
    QFETCH(bool, secure);
    demo::DemoPlatform platform;
    QVERIFY(platform.listen(0, secure ? std::optional(serverTls()) : std::nullopt));
    DelayRelay proxy(std::chrono::milliseconds(0), platform.port(), DelayRelay::Proxy::AsksCredentials);
    const QList<const char *> names{"http_proxy",  "HTTP_PROXY", "https_proxy",
                                    "HTTPS_PROXY", "all_proxy",  "ALL_PROXY"};
    for (const char *name : names)
        qputenv(name, proxy.address());
    const auto unset = qScopeGuard([&names] {
        for (const char *name : names)
            qunsetenv(name);
    });
    QUrl origin = platform.origin();
    origin.setHost(host);
    TransportSettings transport;
    transport.requestTimeout = std::chrono::seconds(5);
    if (secure)
        transport.tls = trustingTestAuthority();
    QuorvaleAPI api(origin, transport, {});

    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(platform.requests().size(), 1);
    QCOMPARE(proxy.counts().connections, 0);
}

void TestTransport::readsTheSystemsTrustStoreOnce()
{
    const QFileInfo bundle(QStringLiteral("/etc/ssl/certs/ca-certificates.crt"));
    if (!bundle.exists())
        QSKIP("The system keeps no bundle of certificate authorities where Debian does");
    demo::DemoPlatform platform;
    QVERIFY(platform.listen(0, serverTls()));
    QVERIFY(bytesRead() >= 0);
    const qint64 before = bytesRead();
    // The system's trust, which does not know the test authority: every request opens a connection
    // of its own, which is refused, in each of several sessions.
    for (int session = 0; session < 3; ++session) {
        QuorvaleAPI api(platform.origin(), {}, {});
        for (int request = 0; request < 2; ++request) {
            try {
                awaitTask(api.currentUser());
                QFAIL("The platform's certificate was trusted");
            } catch (const Error &) {
            }
        }
    }
    QVERIFY(platform.requests().isEmpty());
    QCOMPARE_LT(bytesRead() - before, 2 * bundle.size());
}

void TestTransport::trustsWhatTheSystemTrusts()
{
    const QString systemBundle = QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
    if (!QFileInfo::exists(systemBundle))
        QSKIP("The system keeps no bundle of certificate authorities where Debian does");
    // The system's bundle with the test authority added, in place of the system's for a program in a
    // mount namespace of its own.
    const QTemporaryDir folder;
    QFile system(systemBundle);
    QFile bundle(folder.filePath(QStringLiteral("bundle.pem")));
    QVERIFY(system.open(QIODevice::ReadOnly) && bundle.open(QIODevice::WriteOnly));
    bundle.write(system.readAll() + readTlsFile(QStringLiteral("ca.pem")));
    bundle.close();
    demo::DemoPlatform platform;
    QVERIFY(platform.listen(0, serverTls()));

    QProcess fetching;
    if (!startWithFileInPlace(fetching, bundle.fileName(), systemBundle,
                              {QCoreApplication::applicationFilePath(), QString::fromLatin1(fetchOption),
                               platform.origin().toString()}))
        QSKIP("No mount namespace can be made here to add an authority to the system's bundle");
    QTRY_VERIFY_WITH_TIMEOUT(fetching.state() == QProcess::NotRunning, 30000);
    QCOMPARE(fetching.readAllStandardOutput().trimmed(), QByteArray("answered"));
    QCOMPARE(platform.requests().size(), 1);
}

void TestTransport::startsProgramsWithoutItsSockets()
{
    demo::DemoPlatform platform;
    QVERIFY(platform.listen());
    QuorvaleAPI api(platform.origin(), {}, {});
    // The connection stays open for the next request.
    QCOMPARE(awaitTask(api.currentUser()).isAuthenticated, false);
    QCOMPARE(inheritableSockets(), QList<int>());

    int report[2];
    QVERIFY(::pipe(report) == 0);
    const QTemporaryDir folder;
    const QString listing = folder.filePath(QStringLiteral("descriptors"));
    const std::optional<qint64> started = updates::UpdateHost::start(
        QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("ls -l /proc/self/fd > '%1'").arg(listing)}, report[1]);
    ::close(report[1]);
    QVERIFY(started);
    int status = 0;
    QCOMPARE(::waitpid(pid_t(*started), &status, 0), pid_t(*started));
    ::close(report[0]);
    QFile file(listing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray descriptors = file.readAll();
    QVERIFY(descriptors.contains(" 3 -> pipe:"));
    QVERIFY2(!descriptors.contains("socket:"), descriptors.constData());
}

void TestTransport::endsUpdateTransfersAtTheirBounds_data()
{
    QTest::addColumn<bool>("feed");
    QTest::newRow("the feed, at its whole time") << true;
    QTest::newRow("the archive, below its slowest rate") << false;
}

void TestTransport::endsUpdateTransfersAtTheirBounds()
{
    QFETCH(bool, feed);
    TrickleServer server;
    QObject context;
    updates::TransferSettings settings{QStringLiteral("Olvar/1.0.0"), trustingTestAuthority(), std::nullopt,
                                       std::nullopt, std::nullopt};
    if (feed)
        settings.total = std::chrono::milliseconds(300);
    else
        settings.slowest = HttpTransfer::Pace{1000, std::chrono::seconds(1)};
    const updates::UpdateFailure failure =
        feed ? updates::UpdateFailure::unreachable() : updates::UpdateFailure::downloadFailed();
    try {
        awaitTask(updates::transferBody(&context, server.origin(), settings, 2000000, failure,
                                        updates::UpdateFailure::wrongLength()));
        QFAIL("The transfer ended with a body");
    } catch (const updates::UpdateFailure &ending) {
        QCOMPARE(ending.description(), failure.description());
    }
}

int main(int argc, char **argv)
{
    if (argc >= 3 && qstrcmp(argv[1], askOption) == 0)
        return askDesktop(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], fetchOption) == 0)
        return fetchTrustingTheSystem(argc, argv);
    if (argc >= 3 && qstrcmp(argv[1], fetchThroughOption) == 0)
        return fetchThroughTheDesktop(argc, argv);
    proxyFileServer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(proxyFileServer, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(proxyFileServer, 64) != 0)
        return 1;
    const QTemporaryDir configHome;
    if (!writeDesktopSetting(configHome.path(), desktopSetting("auto")))
        return 1;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("DESKTOP_SESSION", "gnome");
    QCoreApplication app(argc, argv);
    TestTransport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_transport.moc"
