#include "clientfixture.h"
#include "suites.h"

#include <QFile>
#include <QJsonDocument>
#include <QSslKey>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
using Kind = QuorvaleAPIError::Kind;

namespace {

const QString probe = ClientFixture::probe();

QString expand(QString text, const QUrl &origin, const QUrl &other)
{
    const QString port = QString::number(origin.port());
    text.replace(QLatin1String("{origin}"), origin.toString());
    text.replace(QLatin1String("{other}"), other.toString());
    text.replace(QLatin1String("{port}"), port);
    return text;
}

QByteArray readFile(const QString &name)
{
    QFile file(QStringLiteral(QUORVALE_TEST_TLS_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestTransport : public QObject
{
    Q_OBJECT

private slots:
    void returnsEnvelopeUnchanged();
    void mapsAnswersToErrors_data();
    void mapsAnswersToErrors();
    void cutsMessagesAtWholeCharacters_data();
    void cutsMessagesAtWholeCharacters();
    void refusesForeignTargetsBeforeSending_data();
    void refusesForeignTargetsBeforeSending();
    void sendsPlatformFields_data();
    void sendsPlatformFields();
    void followsRedirectsWithinPlatform_data();
    void followsRedirectsWithinPlatform();
    void keepsCookiesOfFailingAnswers_data();
    void keepsCookiesOfFailingAnswers();
    void reportsTransportFailuresAsNetwork_data();
    void reportsTransportFailuresAsNetwork();
    void waitsForSlowAnswersWithinLimits();
    void trustsOnlyKnownCertificates_data();
    void trustsOnlyKnownCertificates();
};

void TestTransport::returnsEnvelopeUnchanged()
{
    ClientFixture fixture;
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0,"extra":[1,{"a":null}]})"));
    const QJsonObject envelope = awaitTask(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt));
    QCOMPARE(envelope, QJsonDocument::fromJson(R"({"state":0,"extra":[1,{"a":null}]})").object());
}

void TestTransport::mapsAnswersToErrors_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("message");

    const QByteArray ok = R"({"state":0,"data":{}})";
    const int unauth = int(Kind::Unauthenticated);
    const int invalid = int(Kind::InvalidResponse);
    const int service = int(Kind::Service);
    QTest::newRow("401") << 401 << "" << ok << unauth << qint64(0) << "";
    QTest::newRow("403") << 403 << "" << ok << service << qint64(403) << "当前账号没有访问权限";
    QTest::newRow("404") << 404 << "" << ok << invalid << qint64(0) << "";
    QTest::newRow("500 with an envelope") << 500 << "" << ok << invalid << qint64(0) << "";
    QTest::newRow("204") << 204 << "" << QByteArray() << invalid << qint64(0) << "";
    QTest::newRow("not JSON") << 200 << "" << QByteArray("<html></html>") << invalid << qint64(0) << "";
    QTest::newRow("cut-off JSON") << 200 << "" << QByteArray(R"({"state":0)") << invalid << qint64(0) << "";
    QTest::newRow("array") << 200 << "" << QByteArray(R"([{"state":0}])") << invalid << qint64(0) << "";
    QTest::newRow("empty object") << 200 << "" << QByteArray("{}") << invalid << qint64(0) << "";
    QTest::newRow("state missing") << 200 << "" << QByteArray(R"({"data":1})") << invalid << qint64(0) << "";
    QTest::newRow("state as text") << 200 << "" << QByteArray(R"({"state":"0"})") << invalid << qint64(0)
                                   << "";
    QTest::newRow("state with fraction")
        << 200 << "" << QByteArray(R"({"state":0.5})") << invalid << qint64(0) << "";
    QTest::newRow("state Boolean") << 200 << "" << QByteArray(R"({"state":false})") << invalid << qint64(0)
                                   << "";
    QTest::newRow("state null") << 200 << "" << QByteArray(R"({"state":null})") << invalid << qint64(0) << "";
    QTest::newRow("session gone") << 200 << "" << QByteArray(R"({"state":999901,"msg":"x"})") << unauth
                                  << qint64(0) << "";
    QTest::newRow("session expired") << 200 << "" << QByteArray(R"({"state":999904})") << unauth << qint64(0)
                                     << "";
    QTest::newRow("empty msgCN wins") << 200 << "" << QByteArray(R"({"state":5,"msgCN":"","msg":"参数错误"})")
                                      << service << qint64(5) << "";
    QTest::newRow("msg when msgCN is no text")
        << 200 << "" << QByteArray(R"({"state":5,"msgCN":7,"msg":"参数错误"})") << service << qint64(5)
        << "参数错误";
    QTest::newRow("no message") << 200 << "" << QByteArray(R"({"state":5})") << service << qint64(5)
                                << "澜序拒绝了此次请求，请检查输入或登录状态";
    QTest::newRow("large negative state")
        << 200 << "" << QByteArray(R"({"state":-3000000000,"msgCN":"失败"})") << service
        << qint64(-3000000000) << "失败";
    QTest::newRow("redirect to another host")
        << 302 << "{other}/api/Test/Probe" << ok << invalid << qint64(0) << "";
    QTest::newRow("redirect to another scheme")
        << 302 << "https://127.0.0.1:{port}/api/Test/Probe" << ok << invalid << qint64(0) << "";
    QTest::newRow("redirect without location") << 302 << "" << ok << invalid << qint64(0) << "";
    QTest::newRow("redirect to the sign-in page")
        << 302 << "/newsis/login" << ok << unauth << qint64(0) << "";
    QTest::newRow("redirect to a login page in capitals")
        << 303 << "/LOGIN?next=1" << ok << unauth << qint64(0) << "";
}

