#include "clientfixture.h"
#include "core/client/cancellationerror.h"
#include "core/client/loginpayload.h"
#include "suites.h"

#include <QCoroFuture>
#include <QJsonDocument>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;
using Kind = QuorvaleAPIError::Kind;

namespace {

const QString account = QStringLiteral("teacher");
const QString password = QStringLiteral("S3cret+pw");
const QString probe = ClientFixture::probe();
const QString loginPath = QStringLiteral("/api/MemberShip/Login");

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
        co_await api->request(QStringLiteral("/api/Test/Next"), QStringLiteral("GET"), std::nullopt);
}

qint64 loggedTimestamp(const demo::DemoPlatform &platform)
{
    const QList<demo::HttpRequest> logins = platform.requestsTo(loginPath);
    return logins.isEmpty()
               ? -1
               : QJsonDocument::fromJson(logins.last().body).object().value("timestamp").toInteger();
}

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private slots:
    void digestMatchesIndependentValue();
    void writesPayloadInPlatformForm();
    void judgesWeakPasswords_data();
    void judgesWeakPasswords();
    void refusesEmptyInputBeforeSending_data();
    void refusesEmptyInputBeforeSending();
    void signsInSendingOnlyTheDigest();
    void reportsPlatformRefusals_data();
    void reportsPlatformRefusals();
    void timestampFollowsPlatformClock_data();
    void timestampFollowsPlatformClock();
    void demandsCaptchaAfterWrongPassword();
    void sendsCaptchaAsTyped_data();
    void sendsCaptchaAsTyped();
    void readsCaptchaAnswers_data();
    void readsCaptchaAnswers();
    void readsCurrentUser_data();
    void readsCurrentUser();
    void refusesSessionThatStaysSignedOut();
    void expiredSessionIsUnauthenticated();
    void sessionChangesClearTeacherCaches_data();
    void sessionChangesClearTeacherCaches();
    void signOutEndsOnFreshSession_data();
    void signOutEndsOnFreshSession();
    void signOutWakesRequestsIntoNewSession();
    void importsOnlyPlatformCookies_data();
    void importsOnlyPlatformCookies();
    void importedCookiesCarryTheSession();
    void buildsSortedEscapedPaths_data();
    void buildsSortedEscapedPaths();
};

void TestSignIn::digestMatchesIndependentValue()
{
    QCOMPARE(LoginPayload(QStringLiteral("u"), QStringLiteral("abc"), 1700000000).password,
             QStringLiteral("A596977A49CC559B1D25F2356A547E49"));
    QVERIFY(LoginPayload(QStringLiteral("u"), QStringLiteral("abc"), 1700000001).password !=
            QStringLiteral("A596977A49CC559B1D25F2356A547E49"));
}

void TestSignIn::writesPayloadInPlatformForm()
{
    QCOMPARE(LoginPayload(QStringLiteral(" \tu\n"), QStringLiteral("abc"), 1700000000).toJson(),
             QByteArray(R"({"name":"u","password":"A596977A49CC559B1D25F2356A547E49","timestamp":1700000000,)"
                        R"("isWeekPassword":true,"LanguageType":1})"));
}

void TestSignIn::judgesWeakPasswords_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QJsonValue>("flag");
    QTest::newRow("eight letters") << "abcdefgh" << QJsonValue(true);
    QTest::newRow("letters and a digit") << "abcdefgh1" << QJsonValue(0);
    QTest::newRow("twenty of all classes") << "abcdefghij123456789!" << QJsonValue(0);
    QTest::newRow("twenty-one of all classes") << "abcdefghij123456789!!" << QJsonValue(true);
    QTest::newRow("seven of all classes") << "ab1!cd2" << QJsonValue(true);
    QTest::newRow("letters and underscores") << "abc_defg_" << QJsonValue(true);
    QTest::newRow("underscores only") << "________" << QJsonValue(true);
    QTest::newRow("strong with two underscores") << "abc_def_1" << QJsonValue(2);
    QTest::newRow("outside the basic plane counts twice")
        << QString::fromUtf8("abcdef\U0001F600") << QJsonValue(0);
    QTest::newRow("only signs outside the basic plane")
        << QString::fromUtf8("\U0001F600\U0001F600\U0001F600\U0001F600") << QJsonValue(true);
    QTest::newRow("full-width digit is a sign") << QString::fromUtf8("abcdefg１") << QJsonValue(0);
    QTest::newRow("spaces are kept and count") << " abcdefg " << QJsonValue(0);
}

