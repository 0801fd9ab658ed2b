#include "app/state/memorywebview.h"
#include "app/state/quorvaleclient.h"
#include "core/client/sessionrecoveryerror.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tests/support/launch.h"
#include "tools/demoplatform/captchaimage.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// The client with its guarded call open to the test.
class TestClient : public QuorvaleClient
{
public:
    using QuorvaleClient::authorized;
    using QuorvaleClient::QuorvaleClient;
};

// Everything the screens read, to tell that nothing changed.
auto published(const QuorvaleClient &c)
{
    return std::tuple(c.phase(), c.user(), c.working(), c.message(), c.captchaData(), c.ready(),
                      c.rememberAccount(), c.savedAccount(), c.storageMessage());
}

// A client over the simulated platform, with its settings in a throwaway folder.
struct Rig
{
    // The preference as the settings file holds it: text, as every value of such a file.
    explicit Rig(const QString &preference = {})
    {
        settingsFile = folder.filePath(QStringLiteral("settings.ini"));
        if (!preference.isNull()) {
            QFile file(settingsFile);
            if (file.open(QIODevice::WriteOnly))
                file.write("[General]\nquorvale.automaticLoginEnabled=" + preference.toUtf8() + '\n');
        }
        auto settings = std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
        api = fixture.newAPI();
        web = new MemoryWebView;
        client = std::make_unique<TestClient>(api, fixture.store, web, std::move(settings));
    }

    QVariant storedPreference() const
    {
        return QSettings(settingsFile, QSettings::IniFormat).value(QuorvaleClient::preference);
    }

    void signIn()
    {
        awaitTask(client->login(SessionFixture::account, SessionFixture::password, QString(), true));
        QVERIFY(client->authenticated());
    }

    std::shared_ptr<Outcome<QString>> probe(const QString &tag)
    {
        return launch(
            client->authorized<QString>([tag](QuorvaleAPI *api) { return testing::probe(api, tag); }));
    }

    std::shared_ptr<Outcome<QString>> run(SessionCoordinator::Operation<QString> operation)
    {
        return launch(client->authorized<QString>(std::move(operation)));
    }

    QTemporaryDir folder;
    QString settingsFile;
    SessionFixture fixture;
    CountingAPI *api;
    MemoryWebView *web;
    std::unique_ptr<TestClient> client;
};

} // namespace

class QuorvaleClientTest : public QObject
{
    Q_OBJECT

private slots:
    void startFollowsPreferenceAndRestoresSession_data();
    void startFollowsPreferenceAndRestoresSession();
    void quietCheckKeepsTheClientOccupied();
    void failingStoreShowsItsTextAndSignIn();
    void rememberingSignInSavesAccount();
    void forgettingSignInDeletesEvenWhenRefused();
    void expiredCallsShareOneRecovery();
    void callWithoutRecoveryLeavesRestoringToReSignIn_data();
    void callWithoutRecoveryLeavesRestoringToReSignIn();
    void captchaDemandDuringRecoveryShowsSignIn();
    void lateRecoveryLeavesSignInScreenAlone();
    void valueAfterSignOutBeganIsDropped();
    void signOutWithPlatformUnreachableClearsLocalState();
    void refusesCaptchasNoCaptchaCouldBe_data();
    void refusesCaptchasNoCaptchaCouldBe();
};

void QuorvaleClientTest::startFollowsPreferenceAndRestoresSession_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("remember");
    QTest::newRow("absent") << QString() << true;
    QTest::newRow("false") << QStringLiteral("false") << false;
    QTest::newRow("true") << QStringLiteral("true") << true;
}