void TestTransport::mapsAnswersToErrors()
{
    QFETCH(int, status);
    QFETCH(QString, location);
    QFETCH(QByteArray, body);
    QFETCH(int, kind);
    QFETCH(qint64, code);
    QFETCH(QString, message);

    ClientFixture fixture;
    demo::DemoPlatform other;
    other.listen();
    QUrl otherOrigin = other.origin();
    otherOrigin.setHost(QStringLiteral("localhost"));
    demo::HttpResponse answer = jsonAnswer(body, status);
    if (!location.isEmpty())
        answer.setHeader("Location", expand(location, fixture.platform.origin(), otherOrigin).toUtf8());
    fixture.platform.faults().answer(probe, answer);

    const auto error = apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt));
    QVERIFY(error);
    QCOMPARE(int(error->kind()), kind);
    if (error->kind() == Kind::Service) {
        QCOMPARE(error->code(), code);
        QCOMPARE(error->message(), message);
        QCOMPARE(error->description(),
                 message + QStringLiteral("（代码 ") + QString::number(code) + QStringLiteral("）"));
    }
    QVERIFY(other.requests().isEmpty());
}

void TestTransport::cutsMessagesAtWholeCharacters_data()
{
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("kept");
    QTest::newRow("300 letters") << "a" << 300 << 250;
    QTest::newRow("250 letters") << "a" << 250 << 250;
    QTest::newRow("combined characters") << QString::fromUtf8("e\u0301") << 300 << 250;
    QTest::newRow("beyond the basic plane") << QString::fromUtf8("\U00020000") << 260 << 250;
}

void TestTransport::cutsMessagesAtWholeCharacters()
{
    QFETCH(QString, unit);
    QFETCH(int, count);
    QFETCH(int, kept);
    ClientFixture fixture;
    const QJsonObject refusal{{QStringLiteral("state"), 7}, {QStringLiteral("msgCN"), unit.repeated(count)}};
    fixture.platform.faults().answer(probe, jsonAnswer(QJsonDocument(refusal).toJson()));
    const auto error = apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt));
    QVERIFY(error);
    QCOMPARE(error->message(), unit.repeated(kept));
}