void TestSignIn::judgesWeakPasswords()
{
    QFETCH(QString, password);
    QFETCH(QJsonValue, flag);
    const QJsonObject body =
        QJsonDocument::fromJson(LoginPayload(QStringLiteral("u"), password, 1).toJson()).object();
    QCOMPARE(body.value(QStringLiteral("isWeekPassword")), flag);
    QCOMPARE(body.keys().size(), 5);
}

void TestSignIn::refusesEmptyInputBeforeSending_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("secret");
    QTest::newRow("no account") << ""
                                << "pw";
    QTest::newRow("blank account") << " \t\n"
                                   << "pw";
    QTest::newRow("no password") << "teacher"
                                 << "";
}

void TestSignIn::refusesEmptyInputBeforeSending()
{
    QFETCH(QString, name);
    QFETCH(QString, secret);
    ClientFixture fixture;
    try {
        awaitTask(fixture.api->login(name, secret, QString()));
        QFAIL("the sign-in went ahead");
    } catch (const DemoError &error) {
        QCOMPARE(error.description(), QStringLiteral("请输入账号和密码"));
    }
    QVERIFY(fixture.platform.requests().isEmpty());
}

void TestSignIn::signsInSendingOnlyTheDigest()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
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
}

void TestSignIn::reportsPlatformRefusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("secret");
    QTest::addColumn<int>("clockGap");
    QTest::addColumn<qint64>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("wrong password") << account << "wrong" << 0 << qint64(1001) << "账号或密码错误";
    QTest::newRow("unknown account") << "nobody" << password << 0 << qint64(1001) << "账号或密码错误";
    QTest::newRow("password with other spacing")
        << account << password + u' ' << 0 << qint64(1001) << "账号或密码错误";
    QTest::newRow("clocks an hour apart")
        << account << password << 3600 << qint64(1003) << "登录请求时间与服务器相差过大，请校准系统时间";
}

void TestSignIn::reportsPlatformRefusals()
{
    QFETCH(QString, name);
    QFETCH(QString, secret);
    QFETCH(int, clockGap);
    QFETCH(qint64, code);
    QFETCH(QString, message);
    ClientFixture fixture;
    fixture.addAccount(account, password);
    fixture.platformNow = fixture.clientNow.addSecs(clockGap);
    const auto error = apiFailure(fixture.api->login(name, secret, QString()));
    QVERIFY(error);
    QCOMPARE(*error, QuorvaleAPIError::service(code, message));
    QVERIFY(fixture.api->cookies().size() <= 1);
}

void TestSignIn::timestampFollowsPlatformClock_data()
{
    QTest::addColumn<QByteArray>("date");
    QTest::addColumn<bool>("learnt");
    QTest::newRow("platform's Date on a 401") << QByteArray() << true;
    QTest::newRow("Date without weekday") << QByteArray("04 Mar 2024 02:02:03 GMT") << false;
    QTest::newRow("Date in ISO form") << QByteArray("2024-03-04T02:02:03Z") << false;
    QTest::newRow("Date with an impossible day") << QByteArray("Mon, 31 Feb 2024 02:02:03 GMT") << false;
    QTest::newRow("no Date at all") << QByteArray("none") << false;
}

