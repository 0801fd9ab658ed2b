// The delay relay: a connection waits a round trip before it goes on and every chunk half a round
// trip each way, what passes is counted, as a proxy it tunnels only what CONNECT asks for, and it
// forgets the connections open when asked.

#include "tests/support/delayrelay.h"

#include <QElapsedTimer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace quorvale::testing;

namespace {

constexpr std::chrono::milliseconds roundTrip{100};

// Sends back whatever arrives.
class Echo : public QTcpServer
{
public:
    Echo()
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, socket,
                        [socket] { socket->write(socket->readAll()); });
        });
    }
};

// Reads while the event loop turns, so that the echo in the same thread answers.
QByteArray readAtLeast(QTcpSocket &socket, qsizetype size)
{
    QByteArray got;
    QElapsedTimer waited;
    waited.start();
    while (got.size() < size && waited.elapsed() < 5000) {
        QTest::qWait(1);
        got += socket.readAll();
    }
    return got;
}

} // namespace

class TestDelayRelay : public QObject
{
    Q_OBJECT

private slots:
    void delaysEachConnectionAndEachDirection()
    {
        Echo echo;
        DelayRelay relay(roundTrip, echo.serverPort());
        QTcpSocket socket;
        QElapsedTimer clock;
        clock.start();
        socket.connectToHost(QHostAddress::LocalHost, relay.port());
        socket.write("first");
        QCOMPARE(readAtLeast(socket, 5), QByteArray("first"));
        // The connection across, then the way there and back.
        QVERIFY2(clock.elapsed() >= 2 * roundTrip.count(), qPrintable(QString::number(clock.elapsed())));
        clock.restart();
        socket.write("second");
        QCOMPARE(readAtLeast(socket, 6), QByteArray("second"));
        QVERIFY2(clock.elapsed() >= roundTrip.count(), qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(relay.counts().connections, 1);
        QCOMPARE(relay.counts().handshakes, 0);
    }

    void countsTlsHandshakes()
    {
        Echo echo;
        DelayRelay relay(std::chrono::milliseconds(0), echo.serverPort());
        for (int i = 1; i <= 2; ++i) {
            QSslSocket socket;
            socket.connectToHostEncrypted(QStringLiteral("127.0.0.1"), relay.port());
            QTRY_COMPARE(relay.counts().handshakes, i);
        }
        QCOMPARE(relay.counts().connections, 2);
    }

    void tunnelsOnlyWhatConnectAsksFor_data()
    {
        QTest::addColumn<DelayRelay::Proxy>("proxy");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("tunnel") << DelayRelay::Proxy::Tunnel << QByteArray("CONNECT platform.invalid:443")
                                << QByteArray("HTTP/1.1 200 Connection established\r\n\r\nthrough");
        QTest::newRow("not a tunnel")
            << DelayRelay::Proxy::Tunnel << QByteArray("GET http://platform.invalid/")
            << QByteArray("HTTP/1.1 405");
        QTest::newRow("credentials asked")
            << DelayRelay::Proxy::AsksCredentials << QByteArray("CONNECT platform.invalid:443")
            << QByteArray("HTTP/1.1 407");
    }

    void tunnelsOnlyWhatConnectAsksFor()
    {
        QFETCH(DelayRelay::Proxy, proxy);
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        const bool tunnels = answer.endsWith("through");
        Echo echo;
        DelayRelay relay(roundTrip, echo.serverPort(), proxy);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, relay.port());
        socket.write(request + " HTTP/1.1\r\nHost: platform.invalid\r\n\r\n" + (tunnels ? "through" : ""));
        const QByteArray got = readAtLeast(socket, answer.size());
        QVERIFY2(got.startsWith(answer), got.constData());
        if (!tunnels)
            QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(relay.counts().tunnels, request.startsWith("CONNECT") ? 1 : 0);
    }

    void forgetsOnlyTheConnectionsOpenThen_data()
    {
        QTest::addColumn<DelayRelay::Forgetting>("how");
        QTest::newRow("silently") << DelayRelay::Forgetting::Silently;
        QTest::newRow("with a reset") << DelayRelay::Forgetting::WithReset;
    }

    void forgetsOnlyTheConnectionsOpenThen()
    {
        QFETCH(DelayRelay::Forgetting, how);
        Echo echo;
        DelayRelay relay(std::chrono::milliseconds(0), echo.serverPort());
        QTcpSocket kept;
        kept.connectToHost(QHostAddress::LocalHost, relay.port());
        kept.write("kept");
        QCOMPARE(readAtLeast(kept, 4), QByteArray("kept"));
        relay.forget(how);

        QTcpSocket later;
        later.connectToHost(QHostAddress::LocalHost, relay.port());
        later.write("later");
        QCOMPARE(readAtLeast(later, 5), QByteArray("later"));
        kept.write("lost");
        if (how == DelayRelay::Forgetting::WithReset) {
            QTRY_COMPARE(kept.error(), QAbstractSocket::RemoteHostClosedError);
            return;
        }
        QTRY_COMPARE(relay.counts().vanished, 4);
        // Nothing comes back and nothing is closed.
        later.write("again");
        QCOMPARE(readAtLeast(later, 5), QByteArray("again"));
        QCOMPARE(kept.bytesAvailable(), 0);
        QCOMPARE(kept.state(), QAbstractSocket::ConnectedState);
    }
};

QTEST_GUILESS_MAIN(TestDelayRelay)
#include "tst_delayrelay.moc"