void TestTransport::refusesForeignTargetsBeforeSending_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("sent");
    QTest::newRow("relative path") << "/api/Test/Probe?a=1" << true;
    QTest::newRow("absolute URL on the platform") << "http://127.0.0.1:{port}/api/Test/Probe" << true;
    QTest::newRow("absolute URL on another host") << "http://localhost:{port}/api/Test/Probe" << false;
    QTest::newRow("another scheme") << "https://127.0.0.1:{port}/api/Test/Probe" << false;
    QTest::newRow("network-path reference") << "//localhost:{port}/api/Test/Probe" << false;
    QTest::newRow("not a URL") << "/api/Test/Probe with spaces" << false;
    QTest::newRow("broken host") << "http://[127.0.0.1/x" << false;
}

void TestTransport::refusesForeignTargetsBeforeSending()
{
    QFETCH(QString, target);
    QFETCH(bool, sent);
    ClientFixture fixture;
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"));
    const auto error = apiFailure(fixture.api->request(expand(target, fixture.platform.origin(), {}),
                                                       QStringLiteral("GET"), std::nullopt));
    QCOMPARE(fixture.platform.requests().size(), sent ? 1 : 0);
    if (sent) {
        QVERIFY(!error);
    } else {
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::InvalidResponse);
    }
}

void TestTransport::sendsPlatformFields_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<bool>("hasBody");
    QTest::newRow("GET without body") << "GET" << false;
    QTest::newRow("POST without body") << "POST" << false;
    QTest::newRow("POST with body") << "POST" << true;
}

void TestTransport::sendsPlatformFields()
{
    QFETCH(QString, method);
    QFETCH(bool, hasBody);
    ClientFixture fixture;
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"));
    const QByteArray body = R"({"q":"甲"})";
    awaitTask(fixture.api->request(probe, method, hasBody ? std::optional(body) : std::nullopt));

    QCOMPARE(fixture.platform.requests().size(), 1);
    const demo::HttpRequest sent = fixture.platform.requests().first();
    const QByteArray origin = fixture.platform.origin().toString().toUtf8();
    QCOMPARE(sent.method, method.toUtf8());
    QCOMPARE(sent.header("Accept"), QByteArray("application/json"));
    QCOMPARE(sent.header("Origin"), origin);
    QCOMPARE(sent.header("Referer"), origin + "/newsis/login");
    QVERIFY(sent.hasHeader("K"));
    QCOMPARE(sent.header("K"), QByteArray());
    QCOMPARE(sent.hasHeader("Content-Type"), hasBody);
    if (hasBody) {
        QCOMPARE(sent.header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(sent.body, body);
    }
}

void TestTransport::followsRedirectsWithinPlatform_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("followedWith");
    QTest::newRow("307 keeps the POST") << 307 << "POST"
                                        << "POST";
    QTest::newRow("308 keeps the POST") << 308 << "POST"
                                        << "POST";
    QTest::newRow("302 turns a POST into GET") << 302 << "POST"
                                               << "GET";
    QTest::newRow("303 turns a POST into GET") << 303 << "POST"
                                               << "GET";
    QTest::newRow("301 keeps a GET") << 301 << "GET"
                                     << "GET";
}

void TestTransport::followsRedirectsWithinPlatform()
{
    QFETCH(int, status);
    QFETCH(QString, method);
    QFETCH(QString, followedWith);
    ClientFixture fixture;
    const QString target = QStringLiteral("/api/Test/Target");
    demo::HttpResponse redirect = demo::HttpResponse::redirect("/api/Test/Target?x=1", status);
    redirect.addHeader("Set-Cookie", "hop=1; Path=/");
    fixture.platform.faults().answer(probe, redirect);
    fixture.platform.faults().answer(target, jsonAnswer(R"({"state":0,"data":"moved"})"));

    const std::optional<QByteArray> body =
        method == QLatin1String("POST") ? std::optional(QByteArray("{}")) : std::nullopt;
    const QJsonObject envelope = awaitTask(fixture.api->request(probe, method, body));
    QCOMPARE(envelope.value(QStringLiteral("data")).toString(), QStringLiteral("moved"));

    const QList<demo::HttpRequest> followed = fixture.platform.requestsTo(target);
    QCOMPARE(followed.size(), 1);
    QCOMPARE(followed.first().method, followedWith.toUtf8());
    QCOMPARE(followed.first().query.value(QStringLiteral("x")), QStringLiteral("1"));
    QCOMPARE(followed.first().cookie("hop"), QByteArray("1"));
    QCOMPARE(followed.first().hasHeader("Content-Type"), body && followedWith == method);
    QCOMPARE(followed.first().body, followedWith == method && body ? *body : QByteArray());
}

