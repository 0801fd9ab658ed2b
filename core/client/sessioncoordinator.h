#pragma once

#include "core/client/cancellationerror.h"
#include "core/client/credentialstore.h"
#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/sessionuser.h"
#include "core/client/settled.h"
#include "core/client/sharedflight.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace quorvale {

// The outcome of a form sign-in.
struct SignInResult
{
    SessionUser user;
    // Why the credential store could not be brought in line with the choice to remember.
    std::optional<QString> storageWarning;
    // Keeping the credentials was asked for and they are saved.
    bool remembered = false;

    bool operator==(const SignInResult &) const = default;
};

// Owns the rules of the platform session: form sign-in with the remembered account, one automatic
// re-sign-in at a time after the session expired, guarded runs that recover once, adoption of a
// session found elsewhere, and sign-out. Sign-in, adoption and sign-out advance the epoch; an
// operation that finds the epoch moved after a wait writes nothing and ends in CancellationError.
class SessionCoordinator : public QObject
{
    Q_OBJECT

public:
    // Called once by each guarded run that meets an expired session, before its re-sign-in.
    using Recovery = std::function<QCoro::Task<>()>;
    template <typename T> using Operation = std::function<QCoro::Task<T>(QuorvaleAPI *)>;

    // The platform client must outlive the coordinator.
    SessionCoordinator(QuorvaleAPI *api, std::shared_ptr<CredentialStore> store, bool automaticLogin,
                       QObject *parent = nullptr);
    ~SessionCoordinator() override;

    // Automatic re-sign-in from the remembered account is allowed at all.
    bool automaticLogin() const { return m_automaticLogin; }
    // Automatic re-sign-in is refused until the next successful sign-in or adoption.
    bool blocked() const { return m_blocked; }
    qint64 epoch() const { return m_epoch; }
    // An automatic re-sign-in is running.
    bool renewing() const { return bool(m_renewal); }
    // The user the coordinator last accepted; none without a session.
    std::optional<SessionUser> user() const { return m_user; }

    // The account name of the remembered credentials; throws the store's error.
    QCoro::Task<std::optional<QString>> savedAccount();
    // Takes over a session the caller found itself.
    void adopt(const SessionUser &user);
    // Signs in with the form's texts as typed, then remembers or forgets the credentials.
    // The caller keeps the texts alive until the sign-in ends and wipes the password afterwards.
    QCoro::Task<SignInResult> signIn(const QString &account, const QString &password, QString captcha,
                                     bool remember);
    // Signs in again with the remembered credentials; callers that arrive while one runs share it.
    QCoro::Task<SessionUser> restore();
    // Runs the operation; when the platform says the session expired, calls back, signs in again
    // and runs it once more. An operation cancelled while an automatic re-sign-in ran (which voids
    // the platform client's session caches) runs once more on the new session.
    template <typename T> QCoro::Task<T> perform(Recovery onRecovery, Operation<T> operation);
    // A guarded run of authenticatedUser() that keeps the user it returns.
    QCoro::Task<SessionUser> check(Recovery onRecovery);
    // Clears the local session first, then signs out on the platform; returns a note for the user.
    QCoro::Task<std::optional<QString>> signOut(bool forget);

    // The platform's current user; one the platform does not count as signed in is an expired session.
    static QCoro::Task<SessionUser> authenticatedUser(QuorvaleAPI *api);

private:
    using Renewal = SharedFlight<SessionUser>;

    void newEpoch();
    // Throws CancellationError when the coordinator is gone or the epoch moved since the token.
    static void ensureCurrent(const QPointer<SessionCoordinator> &self, qint64 token);
    static QCoro::Task<SessionUser> join(QPointer<SessionCoordinator> self, std::shared_ptr<Renewal> renewal);
    // The credentials belong to the restore that started the re-sign-in; they are read only while the
    // renewal is neither cancelled nor finished, so while that restore still waits for it.
    static QCoro::Task<> renew(QPointer<QuorvaleAPI> api, const SavedCredentials &credentials,
                               std::shared_ptr<Renewal> renewal);
    static QCoro::Task<> recover(QPointer<SessionCoordinator> self, Recovery onRecovery, qint64 token);
    // One guarded run of the operation on the client, recovering once from an expired session.
    template <typename T>
    static QCoro::Task<T> guarded(QPointer<SessionCoordinator> self, qint64 token,
                                  QPointer<QuorvaleAPI> client, Recovery onRecovery, Operation<T> operation);
    // Whether a run that began at `token` with `renewals` ended in a cancellation that an automatic
    // re-sign-in of the same session caused: the epoch stands, and a re-sign-in succeeded meanwhile or
    // still runs. Waits for one that still runs; its failure is thrown.
    static QCoro::Task<bool> renewedDuring(QPointer<SessionCoordinator> self, qint64 token, qint64 renewals,
                                           std::exception_ptr error);
    [[noreturn]] static void expiredAgain(const QPointer<SessionCoordinator> &self, qint64 token);
    // Removes the remembered credentials; returns the failure's text instead of throwing it.
    static QCoro::Task<std::optional<QString>> removeCredentials(std::shared_ptr<CredentialStore> store);
    // The operation's value, or none when the platform says the session expired.
    template <typename T>
    static QCoro::Task<std::optional<T>> attempt(const Operation<T> &operation, QuorvaleAPI *client);

    QuorvaleAPI *m_api;
    std::shared_ptr<CredentialStore> m_store;
    bool m_automaticLogin;
    bool m_blocked = false;
    qint64 m_epoch = 0;
    std::shared_ptr<Renewal> m_renewal;
    std::optional<SessionUser> m_user;
    // Automatic re-sign-ins that succeeded.
    qint64 m_renewals = 0;
};

template <typename T>
QCoro::Task<std::optional<T>> SessionCoordinator::attempt(const Operation<T> &operation, QuorvaleAPI *client)
{
    try {
        co_return co_await operation(client);
    } catch (const QuorvaleAPIError &error) {
        if (error.kind() != QuorvaleAPIError::Kind::Unauthenticated)
            throw;
    }
    co_return std::nullopt;
}

template <typename T>
QCoro::Task<T> SessionCoordinator::guarded(QPointer<SessionCoordinator> self, qint64 token,
                                           QPointer<QuorvaleAPI> client, Recovery onRecovery,
                                           Operation<T> operation)
{
    if (!client)
        throw CancellationError();
    std::optional<T> value = co_await attempt(operation, client.get());
    if (!value) {
        co_await recover(self, std::move(onRecovery), token);
        if (!client)
            throw CancellationError();
        value = co_await attempt(operation, client.get());
        if (!value)
            expiredAgain(self, token);
    }
    ensureCurrent(self, token);
    co_return std::move(*value);
}

template <typename T> QCoro::Task<T> SessionCoordinator::perform(Recovery onRecovery, Operation<T> operation)
{
    const QPointer<SessionCoordinator> self(this);
    const qint64 token = m_epoch;
    const qint64 renewals = m_renewals;
    // Every run goes to the same client object as the first attempt.
    const QPointer<QuorvaleAPI> client(m_api);
    Settled<T> run = co_await settled(guarded(self, token, client, onRecovery, operation));
    if (co_await renewedDuring(self, token, renewals, run.error))
        co_return co_await guarded(self, token, client, std::move(onRecovery), std::move(operation));
    co_return run.take();
}

} // namespace quorvale
