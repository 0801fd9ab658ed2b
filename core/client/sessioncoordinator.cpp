#include "core/client/sessioncoordinator.h"

#include "core/client/secretwipe.h"
#include "core/client/sessionrecoveryerror.h"
#include "core/client/settled.h"

#include <QCoroFuture>
#include <QScopeGuard>
#include <exception>

namespace quorvale {

SessionCoordinator::SessionCoordinator(QuorvaleAPI *api, std::shared_ptr<CredentialStore> store,
                                       bool automaticLogin, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_store(std::move(store))
    , m_automaticLogin(automaticLogin)
{}

SessionCoordinator::~SessionCoordinator()
{
    // Callers waiting for the re-sign-in must wake up; they find the coordinator gone.
    if (m_renewal)
        m_renewal->cancel();
}

void SessionCoordinator::newEpoch()
{
    ++m_epoch;
    if (m_renewal)
        m_renewal->cancel();
    m_renewal.reset();
}

void SessionCoordinator::ensureCurrent(const QPointer<SessionCoordinator> &self, qint64 token)
{
    if (!self || self->m_epoch != token)
        throw CancellationError();
}

QCoro::Task<std::optional<QString>> SessionCoordinator::savedAccount()
{
    const std::shared_ptr<CredentialStore> store = m_store;
    std::optional<SavedCredentials> credentials = co_await store->load();
    if (!credentials)
        co_return std::nullopt;
    wipe(credentials->password);
    co_return credentials->account;
}

void SessionCoordinator::adopt(const SessionUser &user)
{
    newEpoch();
    m_user = user.isAuthenticated ? std::optional(user) : std::nullopt;
    m_blocked = false;
}

QCoro::Task<std::optional<QString>>
SessionCoordinator::removeCredentials(std::shared_ptr<CredentialStore> store)
{
    try {
        co_await store->remove();
    } catch (const Error &error) {
        co_return error.description();
    }
    co_return std::nullopt;
}

QCoro::Task<SignInResult> SessionCoordinator::signIn(const QString &account, const QString &password,
                                                     QString captcha, bool remember)
{
    const QPointer<SessionCoordinator> self(this);
    newEpoch();
    const qint64 token = m_epoch;
    // From here until the sign-in succeeds no automatic re-sign-in may start.
    m_blocked = true;
    m_automaticLogin = remember;
    m_user.reset();
    const std::shared_ptr<CredentialStore> store = m_store;
    QuorvaleAPI *const api = m_api;

    std::optional<QString> warning;
    if (!remember) {
        // Forgotten before the platform is asked, so a refused sign-in forgets too.
        warning = co_await removeCredentials(store);
        ensureCurrent(self, token);
    }
    const SessionUser user = co_await api->login(account, password, captcha);
    ensureCurrent(self, token);

    bool remembered = false;
    if (remember) {
        // Temporaries inside an awaited call are kept out: g++ 12 mishandles their lifetime.
        const SavedCredentials credentials{account.trimmed(), password};
        std::optional<QString> failure;
        try {
            co_await store->save(credentials);
        } catch (const Error &error) {
            failure = error.description();
        }
        ensureCurrent(self, token);
        if (failure) {
            const bool removed = !(co_await removeCredentials(store));
            ensureCurrent(self, token);
            self->m_automaticLogin = false;
            warning = removed ? failure : QStringLiteral("钥匙串未能更新，自动登录已关闭");
        } else {
            remembered = true;
        }
    }
    self->m_user = user;
    self->m_blocked = false;
    co_return SignInResult{user, warning, remembered};
}

QCoro::Task<SessionUser> SessionCoordinator::join(QPointer<SessionCoordinator> self,
                                                  std::shared_ptr<Renewal> renewal)
{
    const qint64 token = self->m_epoch;
    const SessionUser user = co_await renewal->future();
    // The caller that started the re-sign-in records its outcome.
    ensureCurrent(self, token);
    co_return user;
}

QCoro::Task<> SessionCoordinator::renew(QPointer<QuorvaleAPI> api, const SavedCredentials &credentials,
                                        std::shared_ptr<Renewal> renewal)
{
    try {
        const std::optional<QByteArray> image = co_await api->captcha();
        if (image)
            throw SessionRecoveryError::captchaRequired(*image);
        // A newer session owns the platform client now; signing in with the old account would replace it.
        if (renewal->isCancelled() || !api)
            co_return;
        const QString noCaptcha;
        renewal->finish(co_await api->login(credentials.account, credentials.password, noCaptcha));
    } catch (...) {
        renewal->fail(std::current_exception());
    }
}

QCoro::Task<SessionUser> SessionCoordinator::restore()
{
    if (m_renewal) {
        const QPointer<SessionCoordinator> self(this);
        co_return co_await join(self, m_renewal);
    }
    if (!m_automaticLogin || m_blocked)
        throw SessionRecoveryError::manualLoginRequired();

    const QPointer<SessionCoordinator> self(this);
    const qint64 token = m_epoch;
    // Registered before the store is read, so callers arriving meanwhile wait for this one.
    const auto renewal = std::make_shared<Renewal>();
    m_renewal = renewal;
    const std::shared_ptr<CredentialStore> store = m_store;

    Settled<std::optional<SavedCredentials>> loaded = co_await settled(store->load());
    // The sign-in request is built by the time the renewal ends, whichever way it ends.
    const auto wipeLoaded = qScopeGuard([&loaded] {
        if (loaded.value && *loaded.value)
            wipe((*loaded.value)->password);
    });
    if (loaded.error || !*loaded.value) {
        // Nothing was tried at the platform, so nothing blocks the next attempt.
        const std::exception_ptr failure =
            loaded.error ? loaded.error
                         : std::make_exception_ptr(SessionRecoveryError::manualLoginRequired());
        renewal->fail(failure);
        if (self && self->m_renewal == renewal)
            self->m_renewal.reset();
        std::rethrow_exception(failure);
    }
    // A newer epoch has already cancelled the renewal and woken its waiters.
    ensureCurrent(self, token);

    renew(self->m_api, **loaded.value, renewal);
    std::optional<SessionUser> user;
    std::exception_ptr failure;
    try {
        user = co_await renewal->future();
    } catch (...) {
        failure = std::current_exception();
    }
    if (user) {
        ensureCurrent(self, token);
        self->m_renewal.reset();
        self->m_user = user;
        ++self->m_renewals;
        co_return *user;
    }
    if (self && self->m_epoch == token) {
        self->m_renewal.reset();
        self->m_user.reset();
        self->m_blocked = true;
    }
    std::rethrow_exception(failure);
}

QCoro::Task<> SessionCoordinator::recover(QPointer<SessionCoordinator> self, Recovery onRecovery,
                                          qint64 token)
{
    ensureCurrent(self, token);
    self->m_user.reset();
    co_await onRecovery();
    ensureCurrent(self, token);
    co_await self->restore();
}

QCoro::Task<bool> SessionCoordinator::renewedDuring(QPointer<SessionCoordinator> self, qint64 token,
                                                    qint64 renewals, std::exception_ptr error)
{
    if (!error || !isCancellation(error) || !self || self->m_epoch != token)
        co_return false;
    // The re-sign-in has voided the caches by the time it finishes, but its starter records the
    // success only on a later turn: a cancellation may land in between.
    if (self->m_renewal) {
        co_await join(self, self->m_renewal);
        co_return true;
    }
    co_return self->m_renewals != renewals;
}

void SessionCoordinator::expiredAgain(const QPointer<SessionCoordinator> &self, qint64 token)
{
    ensureCurrent(self, token);
    self->m_user.reset();
    self->m_blocked = true;
    throw QuorvaleAPIError::unauthenticated();
}

QCoro::Task<SessionUser> SessionCoordinator::authenticatedUser(QuorvaleAPI *api)
{
    const SessionUser user = co_await api->currentUser();
    if (!user.isAuthenticated)
        throw QuorvaleAPIError::unauthenticated();
    co_return user;
}

QCoro::Task<SessionUser> SessionCoordinator::check(Recovery onRecovery)
{
    const QPointer<SessionCoordinator> self(this);
    const qint64 token = m_epoch;
    const Operation<SessionUser> operation = &authenticatedUser;
    const SessionUser user = co_await perform<SessionUser>(std::move(onRecovery), operation);
    ensureCurrent(self, token);
    self->m_user = user;
    co_return user;
}

QCoro::Task<std::optional<QString>> SessionCoordinator::signOut(bool forget)
{
    // The local state is cleared before anything is awaited.
    newEpoch();
    m_user.reset();
    m_blocked = true;
    const QPointer<QuorvaleAPI> api(m_api);

    std::optional<QString> note;
    if (forget) {
        m_automaticLogin = false;
        note = co_await removeCredentials(m_store);
    }
    bool loggedOut = false;
    try {
        if (api) {
            co_await api->logout();
            loggedOut = true;
        }
    } catch (...) {
        // The platform may be unreachable; the local sign-out stands regardless.
    }
    if (loggedOut || note)
        co_return note;
    co_return QStringLiteral("已清除本地登录状态");
}

} // namespace quorvale
