#include "core/client/quorvaleapi.h"
#include "core/client/sessioncoordinator.h"
#include "core/client/sessionrecoveryerror.h"
#include "tests/session/memorycredentialstore.h"
#include "tests/support/awaittask.h"
#include "tools/demoplatform/demoplatform.h"

#include <QTest>
#include <QTimeZone>

// The demo platform runs for a whole demo or test run: what it keeps must stay bounded. Its captcha
// switch makes it a platform that demands a captcha, seen as a client meets one.
using namespace quorvale;
using namespace quorvale::testing;

namespace {

const QString probe = QStringLiteral("/api/Test/Probe");

qsizetype loggedBodies(const demo::DemoPlatform &platform)
{
    qsizetype total = 0;
    for (const demo::HttpRequest &request : platform.requests())
        total += request.body.size();
    return total;
}

} // namespace

class TestDemoPlatform : public QObject
{
    Q_OBJECT

private slots:
    void keepsOnlyTheLatestRequests()
    {
        demo::DemoPlatform platform;
        platform.listen();
        platform.faults().answer(probe, demo::envelope(true), demo::Faults::always);
        QuorvaleAPI api(platform.origin(), TransportSettings{}, QuorvaleAPI::Clock{});
        // Six posts of the largest body the platform takes.
        for (char fill = 'a'; fill < 'g'; ++fill)
            awaitTask(api.request(probe, QStringLiteral("POST"), QByteArray(8 * 1024 * 1024, fill)));

        QVERIFY(loggedBodies(platform) <= demo::DemoPlatform::logBytes);
        QCOMPARE(platform.requests().last().body.front(), 'f');
        // Many small requests keep only the latest ones.
        platform.clearLog();
        for (int i = 0; i < demo::DemoPlatform::logEntries + 10; ++i)
            awaitTask(api.request(QuorvaleAPI::path(probe, {{QStringLiteral("i"), QString::number(i)}}),
                                  QStringLiteral("GET"), std::nullopt));
        QCOMPARE(platform.requests().size(), demo::DemoPlatform::logEntries);
        QCOMPARE(platform.requests().first().query.value(QStringLiteral("i")), QStringLiteral("10"));
    }

    void forgetsIdleAndSurplusSessions()
    {
        demo::DemoPlatform platform;
        QDateTime now(QDate(2025, 3, 3), QTime(1, 0), QTimeZone::utc());
        platform.setClock([&now] { return now; });
        platform.listen();
        platform.sessions().addAccount(
            {QStringLiteral("staff"), QStringLiteral("Pass#Word1"), QStringLiteral("教务"), {7}, false});
        QuorvaleAPI api(platform.origin(), TransportSettings{}, [&now] { return now; });
        awaitTask(api.login(QStringLiteral("staff"), QStringLiteral("Pass#Word1"), QString()));
        QCOMPARE(platform.sessions().count(), 1);

        // Used within the idle limit, the session lives on; left alone past it, it is forgotten.
        now = now.addSecs(demo::PlatformSessions::idleSeconds);
        QVERIFY(awaitTask(api.currentUser()).isAuthenticated);
        now = now.addSecs(demo::PlatformSessions::idleSeconds + 1);
        QVERIFY(!awaitTask(api.currentUser()).isAuthenticated);
        QCOMPARE(platform.sessions().count(), 0);

        // Clients that never come back cannot grow the platform beyond its limit.
        demo::PlatformSessions sessions;
        for (qsizetype i = 0; i < demo::PlatformSessions::sessionLimit + 5; ++i) {
            demo::HttpResponse answer;
            sessions.open(answer, false);
        }
        QCOMPARE(sessions.count(), demo::PlatformSessions::sessionLimit);
    }

    void demandedCaptchaComesBeforeTheSignIn_data()
    {
        QTest::addColumn<bool>("automatic");
        QTest::newRow("form sign-in") << false;
        QTest::newRow("automatic sign-in") << true;
    }

    void demandedCaptchaComesBeforeTheSignIn()
    {
        QFETCH(bool, automatic);
        const QString name = QStringLiteral("staff"), password = QStringLiteral("Pass#Word1");
        demo::DemoPlatform platform;
        platform.listen();
        // As the switch leaves the account: its next sign-in needs a captcha.
        platform.sessions().addAccount({name, password, QStringLiteral("教务"), {7}, true});
        QuorvaleAPI api(platform.origin(), TransportSettings{}, QuorvaleAPI::Clock{});

        if (automatic) {
            auto store = std::make_shared<MemoryCredentialStore>();
            store->saved = SavedCredentials{name, password};
            SessionCoordinator sessions(&api, store, true);
            QString stopped;
            try {
                awaitTask(sessions.restore());
            } catch (const Error &error) {
                stopped = error.description();
            }
            QCOMPARE(stopped, QStringLiteral("请输入验证码完成登录"));
            QVERIFY(platform.requestsTo(QStringLiteral("/api/MemberShip/Login")).isEmpty());
            return;
        }
        // The captcha is there before the first attempt, which then goes through.
        const std::optional<QByteArray> image = awaitTask(api.captcha());
        QVERIFY(image && image->startsWith("\x89PNG"));
        QVERIFY(awaitTask(api.login(name, password, platform.sessions().lastCaptchaCode())).isAuthenticated);
        QCOMPARE(awaitTask(api.captcha()), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestDemoPlatform)

#include "tst_demoplatform.moc"