void TestSignIn::timestampFollowsPlatformClock()
{
    QFETCH(QByteArray, date);
    QFETCH(bool, learnt);
    ClientFixture fixture;
    fixture.addAccount(account, password);
    fixture.platformNow = fixture.clientNow.addSecs(3600);
    demo::HttpResponse unauthorised = jsonAnswer("{}", 401);
    if (date == "none")
        fixture.platform.setSendsDate(false);
    else if (!date.isEmpty())
        unauthorised.setHeader("Date", date);
    fixture.platform.faults().answer(probe, unauthorised);
    QVERIFY(apiFailure(fixture.api->request(probe, QStringLiteral("GET"), std::nullopt)));

    const auto error = apiFailure(fixture.api->login(account, password, QString()));
    const QDateTime expected = learnt ? fixture.platformNow : fixture.clientNow;
    QCOMPARE(loggedTimestamp(fixture.platform), expected.toSecsSinceEpoch());
    QCOMPARE(error.has_value(), !learnt);
}

void TestSignIn::demandsCaptchaAfterWrongPassword()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
    QCOMPARE(awaitTask(fixture.api->captcha()), std::nullopt);
    QCOMPARE(apiFailure(fixture.api->login(account, QStringLiteral("wrong"), QString()))->code(),
             qint64(1001));

    const std::optional<QByteArray> image = awaitTask(fixture.api->captcha());
    QVERIFY(image && image->startsWith("\x89PNG"));
    QCOMPARE(*apiFailure(fixture.api->login(account, password, QStringLiteral("x"))),
             QuorvaleAPIError::service(1002, QStringLiteral("验证码错误")));
    QCOMPARE(*apiFailure(fixture.api->login(account, password, QString())),
             QuorvaleAPIError::service(1002, QStringLiteral("请输入验证码")));

    QVERIFY(awaitTask(fixture.api->captcha()));
    const QString code = fixture.platform.sessions().lastCaptchaCode();
    QCOMPARE(awaitTask(fixture.api->login(account, password, code)).isAuthenticated, true);
    QCOMPARE(awaitTask(fixture.api->captcha()), std::nullopt);
}

void TestSignIn::sendsCaptchaAsTyped_data()
{
    QTest::addColumn<QString>("captcha");
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("plus and space") << "a+b c" << QByteArray("/api/MemberShip/Login?captcha=a%2Bb%20c");
    QTest::newRow("query signs") << "x&y=z" << QByteArray("/api/MemberShip/Login?captcha=x%26y%3Dz");
    QTest::newRow("Chinese") << "验" << QByteArray("/api/MemberShip/Login?captcha=%E9%AA%8C");
    QTest::newRow("empty") << "" << QByteArray("/api/MemberShip/Login?captcha=");
}

void TestSignIn::sendsCaptchaAsTyped()
{
    QFETCH(QString, captcha);
    QFETCH(QByteArray, target);
    ClientFixture fixture;
    apiFailure(fixture.api->login(account, password, captcha));
    const QList<demo::HttpRequest> logins = fixture.platform.requestsTo(loginPath);
    QCOMPARE(logins.size(), 1);
    QCOMPARE(logins.first().target, target);
    QCOMPARE(logins.first().query.value(QStringLiteral("captcha")), captcha);
}