void QuorvaleClientTest::startFollowsPreferenceAndRestoresSession()
{
    QFETCH(QString, stored);
    QFETCH(bool, remember);
    Rig rig(stored);
    rig.fixture.store->saved = SavedCredentials{SessionFixture::account, SessionFixture::password};
    QCOMPARE(rig.client->rememberAccount(), remember);
    QCOMPARE(rig.client->sessions()->automaticLogin(), remember);

    awaitTask(rig.client->start());
    QCOMPARE(rig.fixture.store->loads, remember ? 2 : 0);
    QCOMPARE(rig.client->phase(), remember ? SessionPhase::SignedIn : SessionPhase::SignedOut);
    QCOMPARE(rig.client->savedAccount(), remember ? SessionFixture::account : QString());
    QVERIFY(rig.client->ready() && !rig.client->working());
    QVERIFY(rig.client->message().isEmpty());
    if (remember) {
        QVERIFY(rig.client->authenticated());
        QCOMPARE(rig.client->user(), rig.client->sessions()->user());
        QCOMPARE(rig.api->loginsStarted, 1);
        QVERIFY(rig.client->findChild<QTimer *>(QStringLiteral("sessionCheck"))->isActive());
    } else {
        QCOMPARE(rig.fixture.count(SessionFixture::captchaPath), 1);
    }
}

void QuorvaleClientTest::quietCheckKeepsTheClientOccupied()
{
    Rig rig;
    rig.signIn();
    int changes = 0;
    connect(rig.client.get(), &QuorvaleClient::occupiedChanged, this, [&changes] { ++changes; });
    auto *check = rig.client->findChild<QTimer *>(QStringLiteral("sessionCheck"));
    QVERIFY(check);
    const int interval = check->interval();
    rig.fixture.platform.faults().hold(QStringLiteral("/api/MemberShip/GetCurrentUser"));
    check->start(0);
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);
    check->setInterval(interval);
    // Quiet on screen, yet occupied for whatever must wait, an update's installation included.
    QVERIFY(!rig.client->working());
    QVERIFY(rig.client->occupied());
    rig.fixture.platform.releaseHeld();
    QTRY_VERIFY(!rig.client->occupied());
    QCOMPARE(changes, 2);
}

void QuorvaleClientTest::failingStoreShowsItsTextAndSignIn()
{
    Rig rig;
    rig.fixture.store->failLoad = true;

    awaitTask(rig.client->start());
    QCOMPARE(rig.client->storageMessage(), QStringLiteral("暂时无法读取钥匙串，请手动登录"));
    QVERIFY(rig.client->savedAccount().isEmpty());
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    QVERIFY(rig.client->ready() && !rig.client->working() && rig.client->message().isEmpty());
}

void QuorvaleClientTest::rememberingSignInSavesAccount()
{
    Rig rig(QStringLiteral("false"));
    awaitTask(rig.client->login(QStringLiteral(" teacher "), SessionFixture::password, QString(), true));

    QCOMPARE(rig.client->phase(), SessionPhase::SignedIn);
    QCOMPARE(rig.fixture.store->saved, (SavedCredentials{SessionFixture::account, SessionFixture::password}));
    QCOMPARE(rig.client->savedAccount(), SessionFixture::account);
    QVERIFY(rig.client->storageMessage().isEmpty() && rig.client->rememberAccount());
    QCOMPARE(rig.storedPreference().toString(), QStringLiteral("true"));
    QVERIFY(rig.client->ready() && !rig.client->working() && !rig.client->captchaData());
}

void QuorvaleClientTest::forgettingSignInDeletesEvenWhenRefused()
{
    Rig rig;
    rig.fixture.store->saved = SavedCredentials{SessionFixture::account, SessionFixture::password};
    awaitTask(rig.client->login(SessionFixture::account, QStringLiteral("wrong"), QString(), false));

    QVERIFY(!rig.fixture.store->saved);
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    QCOMPARE(rig.client->message(), QStringLiteral("账号或密码错误（代码 1001）"));
    QCOMPARE(rig.storedPreference().toString(), QStringLiteral("false"));
    QVERIFY(!rig.client->rememberAccount());
    // The platform wants a captcha after a wrong password, and the form shows it at once.
    QVERIFY(rig.client->captchaData() && rig.client->ready() && !rig.client->working());
}

