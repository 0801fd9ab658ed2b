#include "app/state/memorywebview.h"
#include "app/state/quorvaleclient.h"
#include "core/client/quorvaleapierror.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tests/support/launch.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A client of the simulated platform whose web view is the in-memory one.
struct Rig
{
    Rig()
    {
        api = fixture.newAPI();
        web = new MemoryWebView;
        client = std::make_unique<QuorvaleClient>(
            api, fixture.store, web,
            std::make_unique<QSettings>(folder.filePath(QStringLiteral("settings.ini")),
                                        QSettings::IniFormat));
    }

    // The cookies of a session the platform signed in for another client.
    QList<QNetworkCookie> signedInCookies()
    {
        std::unique_ptr<QuorvaleAPI> other(fixture.newAPI());
        awaitTask(other->login(SessionFixture::account, SessionFixture::password, QString()));
        return other->cookies();
    }

    QTemporaryDir folder;
    SessionFixture fixture;
    CountingAPI *api;
    MemoryWebView *web;
    std::unique_ptr<QuorvaleClient> client;
};

bool holds(const QList<QNetworkCookie> &cookies, const QByteArray &name)
{
    return std::any_of(cookies.begin(), cookies.end(),
                       [&name](const QNetworkCookie &cookie) { return cookie.name() == name; });
}

QNetworkCookie cookie(const QByteArray &name, const QByteArray &value, const QString &domain)
{
    QNetworkCookie made(name, value);
    made.setDomain(domain);
    made.setPath(QStringLiteral("/"));
    return made;
}

} // namespace

class WebLoginTest : public QObject
{
    Q_OBJECT

private slots:
    void openingCopiesCookiesThenLoadsTheSignInPage()
    {
        Rig rig;
        awaitTask(rig.api->captcha());
        const QList<QNetworkCookie> clientCookies = rig.api->cookies();
        QVERIFY(!clientCookies.isEmpty());

        awaitTask(rig.client->openLogin());
        for (const QNetworkCookie &kept : clientCookies)
            QVERIFY(holds(rig.web->storedCookies(), kept.name()));
        const QUrl page = rig.fixture.platform.origin().resolved(QUrl(QStringLiteral("/newsis/login")));
        QCOMPARE(rig.web->loads(), QList<QUrl>{page});

        awaitTask(rig.client->openLogin());
        QCOMPARE(rig.web->loads(), (QList<QUrl>{page, page}));
    }

    void verificationWhileWorkingDoesNothing()
    {
        Rig rig;
        rig.fixture.platform.faults().hold(SessionFixture::loginPath);
        auto login =
            launch(rig.client->login(SessionFixture::account, SessionFixture::password, QString(), true));
        QTRY_COMPARE(rig.fixture.count(SessionFixture::loginPath), 1);
        QVERIFY(rig.client->working());
        const QString host = rig.fixture.platform.origin().host();
        awaitTask(rig.web->setCookie(cookie("webonly", "1", host)));

        awaitTask(rig.client->verifyWebLogin());
        QVERIFY(rig.client->working());
        QVERIFY(!holds(rig.api->cookies(), "webonly"));

        rig.fixture.platform.releaseHeld();
        QTRY_VERIFY(login->done);
        QVERIFY(rig.client->authenticated());
    }

    void verificationAdoptsOnlyAnAuthenticatedPlatformSession_data()
    {
        QTest::addColumn<QString>("cookies");
        QTest::addColumn<bool>("signedIn");
        QTest::newRow("none") << QString() << false;
        QTest::newRow("unknown session") << QStringLiteral("unknown") << false;
        QTest::newRow("session of another site") << QStringLiteral("elsewhere") << false;
        QTest::newRow("platform session") << QStringLiteral("platform") << true;
    }

    void verificationAdoptsOnlyAnAuthenticatedPlatformSession()
    {
        QFETCH(QString, cookies);
        QFETCH(bool, signedIn);
        Rig rig;
        QList<QNetworkCookie> given;
        if (cookies == QLatin1String("unknown")) {
            for (QNetworkCookie session : rig.signedInCookies()) {
                session.setValue("0000");
                given.append(session);
            }
        } else if (cookies == QLatin1String("elsewhere")) {
            for (QNetworkCookie session : rig.signedInCookies()) {
                session.setDomain(QStringLiteral("elsewhere.example"));
                given.append(session);
            }
        } else if (cookies == QLatin1String("platform")) {
            given = rig.signedInCookies();
        }
        for (const QNetworkCookie &one : given)
            awaitTask(rig.web->setCookie(one));
        QCOMPARE(rig.web->storedCookies().size(), given.size());

        awaitTask(rig.client->verifyWebLogin());
        QVERIFY(!rig.client->working());
        QCOMPARE(rig.client->authenticated(), signedIn);
        if (signedIn) {
            QCOMPARE(rig.client->phase(), SessionPhase::SignedIn);
            QCOMPARE(rig.client->user()->displayName, std::optional<QString>(QStringLiteral("王老师")));
            QVERIFY(rig.client->message().isEmpty());
        } else {
            QCOMPARE(rig.client->phase(), SessionPhase::Starting);
            QVERIFY(!rig.client->user());
            QCOMPARE(rig.client->message(), QuorvaleAPIError::unauthenticated().description());
        }
    }

    void failedLoadShowsTheLoadFailure_data()
    {
        QTest::addColumn<bool>("fails");
        QTest::newRow("finished") << false;
        QTest::newRow("failed or past its time limit") << true;
    }

    void failedLoadShowsTheLoadFailure()
    {
        QFETCH(bool, fails);
        Rig rig;
        emit rig.web->loadStarted();
        QVERIFY(rig.client->webLoading());
        if (fails)
            emit rig.web->loadFailed();
        else
            emit rig.web->loadFinished();
        QVERIFY(!rig.client->webLoading());
        QCOMPARE(rig.client->message(), fails ? QStringLiteral("官网加载失败") : QString());
    }
};

QTEST_GUILESS_MAIN(WebLoginTest)
#include "tst_weblogin.moc"