void TestSignIn::readsCaptchaAnswers_data()
{
    QTest::addColumn<QByteArray>("envelope");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("data missing") << QByteArray(R"({"state":0})") << "none";
    QTest::newRow("data null") << QByteArray(R"({"state":0,"data":null})") << "none";
    QTest::newRow("empty text") << QByteArray(R"({"state":0,"data":""})") << "none";
    QTest::newRow("plain Base64") << QByteArray(R"({"state":0,"data":"QUJD"})") << "ABC";
    QTest::newRow("data URL") << QByteArray(R"({"state":0,"data":"data:image/png;base64,QUJD"})") << "ABC";
    QTest::newRow("data URL without payload")
        << QByteArray(R"({"state":0,"data":"data:image/png;base64,"})") << "invalid";
    QTest::newRow("data URL with two commas")
        << QByteArray(R"({"state":0,"data":"data:image/png,,QUJD"})") << "invalid";
    QTest::newRow("line break") << QByteArray(R"({"state":0,"data":"QUJD\n"})") << "invalid";
    QTest::newRow("missing padding") << QByteArray(R"({"state":0,"data":"QUI"})") << "invalid";
    QTest::newRow("outside the alphabet") << QByteArray(R"({"state":0,"data":"QU-D"})") << "invalid";
    QTest::newRow("number") << QByteArray(R"({"state":0,"data":0})") << "invalid";
    QTest::newRow("Boolean") << QByteArray(R"({"state":0,"data":false})") << "invalid";
    QTest::newRow("object") << QByteArray(R"({"state":0,"data":{}})") << "invalid";
}

void TestSignIn::readsCaptchaAnswers()
{
    QFETCH(QByteArray, envelope);
    QFETCH(QString, outcome);
    ClientFixture fixture;
    fixture.platform.faults().answer(QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin"),
                                     jsonAnswer(envelope));
    if (outcome == QLatin1String("invalid")) {
        QCOMPARE(apiFailure(fixture.api->captcha())->kind(), Kind::InvalidResponse);
        return;
    }
    const std::optional<QByteArray> image = awaitTask(fixture.api->captcha());
    QCOMPARE(image, outcome == QLatin1String("none") ? std::nullopt : std::optional(outcome.toUtf8()));
}

void TestSignIn::readsCurrentUser_data()
{
    QTest::addColumn<QByteArray>("envelope");
    QTest::addColumn<QString>("outcome");
    QTest::newRow("full user") << QByteArray(
                                      R"({"state":0,"data":{"isAuthenticated":true,"displayName":"李",)"
                                      R"("schoolIds":[3000000000],"other":1}})")
                               << "user";
    QTest::newRow("optional members null")
        << QByteArray(R"({"state":0,"data":{"isAuthenticated":false,"displayName":null,"schoolIds":null}})")
        << "signed out";
    QTest::newRow("data missing") << QByteArray(R"({"state":0})") << "invalid";
    QTest::newRow("data an array") << QByteArray(R"({"state":0,"data":[]})") << "invalid";
    QTest::newRow("flag missing") << QByteArray(R"({"state":0,"data":{}})") << "decoding";
    QTest::newRow("flag as text") << QByteArray(R"({"state":0,"data":{"isAuthenticated":"true"}})")
                                  << "decoding";
    QTest::newRow("school id as text")
        << QByteArray(R"({"state":0,"data":{"isAuthenticated":true,"schoolIds":["1"]}})") << "decoding";
}

void TestSignIn::readsCurrentUser()
{
    QFETCH(QByteArray, envelope);
    QFETCH(QString, outcome);
    ClientFixture fixture;
    fixture.platform.faults().answer(QStringLiteral("/api/MemberShip/GetCurrentUser"), jsonAnswer(envelope));
    if (outcome == QLatin1String("invalid")) {
        QCOMPARE(apiFailure(fixture.api->currentUser())->kind(), Kind::InvalidResponse);
    } else if (outcome == QLatin1String("decoding")) {
        QVERIFY_THROWS_EXCEPTION(DecodingError, awaitTask(fixture.api->currentUser()));
    } else if (outcome == QLatin1String("user")) {
        QCOMPARE(awaitTask(fixture.api->currentUser()),
                 (SessionUser{true, QStringLiteral("李"), QList<qint64>{3000000000}}));
    } else {
        QCOMPARE(awaitTask(fixture.api->currentUser()), (SessionUser{false, std::nullopt, std::nullopt}));
    }
}