void QuorvaleClientTest::expiredCallsShareOneRecovery()
{
    Rig rig;
    rig.signIn();
    rig.fixture.expireSessions();
    rig.fixture.platform.faults().hold(SessionFixture::captchaPath);

    const auto first = rig.probe(QStringLiteral("first"));
    const auto second = rig.probe(QStringLiteral("second"));
    QTRY_COMPARE(rig.fixture.count(SessionFixture::probePath), 2);
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);
    QCOMPARE(rig.client->phase(), SessionPhase::Restoring);
    QVERIFY(rig.client->working());
    rig.fixture.platform.releaseHeld();

    QTRY_VERIFY(first->done && second->done);
    QCOMPARE(first->value, QStringLiteral("first"));
    QCOMPARE(second->value, QStringLiteral("second"));
    QCOMPARE(rig.api->captchasStarted, 1);
    QCOMPARE(rig.api->loginsStarted, 2);
    QCOMPARE(rig.fixture.count(SessionFixture::probePath), 4);
    QCOMPARE(rig.client->phase(), SessionPhase::SignedIn);
    QVERIFY(rig.client->authenticated() && !rig.client->working() && rig.client->message().isEmpty());
}

void QuorvaleClientTest::callWithoutRecoveryLeavesRestoringToReSignIn_data()
{
    QTest::addColumn<bool>("fails");
    QTest::newRow("returns a value") << false;
    QTest::newRow("fails with the network") << true;
}

void QuorvaleClientTest::callWithoutRecoveryLeavesRestoringToReSignIn()
{
    QFETCH(bool, fails);
    Rig rig;
    rig.signIn();
    // A call that is under way while the session is still good.
    const auto gate = std::make_shared<Gate>();
    const auto steady = rig.run([gate, fails](QuorvaleAPI *) {
        return fails ? failAfterGate(gate, QuorvaleAPIError::network())
                     : afterGate(gate, QStringLiteral("steady"));
    });
    rig.fixture.expireSessions();
    rig.fixture.platform.faults().hold(SessionFixture::captchaPath);
    const auto expired = rig.probe(QStringLiteral("expired"));
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);
    QCOMPARE(rig.client->phase(), SessionPhase::Restoring);
    const auto restoring = published(*rig.client);

    gate->open();
    QTRY_VERIFY(steady->done);
    if (fails)
        QCOMPARE(steady->failure<QuorvaleAPIError>()->kind(), QuorvaleAPIError::Kind::Network);
    else
        QCOMPARE(steady->value, QStringLiteral("steady"));
    QVERIFY(published(*rig.client) == restoring);

    rig.fixture.platform.releaseHeld();
    QTRY_VERIFY(expired->done);
    QCOMPARE(expired->value, QStringLiteral("expired"));
    QCOMPARE(rig.client->phase(), SessionPhase::SignedIn);
    QVERIFY(rig.client->authenticated() && !rig.client->working());
}

void QuorvaleClientTest::captchaDemandDuringRecoveryShowsSignIn()
{
    Rig rig;
    rig.signIn();
    rig.fixture.expireSessions();
    const QByteArray image = rig.fixture.demandCaptcha();

    const auto call = rig.probe(QStringLiteral("a"));
    QTRY_VERIFY(call->done);
    QCOMPARE(call->failure<SessionRecoveryError>()->kind(), SessionRecoveryError::Kind::CaptchaRequired);
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    QCOMPARE(rig.client->message(), QStringLiteral("请输入验证码完成登录"));
    QCOMPARE(rig.client->captchaData(), image);
    QVERIFY(rig.client->ready() && !rig.client->user() && !rig.client->working());
}

