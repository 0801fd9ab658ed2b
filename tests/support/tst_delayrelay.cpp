// The delay relay: a connection waits a round trip before it goes on and every chunk half a round
// trip each way, what passes is counted, and as a proxy it tunnels only what CONNECT asks for.

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

    void tunnelsWhatConnectAsksFor_data()
    {
        QTest::addColumn<DelayRelay::Proxy>("proxy");
        QTest::addColumn<QByteArray>("authority");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("reaches");
        QTest::newRow("routed name") << DelayRelay::Proxy::Tunnel << QByteArray("127.0.0.1:9")
                                     << QByteArray("HTTP/1.1 200 Connection established\r\n\r\n") << true;
        QTest::newRow("host beyond loopback") << DelayRelay::Proxy::Tunnel << QByteArray("192.0.2.1:443")
                                              << QByteArray("HTTP/1.1 403") << false;
        QTest::newRow("credentials asked") << DelayRelay::Proxy::AsksCredentials << QByteArray("127.0.0.1:9")
                                           << QByteArray("HTTP/1.1 407") << false;
    }

    void tunnelsWhatConnectAsksFor()
    {
        QFETCH(DelayRelay::Proxy, proxy);
        QFETCH(QByteArray, authority);
        QFETCH(QByteArray, answer);
        QFETCH(bool, reaches);
        Echo echo;
        DelayRelay relay(roundTrip, proxy, {{"127.0.0.1:9", echo.serverPort()}});
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, relay.port());
        socket.write("CONNECT " + authority + " HTTP/1.1\r\nHost: " + authority + "\r\n\r\n" +
                     (reaches ? "through" : ""));
        const QByteArray got = readAtLeast(socket, answer.size() + (reaches ? 7 : 0));
        QVERIFY2(got.startsWith(answer), got.constData());
        if (reaches)
            QCOMPARE(got.mid(answer.size()), QByteArray("through"));
        else
            QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(relay.counts().tunnels, 1);
    }
};

QTEST_GUILESS_MAIN(TestDelayRelay)
#include "tst_delayrelay.moc"