void TestSignIn::refusesSessionThatStaysSignedOut()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
    fixture.platform.faults().answer(QStringLiteral("/api/MemberShip/GetCurrentUser"),
                                     jsonAnswer(R"({"state":0,"data":{"isAuthenticated":false}})"));
    const QUuid epoch = fixture.api->teacherCacheEpoch();
    QCOMPARE(apiFailure(fixture.api->login(account, password, QString()))->kind(), Kind::Unauthenticated);
    QCOMPARE(fixture.api->teacherCacheEpoch(), epoch);
}

void TestSignIn::expiredSessionIsUnauthenticated()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
    awaitTask(fixture.api->login(account, password, QString()));
    fixture.platform.sessions().expireAll();
    QCOMPARE(apiFailure(fixture.api->currentUser())->kind(), Kind::Unauthenticated);
}

void TestSignIn::sessionChangesClearTeacherCaches_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("sign-in") << "sign-in";
    QTest::newRow("sign-out") << "sign-out";
    QTest::newRow("sign-out while the platform is down") << "offline sign-out";
    QTest::newRow("cookie import") << "import";
    QTest::newRow("import of no cookies") << "empty import";
}

void TestSignIn::sessionChangesClearTeacherCaches()
{
    QFETCH(QString, change);
    ClientFixture fixture;
    fixture.addAccount(account, password);
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
    if (change == QLatin1String("empty import"))
        api.importCookies({});

    QVERIFY(api.teacherCacheEpoch() != epoch);
    QVERIFY(api.m_teacherResponseCache.isEmpty());
    QVERIFY(api.m_teacherClassMapCache.isEmpty());
    QVERIFY(api.m_teacherClassMapFlights.isEmpty());
    QVERIFY(flight->isCancelled());
    QVERIFY_THROWS_EXCEPTION(CancellationError, awaitTask(awaitFlight(flight->future())));
}

void TestSignIn::signOutEndsOnFreshSession_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("failure");
    QTest::newRow("platform answers") << "answers"
                                      << "";
    QTest::newRow("platform unreachable") << "down"
                                          << "无法连接澜序，请检查网络后重试";
    QTest::newRow("platform refuses") << "refuses"
                                      << "澜序未返回预期数据，请检查网络；也可以尝试官网登录";
}

void TestSignIn::signOutEndsOnFreshSession()
{
    QFETCH(QString, platform);
    QFETCH(QString, failure);
    ClientFixture fixture;
    fixture.addAccount(account, password);
    fixture.platformNow = fixture.clientNow.addSecs(600);
    awaitTask(fixture.api->currentUser());
    awaitTask(fixture.api->login(account, password, QString()));
    QVERIFY(!fixture.api->cookies().isEmpty());
    const quint16 port = fixture.platform.port();

    if (platform == QLatin1String("down"))
        fixture.platform.close();
    if (platform == QLatin1String("refuses"))
        fixture.platform.faults().answer(QStringLiteral("/api/MemberShip/LogOut"), jsonAnswer("{}", 500));
    QCOMPARE(failureText(fixture.api->logout()), failure);
    QVERIFY(fixture.api->cookies().isEmpty());

    // The clock offset learnt before is forgotten with the session.
    if (platform == QLatin1String("down"))
        QVERIFY(fixture.platform.listen(port));
    apiFailure(fixture.api->login(account, password, QString()));
    QCOMPARE(loggedTimestamp(fixture.platform), fixture.clientNow.toSecsSinceEpoch());
    QVERIFY(
        fixture.platform.requestsTo(loginPath).last().cookie(demo::PlatformSessions::cookieName).isEmpty());
}

void TestSignIn::signOutWakesRequestsIntoNewSession()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
    awaitTask(fixture.api->login(account, password, QString()));
    fixture.platform.faults().hold(probe);
    fixture.platform.faults().answer(QStringLiteral("/api/Test/Next"), jsonAnswer(R"({"state":0})"));

    QCoro::Task<> pending = retryAfterNetworkFailure(fixture.api.get());
    QTRY_COMPARE(fixture.platform.heldCount(), 1);
    awaitTask(fixture.api->logout());
    QCOMPARE(apiFailure(std::move(pending)), std::nullopt);

    const QList<demo::HttpRequest> retried = fixture.platform.requestsTo(QStringLiteral("/api/Test/Next"));
    QCOMPARE(retried.size(), 1);
    QVERIFY(retried.first().cookie(demo::PlatformSessions::cookieName).isEmpty());
}

