#include "app/state/quorvaleclient.h"

#include "app/state/captchaimage.h"
#include "app/state/failuretext.h"
#include "app/state/publish.h"
#include "core/client/keychaincredentialstore.h"
#include "core/client/quorvaleapierror.h"
#include "core/client/secretwipe.h"
#include "core/client/sessionrecoveryerror.h"
#include "core/client/settled.h"

#include <QScopeGuard>
#include <QTimer>
#include <chrono>

namespace quorvale {

namespace {

using namespace std::chrono_literals;

constexpr auto checkInterval = 60s;
constexpr auto webLoadLimit = 60s;

// The stored flag; absent or not a Boolean counts as on. INI files give a Boolean back as text.
bool automaticLoginPreference(const QSettings &settings)
{
    const QVariant stored = settings.value(QuorvaleClient::preference);
    if (stored.typeId() == QMetaType::Bool)
        return stored.toBool();
    if (stored.typeId() == QMetaType::QString && stored.toString() == QLatin1String("false"))
        return false;
    return true;
}

bool isAPIError(const std::exception_ptr &error, QuorvaleAPIError::Kind kind)
{
    try {
        std::rethrow_exception(error);
    } catch (const QuorvaleAPIError &failure) {
        return failure.kind() == kind;
    } catch (...) {
        return false;
    }
}

// The image of a captcha the platform demanded during an automatic sign-in.
std::optional<QByteArray> demandedCaptcha(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SessionRecoveryError &failure) {
        if (failure.kind() == SessionRecoveryError::Kind::CaptchaRequired &&
            !failure.captchaImage().isEmpty())
            return failure.captchaImage();
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace

QuorvaleClient::QuorvaleClient(PlatformWebView *web, std::unique_ptr<QSettings> settings, QObject *parent)
    : QuorvaleClient(new QuorvaleAPI(), std::make_shared<KeychainCredentialStore>(), web, std::move(settings),
                     parent)
{}

QuorvaleClient::QuorvaleClient(QuorvaleAPI *api, std::shared_ptr<CredentialStore> store, PlatformWebView *web,
                               std::unique_ptr<QSettings> settings, QObject *parent)
    : QObject(parent)
    , m_api(api)
    , m_web(web)
    , m_settings(std::move(settings))
    , m_monitor(new QTimer(this))
{
    m_api->setParent(this);
    m_web->setParent(this);
    m_rememberAccount = automaticLoginPreference(*m_settings);
    m_sessions = new SessionCoordinator(m_api, std::move(store), m_rememberAccount, this);

    m_monitor->setObjectName(QStringLiteral("sessionCheck"));
    m_monitor->setSingleShot(true);
    m_monitor->setInterval(checkInterval);
    connect(m_monitor, &QTimer::timeout, this, [this] { runCheck(this); });

    connect(m_web, &PlatformWebView::loadStarted, this, [this] { setWebLoading(true); });
    connect(m_web, &PlatformWebView::loadFinished, this, [this] { setWebLoading(false); });
    connect(m_web, &PlatformWebView::loadFailed, this, [this] {
        setWebLoading(false);
        setMessage(QStringLiteral("官网加载失败"));
    });
}

bool QuorvaleClient::authenticated() const
{
    return m_phase == SessionPhase::SignedIn && m_user && m_user->isAuthenticated;
}

void QuorvaleClient::storePreference(bool enabled)
{
    m_settings->setValue(preference, enabled);
    m_settings->sync();
}

QCoro::Task<> QuorvaleClient::start()
{
    if (m_started)
        co_return;
    m_started = true;
    m_monitor->start();
    const QPointer<QuorvaleClient> self(this);

    if (m_rememberAccount) {
        const Settled<std::optional<QString>> account = co_await settled(m_sessions->savedAccount());
        if (!self)
            co_return;
        if (account.error)
            setStorageMessage(describe(account.error));
        else
            setSavedAccount(account.value->value_or(QString()));
    }

    if (!m_rememberAccount || m_savedAccount.isEmpty()) {
        setPhase(SessionPhase::SignedOut);
        co_await prepare();
        co_return;
    }
    setPhase(SessionPhase::Restoring);
    setWorking(true);
    const Settled<SessionUser> restored = co_await settled(m_sessions->restore());
    if (!self)
        co_return;
    if (restored.value) {
        setUser(restored.value);
        setPhase(SessionPhase::SignedIn);
        setMessage(QString());
        setReady(true);
        setWorking(false);
        co_return;
    }
    co_await returnToLogin(restored.error);
    if (self)
        setWorking(false);
}

QCoro::Task<> QuorvaleClient::runCheck(QPointer<QuorvaleClient> self)
{
    // The check reports through the published state; a stray failure must not end the checks.
    co_await settled(self->check(false));
    if (self)
        self->m_monitor->start();
}

QCoro::Task<> QuorvaleClient::verify()
{
    return check(true);
}

// The periodic check keeps the client busy for the other operations without telling anyone, not even
// through working(), so a check whose answer is the same changes nothing that is shown.
QCoro::Task<> QuorvaleClient::check(bool announced)
{
    if (m_phase != SessionPhase::SignedIn || occupied())
        co_return;
    if (announced)
        setWorking(true);
    else
        setChecking(true);
    const qint64 token = m_revision;
    const QPointer<QuorvaleClient> self(this);
    const SessionCoordinator::Operation<SessionUser> operation = &SessionCoordinator::authenticatedUser;
    // A failure needs nothing more: the guarded call has already shown what the user needs to see.
    const Settled<SessionUser> checked = co_await settled(authorized<SessionUser>(operation));
    if (!self)
        co_return;
    if (!announced)
        setChecking(false);
    if (m_revision != token)
        co_return;
    if (checked.value)
        setUser(checked.value);
    if (announced)
        setWorking(false);
}

QCoro::Task<> QuorvaleClient::loadCaptcha()
{
    const QPointer<QuorvaleClient> self(this);
    const std::optional<QByteArray> image = co_await m_api->captcha();
    if (!self)
        throw CancellationError();
    if (image && !isCaptchaImage(*image))
        throw QuorvaleAPIError::invalidResponse();
    setCaptchaData(image);
    setReady(true);
}

QCoro::Task<Settled<void>> QuorvaleClient::reloadCaptcha()
{
    const QPointer<QuorvaleClient> self(this);
    const Settled<void> loaded = co_await settled(loadCaptcha());
    if (loaded.error && self)
        setReady(false);
    co_return loaded;
}

QCoro::Task<> QuorvaleClient::refreshCaptcha()
{
    if (occupied())
        co_return;
    setWorking(true);
    const QPointer<QuorvaleClient> self(this);
    const std::exception_ptr failure = (co_await reloadCaptcha()).error;
    if (!self)
        co_return;
    setMessage(failure ? describe(failure) : QString());
    setWorking(false);
}

QCoro::Task<> QuorvaleClient::prepare()
{
    if (occupied())
        co_return;
    setWorking(true);
    const QPointer<QuorvaleClient> self(this);
    const Settled<SessionUser> current = co_await settled(m_api->currentUser());
    if (!self)
        co_return;
    if (current.value && current.value->isAuthenticated) {
        // The platform already accepts this session: take it over.
        m_sessions->adopt(*current.value);
        setUser(current.value);
        setPhase(SessionPhase::SignedIn);
        setMessage(QString());
        setWorking(false);
        co_return;
    }
    std::exception_ptr failure = current.error;
    if (current.value)
        failure = (co_await reloadCaptcha()).error;
    if (self && failure && isAPIError(failure, QuorvaleAPIError::Kind::Unauthenticated))
        failure = (co_await reloadCaptcha()).error;
    if (!self)
        co_return;
    if (failure)
        setReady(false);
    setMessage(failure ? describe(failure) : QString());
    setWorking(false);
}

QCoro::Task<> QuorvaleClient::login(QString account, QString password, QString captcha, bool remember)
{
    // The form's copy of the password, which the screen hands over and no longer reads.
    const auto wipePassword = qScopeGuard([&password] { wipe(password); });
    if (occupied())
        co_return;
    if (account.trimmed().isEmpty() || password.isEmpty()) {
        setMessage(QStringLiteral("请输入账号和密码"));
        co_return;
    }
    if (m_captchaData && captcha.trimmed().isEmpty()) {
        setMessage(QStringLiteral("请输入验证码"));
        co_return;
    }
    const qint64 token = ++m_revision;
    setWorking(true);
    setStorageMessage(QString());
    setMessage(QString());
    setRememberAccount(remember);
    storePreference(remember);

    const QPointer<QuorvaleClient> self(this);
    const Settled<SignInResult> result =
        co_await settled(m_sessions->signIn(account, password, captcha, remember));
    if (!self || m_revision != token)
        co_return;
    if (result.value) {
        setUser(result.value->user);
        setPhase(SessionPhase::SignedIn);
        setReady(true);
        setCaptchaData(std::nullopt);
        setSavedAccount(result.value->remembered ? account.trimmed() : QString());
        setStorageMessage(result.value->storageWarning.value_or(QString()));
        storePreference(result.value->remembered);
        setWorking(false);
        co_return;
    }
    setUser(std::nullopt);
    setPhase(SessionPhase::SignedOut);
    setMessage(describe(result.error));
    // A failed captcha load leaves the sign-in's own failure as the message.
    co_await reloadCaptcha();
    if (self && m_revision == token)
        setWorking(false);
}

QCoro::Task<> QuorvaleClient::returnToLogin(std::exception_ptr error)
{
    setUser(std::nullopt);
    setPhase(SessionPhase::SignedOut);
    setMessage(describe(error));
    if (const std::optional<QByteArray> image = demandedCaptcha(error)) {
        setCaptchaData(isCaptchaImage(*image) ? image : std::nullopt);
        setReady(m_captchaData.has_value());
        co_return;
    }
    if (isAPIError(error, QuorvaleAPIError::Kind::Network)) {
        // The platform is unreachable, so no captcha is asked for.
        setReady(false);
        setCaptchaData(std::nullopt);
        co_return;
    }
    co_await reloadCaptcha();
}

QCoro::Task<> QuorvaleClient::logout(bool forget)
{
    if (occupied())
        co_return;
    // Every sign-in, check or guarded call still waiting drops its result.
    ++m_revision;
    setWorking(true);
    setPhase(SessionPhase::SignedOut);
    setUser(std::nullopt);
    setReady(false);
    setMessage(QString());
    if (forget) {
        setRememberAccount(false);
        setSavedAccount(QString());
        storePreference(false);
    }

    const QPointer<QuorvaleClient> self(this);
    const std::optional<QString> note = co_await m_sessions->signOut(forget);
    if (!self)
        co_return;
    setStorageMessage(note.value_or(QString()));
    co_await m_web->reset();
    if (!self)
        co_return;
    m_web->loadBlank();

    const std::exception_ptr failure = (co_await reloadCaptcha()).error;
    if (!self)
        co_return;
    if (failure)
        setMessage(describe(failure));
    setWorking(false);
}

QCoro::Task<> QuorvaleClient::openLogin()
{
    const QPointer<QuorvaleClient> self(this);
    // One cookie at a time, each stored before the next, so the page starts with all of them.
    const QList<QNetworkCookie> cookies = m_api->cookies();
    for (const QNetworkCookie &cookie : cookies) {
        co_await m_web->setCookie(cookie);
        if (!self)
            co_return;
    }
    m_web->load(m_api->origin().resolved(QUrl(QStringLiteral("/newsis/login"))), webLoadLimit);
}

QCoro::Task<> QuorvaleClient::verifyWebLogin()
{
    if (occupied())
        co_return;
    setWorking(true);
    const QPointer<QuorvaleClient> self(this);
    const QList<QNetworkCookie> cookies = co_await m_web->cookies();
    if (!self)
        co_return;
    m_api->importCookies(cookies);

    std::optional<SessionUser> found;
    std::exception_ptr failure;
    try {
        found = co_await m_api->currentUser();
    } catch (...) {
        failure = std::current_exception();
    }
    if (!self)
        co_return;
    if (found && !found->isAuthenticated)
        failure = std::make_exception_ptr(QuorvaleAPIError::unauthenticated());
    if (failure) {
        setMessage(describe(failure));
    } else {
        m_sessions->adopt(*found);
        setUser(found);
        setPhase(SessionPhase::SignedIn);
        setMessage(QString());
    }
    setWorking(false);
}

QCoro::Task<QList<Student>> QuorvaleClient::search(QString query, qint64 schoolId, QDateTime date)
{
    const SessionCoordinator::Operation<QList<Student>> operation =
        [query, schoolId, date](QuorvaleAPI *api) { return api->search(query, schoolId, date); };
    co_return co_await authorized<QList<Student>>(operation);
}

QCoro::Task<LiveTimetableResult> QuorvaleClient::lookupTimetable(Student student, QDateTime date,
                                                                 std::optional<qint64> taskId)
{
    const SessionCoordinator::Operation<LiveTimetableResult> operation =
        [student, date, taskId](QuorvaleAPI *api) { return api->lookupTimetable(student, date, taskId); };
    co_return co_await authorized<LiveTimetableResult>(operation);
}

QCoro::Task<TeacherDirectory> QuorvaleClient::searchTeachers(QString key, qint64 schoolId, QDateTime date,
                                                             bool byCourse, std::optional<qint64> courseId,
                                                             std::optional<qint64> taskId)
{
    const SessionCoordinator::Operation<TeacherDirectory> operation = [key, schoolId, date, byCourse,
                                                                       courseId, taskId](QuorvaleAPI *api) {
        return api->searchTeachers(key, schoolId, date, byCourse, courseId, taskId);
    };
    co_return co_await authorized<TeacherDirectory>(operation);
}

QCoro::Task<TeacherSchedule> QuorvaleClient::lookupTeacherTimetable(Teacher teacher, qint64 schoolId,
                                                                    QDateTime date, qint64 taskId)
{
    const SessionCoordinator::Operation<TeacherSchedule> operation = [teacher, schoolId, date,
                                                                      taskId](QuorvaleAPI *api) {
        return api->lookupTeacherTimetable(teacher, schoolId, date, taskId);
    };
    co_return co_await authorized<TeacherSchedule>(operation);
}

SessionCoordinator::Recovery QuorvaleClient::recoveryCallback(qint64 token,
                                                              std::shared_ptr<RecoveryRecord> recovery)
{
    return [self = QPointer<QuorvaleClient>(this), token, recovery] {
        return enterRecovery(self, token, recovery);
    };
}

QCoro::Task<> QuorvaleClient::enterRecovery(QPointer<QuorvaleClient> self, qint64 token,
                                            std::shared_ptr<RecoveryRecord> recovery)
{
    // A late call must not pull the user off a sign-in screen they are already on.
    if (!self || self->m_revision != token ||
        (self->m_phase != SessionPhase::SignedIn && self->m_phase != SessionPhase::Restoring))
        co_return;
    recovery->entered = true;
    self->setPhase(SessionPhase::Restoring);
    self->setUser(std::nullopt);
    self->setWorking(true);
    self->setMessage(QString());
}

QCoro::Task<> QuorvaleClient::settle(std::exception_ptr error, qint64 token,
                                     std::shared_ptr<RecoveryRecord> recovery)
{
    if (m_revision != token)
        co_return;
    const std::optional<SessionUser> current = m_sessions->user();
    const bool accepted = current && current->isAuthenticated;
    if (accepted) {
        // A recovery has succeeded, for this call or another; an error is then an ordinary failure.
        if (m_phase == SessionPhase::Restoring) {
            setUser(current);
            setPhase(SessionPhase::SignedIn);
            setWorking(false);
            if (!error)
                setMessage(QString());
        }
        co_return;
    }
    // Without an accepted user a value ends nothing: another call's re-sign-in may still be running.
    // A failure of a call that did not recover itself leaves the restoring screen to the call that
    // runs the re-sign-in, and a sign-in screen as it is.
    if (!error || (!recovery->entered && m_phase != SessionPhase::SignedIn))
        co_return;
    const QPointer<QuorvaleClient> self(this);
    co_await returnToLogin(error);
    if (self)
        setWorking(false);
}

void QuorvaleClient::setRememberAccount(bool remember)
{
    publish(this, m_rememberAccount, remember, &QuorvaleClient::rememberAccountChanged);
}

void QuorvaleClient::setPhase(SessionPhase phase)
{
    publish(this, m_phase, phase, &QuorvaleClient::phaseChanged);
}

void QuorvaleClient::setUser(const std::optional<SessionUser> &user)
{
    publish(this, m_user, user, &QuorvaleClient::userChanged);
}

void QuorvaleClient::setWorking(bool working)
{
    const bool before = occupied();
    publish(this, m_working, working, &QuorvaleClient::workingChanged);
    if (occupied() != before)
        emit occupiedChanged();
}

void QuorvaleClient::setChecking(bool checking)
{
    const bool before = occupied();
    m_checking = checking;
    if (occupied() != before)
        emit occupiedChanged();
}

void QuorvaleClient::setMessage(const QString &message)
{
    publish(this, m_message, message, &QuorvaleClient::messageChanged);
}

void QuorvaleClient::setCaptchaData(const std::optional<QByteArray> &data)
{
    publish(this, m_captchaData, data, &QuorvaleClient::captchaDataChanged);
}

void QuorvaleClient::setReady(bool ready)
{
    publish(this, m_ready, ready, &QuorvaleClient::readyChanged);
}

void QuorvaleClient::setWebLoading(bool loading)
{
    publish(this, m_webLoading, loading, &QuorvaleClient::webLoadingChanged);
}

void QuorvaleClient::setSavedAccount(const QString &account)
{
    publish(this, m_savedAccount, account, &QuorvaleClient::savedAccountChanged);
}

void QuorvaleClient::setStorageMessage(const QString &message)
{
    publish(this, m_storageMessage, message, &QuorvaleClient::storageMessageChanged);
}

} // namespace quorvale
