#include "core/client/sessioncoordinator.h"
#include "core/client/sessionrecoveryerror.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"
#include "tests/support/launch.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A coordinator over the simulated platform.
struct Rig
{
    explicit Rig(bool automaticLogin = true)
        : api(fixture.newAPI())
        , coordinator(api.get(), fixture.store, automaticLogin)
    {}

    static QCoro::Task<> recover() { co_return; }

    void signIn()
    {
        awaitTask(coordinator.signIn(SessionFixture::account, SessionFixture::password, QString(), true));
    }

    std::shared_ptr<Outcome<QString>> probe(const QString &tag)
    {
        return launch(coordinator.perform<QString>(
            [] { return recover(); }, [tag](QuorvaleAPI *client) { return testing::probe(client, tag); }));
    }

    SessionFixture fixture;
    std::unique_ptr<CountingAPI> api;
    SessionCoordinator coordinator;
};

// How a restore fails, when it fails for a reason the coordinator gives.
std::optional<SessionRecoveryError::Kind> restoreFailure(SessionCoordinator &coordinator)
{
    const auto outcome = launch(coordinator.restore());
    if (!QTest::qWaitFor([&] { return outcome->done; }))
        return std::nullopt;
    const auto error = outcome->failure<SessionRecoveryError>();
    return error ? std::optional(error->kind()) : std::nullopt;
}

} // namespace

class SessionCoordinatorTest : public QObject
{
    Q_OBJECT

private slots:
    void retryMeetingExpiryAgainBlocksAutomaticSignIn();
    void storeReadIsSharedAndStoppedBySignOut_data();
    void storeReadIsSharedAndStoppedBySignOut();
    void forgettingSignOutClearsLocalStateWhenStoreAndPlatformFail();
};

void SessionCoordinatorTest::retryMeetingExpiryAgainBlocksAutomaticSignIn()
{
    Rig rig;
    rig.signIn();
    rig.fixture.expireSessions();
    rig.fixture.platform.faults().answer(
        SessionFixture::probePath, demo::refusal(999904, QStringLiteral("会话失效")), demo::Faults::always);

    const auto run = rig.probe(QStringLiteral("a"));
    QTRY_VERIFY(run->done);
    const auto error = run->failure<QuorvaleAPIError>();
    QVERIFY(error);
    QCOMPARE(error->kind(), QuorvaleAPIError::Kind::Unauthenticated);
    QCOMPARE(rig.fixture.count(SessionFixture::probePath), 2);
    QCOMPARE(rig.api->loginsStarted, 2);
    QVERIFY(!rig.coordinator.user() && rig.coordinator.blocked());

    const qsizetype requests = rig.fixture.platform.requests().size();
    QCOMPARE(restoreFailure(rig.coordinator), SessionRecoveryError::Kind::ManualLoginRequired);
    QCOMPARE(rig.fixture.platform.requests().size(), requests);
}

void SessionCoordinatorTest::storeReadIsSharedAndStoppedBySignOut_data()
{
    QTest::addColumn<bool>("signOut");
    QTest::newRow("both share it") << false;
    QTest::newRow("sign-out stops it") << true;
}

void SessionCoordinatorTest::storeReadIsSharedAndStoppedBySignOut()
{
    QFETCH(bool, signOut);
    Rig rig;
    rig.fixture.store->saved = SavedCredentials{SessionFixture::account, SessionFixture::password};
    rig.fixture.store->holdLoad = true;

    const auto first = launch(rig.coordinator.restore());
    const auto second = launch(rig.coordinator.restore());
    QTRY_COMPARE(rig.fixture.store->waiting, 1);
    if (signOut) {
        awaitTask(rig.coordinator.signOut(false));
        QTRY_VERIFY(second->done);
        QVERIFY(second->failure<CancellationError>());
    }
    rig.fixture.store->release();

    QTRY_VERIFY(first->done && second->done);
    QCOMPARE(rig.fixture.store->loads, 1);
    if (signOut) {
        QVERIFY(first->failure<CancellationError>());
        QCOMPARE(rig.api->captchasStarted, 0);
        QVERIFY(!rig.coordinator.user() && !rig.coordinator.renewing());
        return;
    }
    QVERIFY(first->value && first->value->isAuthenticated);
    QCOMPARE(second->value, first->value);
    QCOMPARE(rig.api->captchasStarted, 1);
    QCOMPARE(rig.api->loginsStarted, 1);
    QCOMPARE(rig.coordinator.user(), first->value);
}

void SessionCoordinatorTest::forgettingSignOutClearsLocalStateWhenStoreAndPlatformFail()
{
    Rig rig;
    rig.signIn();
    rig.fixture.store->failRemove = true;
    rig.fixture.platform.close();
    const qint64 epoch = rig.coordinator.epoch();

    QCOMPARE(awaitTask(rig.coordinator.signOut(true)).value_or(QString()),
             QStringLiteral("无法移除钥匙串中的账号"));
    QCOMPARE(rig.coordinator.epoch(), epoch + 1);
    QVERIFY(!rig.coordinator.user() && rig.coordinator.blocked());
    QVERIFY(!rig.coordinator.automaticLogin() && rig.fixture.store->saved);
    QCOMPARE(restoreFailure(rig.coordinator), SessionRecoveryError::Kind::ManualLoginRequired);
}

QTEST_GUILESS_MAIN(SessionCoordinatorTest)
#include "tst_sessioncoordinator.moc"