void TestSignIn::importsOnlyPlatformCookies_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("kept");
    QTest::newRow("platform host") << "sis.school.example" << true;
    QTest::newRow("platform host with dots") << ".sis.school.example." << true;
    QTest::newRow("parent domain with a dot") << ".school.example" << true;
    QTest::newRow("parent domain") << "school.example" << true;
    QTest::newRow("sibling host") << "mail.school.example" << false;
    QTest::newRow("top-level domain") << ".example" << false;
    QTest::newRow("other site") << "evil.example" << false;
    QTest::newRow("host inside another name") << "sis.school.example.evil" << false;
    QTest::newRow("no domain") << "" << false;
}

void TestSignIn::importsOnlyPlatformCookies()
{
    QFETCH(QString, domain);
    QFETCH(bool, kept);
    QuorvaleAPI api(QUrl(QStringLiteral("https://sis.school.example")), {}, {});
    QNetworkCookie cookie("SID", "1");
    cookie.setDomain(domain);
    cookie.setPath(QStringLiteral("/"));
    QNetworkCookie replacement = cookie;
    replacement.setValue("2");
    api.importCookies({cookie, replacement});
    QCOMPARE(api.cookies(), kept ? QList<QNetworkCookie>{replacement} : QList<QNetworkCookie>{});
}

void TestSignIn::importedCookiesCarryTheSession()
{
    ClientFixture fixture;
    fixture.addAccount(account, password);
    demo::HttpResponse webSignIn;
    demo::Session &session = fixture.platform.sessions().open(webSignIn, false);
    session.account = account;
    QNetworkCookie cookie(demo::PlatformSessions::cookieName, session.id);
    cookie.setDomain(QStringLiteral("127.0.0.1"));
    cookie.setPath(QStringLiteral("/"));
    QNetworkCookie foreign("tracker", "1");
    foreign.setDomain(QStringLiteral(".elsewhere.example"));
    fixture.api->importCookies({foreign, cookie});
    QCOMPARE(awaitTask(fixture.api->currentUser()).displayName, QStringLiteral("王老师"));
    QCOMPARE(fixture.api->cookies(), QList<QNetworkCookie>{cookie});
}

void TestSignIn::buildsSortedEscapedPaths_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("expected");
    QTest::newRow("sorted by key") << QStringList{"b", "2", "a", "1"} << "/x?a=1&b=2";
    QTest::newRow("capitals first") << QStringList{"a", "1", "Z", "2"} << "/x?Z=2&a=1";
    QTest::newRow("plus and space") << QStringList{"key", "a+b c"} << "/x?key=a%2Bb%20c";
    QTest::newRow("query signs in keys and values") << QStringList{"a&b", "c=d"} << "/x?a%26b=c%3Dd";
    QTest::newRow("Chinese") << QStringList{"name", "中文"} << "/x?name=%E4%B8%AD%E6%96%87";
    QTest::newRow("empty value") << QStringList{"k", ""} << "/x?k=";
}

void TestSignIn::buildsSortedEscapedPaths()
{
    QFETCH(QStringList, items);
    QFETCH(QString, expected);
    QMap<QString, QString> query;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2)
        query.insert(items[i], items[i + 1]);
    QCOMPARE(QuorvaleAPI::path(QStringLiteral("/x"), query), expected);
}

int runSignInTests(int argc, char **argv)
{
    TestSignIn tests;
    return QTest::qExec(&tests, argc, argv);
}

#include "tst_signin.moc"
