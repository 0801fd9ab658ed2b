#include "core/client/sessioncoordinator.h"
#include "core/client/sessionrecoveryerror.h"
#include "tests/session/launch.h"
#include "tests/session/sessionfixture.h"
#include "tests/support/awaittask.h"

#include <QTest>

using namespace quorvale;
using namespace quorvale::testing;

namespace {

// A coordinator over the simulated platform, with a recovery callback that counts its calls.
struct Rig
{
    explicit Rig(bool automaticLogin = true)
        : api(fixture.newAPI())
        , coordinator(api.get(), fixture.store, automaticLogin)
    {}

    SessionCoordinator::Recovery recovery()
    {
        return [counter = recoveries] { return countRecovery(counter); };
    }

    static QCoro::Task<> countRecovery(std::shared_ptr<int> counter)
    {
        ++*counter;
        co_return;
    }

    SessionUser signIn(bool remember = true)
    {
        return awaitTask(
                   coordinator.signIn(SessionFixture::account, SessionFixture::password, QString(), remember))
            .user;
    }

    std::shared_ptr<Outcome<QString>> probe(const QString &tag)
    {
        return launch(coordinator.perform<QString>(
            recovery(), [tag](QuorvaleAPI *client) { return testing::probe(client, tag); }));
    }

    SessionFixture fixture;
    std::unique_ptr<CountingAPI> api;
    SessionCoordinator coordinator;
    std::shared_ptr<int> recoveries = std::make_shared<int>(0);
};

template <typename T> std::optional<SessionRecoveryError::Kind> recoveryFailure(QCoro::Task<T> task)
{
    try {
        awaitTask(std::move(task));
    } catch (const SessionRecoveryError &error) {
        return error.kind();
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace

class SessionCoordinatorTest : public QObject
{
    Q_OBJECT

private slots:
    void restoreRefusesWithoutAskingAnyone_data();
    void restoreRefusesWithoutAskingAnyone();
    void failedReSignInBlocksAutomaticSignIn_data();
    void failedReSignInBlocksAutomaticSignIn();
    void storeReadIsSharedAndStoppedBySignOut_data();
    void storeReadIsSharedAndStoppedBySignOut();
    void ordinaryFailurePassesWithoutRecovery_data();
    void ordinaryFailurePassesWithoutRecovery();
    void formSignInCancelsRunningReSignIn();
    void rememberingSignInKeepsStoreInLine_data();
    void rememberingSignInKeepsStoreInLine();
    void signOutAlwaysClearsLocalState_data();
    void signOutAlwaysClearsLocalState();
};

void SessionCoordinatorTest::restoreRefusesWithoutAskingAnyone_data()
{
    QTest::addColumn<bool>("automaticLogin");
    QTest::addColumn<bool>("signedOut");
    QTest::addColumn<bool>("saved");
    QTest::newRow("automatic sign-in off") << false << false << true;
    QTest::newRow("blocked by a sign-out") << true << true << true;
    QTest::newRow("nothing saved") << true << false << false;
}

void SessionCoordinatorTest::restoreRefusesWithoutAskingAnyone()
{
    QFETCH(bool, automaticLogin);
    QFETCH(bool, signedOut);
    QFETCH(bool, saved);
    Rig rig(automaticLogin);
    if (saved)
        rig.fixture.store->saved = SavedCredentials{SessionFixture::account, SessionFixture::password};
    if (signedOut)
        awaitTask(rig.coordinator.signOut(false));
    const qsizetype requests = rig.fixture.platform.requests().size();

    QCOMPARE(recoveryFailure(rig.coordinator.restore()), SessionRecoveryError::Kind::ManualLoginRequired);
    // The store is read only when an attempt is allowed at all.
    QCOMPARE(rig.fixture.store->loads, automaticLogin && !signedOut ? 1 : 0);
    QCOMPARE(rig.fixture.platform.requests().size(), requests);
    QVERIFY(rig.coordinator.blocked() == signedOut && !rig.coordinator.renewing());
}

void SessionCoordinatorTest::failedReSignInBlocksAutomaticSignIn_data()
{
    QTest::addColumn<bool>("captcha");
    QTest::newRow("captcha demanded") << true;
    QTest::newRow("retry meets expiry again") << false;
}

void SessionCoordinatorTest::failedReSignInBlocksAutomaticSignIn()
{
    QFETCH(bool, captcha);
    Rig rig;
    rig.signIn();
    rig.fixture.expireSessions();
    QByteArray image;
    if (captcha)
        image = rig.fixture.demandCaptcha();
    else
        rig.fixture.platform.faults().answer(
            SessionFixture::probePath, demo::refusal(999904, QStringLiteral("会话失效")), demo::Faults::always);

    const auto run = rig.probe(QStringLiteral("a"));
    QTRY_VERIFY(run->done);
    if (captcha) {
        const auto error = run->failure<SessionRecoveryError>();
        QVERIFY(error);
        QCOMPARE(error->kind(), SessionRecoveryError::Kind::CaptchaRequired);
        QCOMPARE(error->captchaImage(), image);
        QCOMPARE(error->description(), QStringLiteral("请输入验证码完成登录"));
        QCOMPARE(*rig.recoveries, 1);
    } else {
        const auto error = run->failure<QuorvaleAPIError>();
        QVERIFY(error);
        QCOMPARE(error->kind(), QuorvaleAPIError::Kind::Unauthenticated);
        QCOMPARE(rig.fixture.count(SessionFixture::probePath), 2);
    }
    QCOMPARE(rig.api->loginsStarted, captcha ? 1 : 2);
    QVERIFY(!rig.coordinator.user() && rig.coordinator.blocked());

    const qsizetype requests = rig.fixture.platform.requests().size();
    QCOMPARE(recoveryFailure(rig.coordinator.restore()), SessionRecoveryError::Kind::ManualLoginRequired);
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

void SessionCoordinatorTest::ordinaryFailurePassesWithoutRecovery_data()
{
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<QuorvaleAPIError::Kind>("kind");
    QTest::newRow("connection lost") << true << QuorvaleAPIError::Kind::Network;
    QTest::newRow("platform refuses") << false << QuorvaleAPIError::Kind::Service;
}

void SessionCoordinatorTest::ordinaryFailurePassesWithoutRecovery()
{
    QFETCH(bool, unreachable);
    QFETCH(QuorvaleAPIError::Kind, kind);
    Rig rig;
    const SessionUser user = rig.signIn();
    if (unreachable)
        rig.fixture.platform.faults().drop(SessionFixture::probePath, demo::Faults::always);
    else
        rig.fixture.platform.faults().answer(SessionFixture::probePath,
                                             demo::refusal(5001, QStringLiteral("服务繁忙")));

    const auto run = rig.probe(QStringLiteral("a"));
    QTRY_VERIFY(run->done);
    const auto error = run->failure<QuorvaleAPIError>();
    QVERIFY(error);
    QCOMPARE(error->kind(), kind);
    QCOMPARE(*rig.recoveries, 0);
    QCOMPARE(rig.api->captchasStarted, 0);
    QCOMPARE(rig.coordinator.user(), user);
}

void SessionCoordinatorTest::formSignInCancelsRunningReSignIn()
{
    Rig rig;
    rig.signIn();
    rig.fixture.expireSessions();
    rig.fixture.platform.faults().hold(SessionFixture::captchaPath);
    const auto run = rig.probe(QStringLiteral("a"));
    QTRY_COMPARE(rig.fixture.platform.heldCount(), 1);

    const SignInResult result = awaitTask(
        rig.coordinator.signIn(SessionFixture::account, SessionFixture::password, QString(), false));
    QTRY_VERIFY(run->done);
    QVERIFY(run->failure<CancellationError>());
    QCOMPARE(rig.coordinator.user(), result.user);

    // The stale re-sign-in learns its captcha answer but does not sign in with the old account.
    rig.fixture.platform.releaseHeld();
    QTRY_COMPARE(rig.api->captchasEnded, 1);
    QCOMPARE(rig.api->loginsStarted, 2);
    QCOMPARE(rig.coordinator.user(), result.user);
    QVERIFY(!rig.coordinator.blocked());
}

void SessionCoordinatorTest::rememberingSignInKeepsStoreInLine_data()
{
    QTest::addColumn<bool>("failSave");
    QTest::addColumn<bool>("failRemove");
    QTest::addColumn<bool>("remembered");
    QTest::addColumn<QString>("warning");
    QTest::newRow("saved") << false << false << true << QString();
    QTest::newRow("save fails") << true << false << false << QStringLiteral("密码未能保存到钥匙串");
    QTest::newRow("save and delete fail")
        << true << true << false << QStringLiteral("钥匙串未能更新，自动登录已关闭");
}

void SessionCoordinatorTest::rememberingSignInKeepsStoreInLine()
{
    QFETCH(bool, failSave);
    QFETCH(bool, failRemove);
    QFETCH(bool, remembered);
    QFETCH(QString, warning);
    Rig rig(false);
    rig.fixture.store->failSave = failSave;
    rig.fixture.store->failRemove = failRemove;

    const SignInResult result = awaitTask(
        rig.coordinator.signIn(QStringLiteral("  teacher\n"), SessionFixture::password, QString(), true));
    QVERIFY(result.user.isAuthenticated);
    QCOMPARE(result.remembered, remembered);
    QCOMPARE(result.storageWarning.value_or(QString()), warning);
    QCOMPARE(rig.coordinator.automaticLogin(), remembered);
    QCOMPARE(rig.coordinator.user(), result.user);
    QVERIFY(!rig.coordinator.blocked());
    if (remembered)
        QCOMPARE(rig.fixture.store->saved,
                 (SavedCredentials{SessionFixture::account, SessionFixture::password}));
    QCOMPARE(rig.fixture.store->removes, failSave ? 1 : 0);
}

void SessionCoordinatorTest::signOutAlwaysClearsLocalState_data()
{
    QTest::addColumn<bool>("forget");
    QTest::addColumn<bool>("failRemove");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<QString>("note");
    QTest::newRow("keep, platform reachable") << false << false << true << QString();
    QTest::newRow("keep, platform unreachable")
        << false << false << false << QStringLiteral("已清除本地登录状态");
    QTest::newRow("forget, platform unreachable")
        << true << false << false << QStringLiteral("已清除本地登录状态");
    QTest::newRow("forget, store fails") << true << true << false << QStringLiteral("无法移除钥匙串中的账号");
}

void SessionCoordinatorTest::signOutAlwaysClearsLocalState()
{
    QFETCH(bool, forget);
    QFETCH(bool, failRemove);
    QFETCH(bool, reachable);
    QFETCH(QString, note);
    Rig rig;
    rig.signIn();
    rig.fixture.store->failRemove = failRemove;
    if (!reachable)
        rig.fixture.platform.close();
    const qint64 epoch = rig.coordinator.epoch();

    QCOMPARE(awaitTask(rig.coordinator.signOut(forget)).value_or(QString()), note);
    QCOMPARE(rig.coordinator.epoch(), epoch + 1);
    QVERIFY(!rig.coordinator.user() && rig.coordinator.blocked());
    QCOMPARE(rig.coordinator.automaticLogin(), !forget);
    QCOMPARE(rig.fixture.store->saved.has_value(), !forget || failRemove);
    QCOMPARE(recoveryFailure(rig.coordinator.restore()), SessionRecoveryError::Kind::ManualLoginRequired);
}

QTEST_GUILESS_MAIN(SessionCoordinatorTest)
#include "tst_sessioncoordinator.moc"