void TestTransport::keepsCookiesOfFailingAnswers_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("401") << 401 << QByteArray("{}");
    QTest::newRow("403") << 403 << QByteArray("{}");
    QTest::newRow("500") << 500 << QByteArray("{}");
    QTest::newRow("session gone") << 200 << QByteArray(R"({"state":999901})");
    QTest::newRow("refusal") << 200 << QByteArray(R"({"state":5})");
    QTest::newRow("not JSON") << 200 << QByteArray("oops");
    QTest::newRow("redirect off the platform") << 302 << QByteArray();
}

void TestTransport::keepsCookiesOfFailingAnswers()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    ClientFixture fixture;
    demo::HttpResponse answer = jsonAnswer(body, status);
    answer.addHeader("Set-Cookie", "kept=yes; Path=/");
    if (status == 302)
        answer.setHeader("Location", "http://localhost:1/elsewhere");
    fixture.platform.faults().answer(probe, answer);
    fixture.platform.faults().answer(QStringLiteral("/api/Test/Next"), jsonAnswer(R"({"state":0})"));

    QVERIFY(apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)));
    awaitTask(fixture.api->request(QStringLiteral("/api/Test/Next"), QStringLiteral("GET"), std::nullopt));
    QCOMPARE(fixture.platform.requestsTo(QStringLiteral("/api/Test/Next")).first().cookie("kept"),
             QByteArray("yes"));
    QCOMPARE(fixture.api->cookies().size(), 1);
}

void TestTransport::reportsTransportFailuresAsNetwork_data()
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

void TestTransport::reportsTransportFailuresAsNetwork()
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

    const auto error = apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt));
    QVERIFY(error);
    QCOMPARE(error->kind(), Kind::Network);
    QCOMPARE(error->description(), QStringLiteral("无法连接澜序，请检查网络后重试"));
}

void TestTransport::waitsForSlowAnswersWithinLimits()
{
    ClientFixture fixture;
    fixture.platform.setAnswerDelay([](const demo::HttpRequest &) { return 150; });
    fixture.platform.faults().answer(probe, jsonAnswer(R"({"state":0})"));
    QCOMPARE(awaitTask(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt))
                 .value(QStringLiteral("state")),
             QJsonValue(0));
}

void TestTransport::trustsOnlyKnownCertificates_data()
{
    QTest::addColumn<bool>("trusted");
    QTest::newRow("system trust only") << false;
    QTest::newRow("test authority added") << true;
}

void TestTransport::trustsOnlyKnownCertificates()
{
    QFETCH(bool, trusted);
    // A test-only authority and a certificate for 127.0.0.1 that it signed, valid for a century.
    QSslConfiguration server = QSslConfiguration::defaultConfiguration();
    server.setLocalCertificate(QSslCertificate(readFile(QStringLiteral("server.pem"))));
    server.setPrivateKey(QSslKey(readFile(QStringLiteral("server.key")), QSsl::Ec));
    QVERIFY(!server.localCertificate().isNull() && !server.privateKey().isNull());

    TransportSettings transport;
    if (trusted) {
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        client.addCaCertificates(QSslCertificate::fromData(readFile(QStringLiteral("ca.pem"))));
        transport.tls = client;
    }
    ClientFixture fixture(transport, server);
    QCOMPARE(fixture.platform.origin().scheme(), QStringLiteral("https"));

    if (trusted) {
        QCOMPARE(awaitTask(fixture.api->currentUser()).isAuthenticated, false);
        QCOMPARE(fixture.platform.requests().size(), 1);
    } else {
        const auto error = apiFailure(fixture.api->currentUser());
        QVERIFY(error);
        QCOMPARE(error->kind(), Kind::Network);
        QVERIFY(fixture.platform.requests().isEmpty());
    }
}

int runTransportTests(int argc, char **argv)
{
    TestTransport tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_transport.moc"