void QuorvaleClientTest::lateRecoveryLeavesSignInScreenAlone()
{
    Rig rig;
    rig.signIn();
    // A request that reaches the platform before the session expires and learns it only later.
    rig.fixture.platform.faults().hold(SessionFixture::probePath);
    const auto late = rig.probe(QStringLiteral("late"));
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);
    rig.fixture.expireSessions();
    rig.fixture.demandCaptcha();
    const auto first = rig.probe(QStringLiteral("first"));
    QTRY_VERIFY(first->done);
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    const auto signInScreen = published(*rig.client);

    rig.fixture.platform.releaseHeld();
    QTRY_VERIFY(late->done);
    QCOMPARE(late->failure<SessionRecoveryError>()->kind(), SessionRecoveryError::Kind::ManualLoginRequired);
    QVERIFY(published(*rig.client) == signInScreen);
    QCOMPARE(rig.fixture.count(SessionFixture::captchaPath), 1);
}

void QuorvaleClientTest::valueAfterSignOutBeganIsDropped()
{
    Rig rig;
    rig.signIn();
    rig.fixture.platform.faults().hold(SessionFixture::probePath);
    const auto call = rig.probe(QStringLiteral("a"));
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);
    // The sign-out waits on the store, before it tells the platform.
    rig.fixture.store->holdRemove = true;
    const auto signOut = launch(rig.client->logout(true));
    QTRY_COMPARE(rig.fixture.store->waiting, 1);
    const auto signingOut = published(*rig.client);

    rig.fixture.platform.releaseHeld();
    QTRY_VERIFY(call->done);
    QVERIFY(call->failure<CancellationError>());
    QVERIFY(published(*rig.client) == signingOut);

    rig.fixture.store->release();
    QTRY_VERIFY(signOut->done);
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    QVERIFY(!rig.client->working());
}

void QuorvaleClientTest::signOutWithPlatformUnreachableClearsLocalState()
{
    Rig rig;
    rig.signIn();
    rig.fixture.platform.close();

    awaitTask(rig.client->logout(false));
    QCOMPARE(rig.client->phase(), SessionPhase::SignedOut);
    QVERIFY(!rig.client->user() && !rig.client->sessions()->user());
    QCOMPARE(rig.client->storageMessage(), QStringLiteral("已清除本地登录状态"));
    QCOMPARE(rig.client->message(), QuorvaleAPIError::network().description());
    QVERIFY(!rig.client->ready() && !rig.client->working() && rig.client->rememberAccount());
    QCOMPARE(rig.client->savedAccount(), SessionFixture::account);
    QVERIFY(rig.fixture.store->saved);
    QCOMPARE(rig.web->resets(), 1);
    QCOMPARE(rig.web->loads(), QList<QUrl>{QUrl()});
}

void QuorvaleClientTest::refusesCaptchasNoCaptchaCouldBe_data()
{
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<bool>("shown");
    QTest::newRow("the platform's captcha") << demo::captchaImage(QStringLiteral("4711")) << true;
    // A one-bit picture of 5000 x 5000 pixels: a few kilobytes that decode to millions of pixels.
    QImage huge(5000, 5000, QImage::Format_Mono);
    huge.fill(0);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    huge.save(&buffer, "PNG");
    QTest::newRow("declares 5000 x 5000 pixels") << png << false;
    QTest::newRow("no picture at all") << QByteArray("GIF89a not really") << false;
}

void QuorvaleClientTest::refusesCaptchasNoCaptchaCouldBe()
{
    QFETCH(QByteArray, image);
    QFETCH(bool, shown);
    Rig rig;
    rig.fixture.platform.faults().answer(SessionFixture::captchaPath,
                                         demo::envelope(QString::fromLatin1(image.toBase64())));
    awaitTask(rig.client->refreshCaptcha());
    QCOMPARE(rig.client->captchaData(), shown ? std::optional(image) : std::nullopt);
    QCOMPARE(rig.client->message(), shown ? QString() : QuorvaleAPIError::invalidResponse().description());
}

QTEST_GUILESS_MAIN(QuorvaleClientTest)

#include "tst_quorvaleclient.moc"
