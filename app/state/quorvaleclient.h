#pragma once

#include "app/state/platformwebview.h"
#include "app/state/sessionphase.h"
#include "core/client/cancellationerror.h"
#include "core/client/credentialstore.h"
#include "core/client/quorvaleapi.h"
#include "core/client/sessioncoordinator.h"
#include "core/client/sessionuser.h"
#include "core/client/settled.h"
#include "core/model/student.h"
#include "core/model/teacher.h"
#include "core/model/teacherschedule.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QString>
#include <exception>
#include <memory>
#include <optional>

class QTimer;

namespace quorvale {

// The application's sign-in state and its guarded gateway to the platform: start-up, the minute
// session check, form sign-in, captcha, sign-out, and the call wrapper every data request passes
// through. Its operations never throw towards the screens; failures end as texts in its fields.
class QuorvaleClient : public QObject
{
    Q_OBJECT
    Q_PROPERTY(quorvale::SessionPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(std::optional<quorvale::SessionUser> user READ user NOTIFY userChanged)
    Q_PROPERTY(bool working READ working NOTIFY workingChanged)
    Q_PROPERTY(QString message READ message NOTIFY messageChanged)
    Q_PROPERTY(std::optional<QByteArray> captchaData READ captchaData NOTIFY captchaDataChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    Q_PROPERTY(bool webLoading READ webLoading NOTIFY webLoadingChanged)
    Q_PROPERTY(
        bool rememberAccount READ rememberAccount WRITE setRememberAccount NOTIFY rememberAccountChanged)
    Q_PROPERTY(QString savedAccount READ savedAccount NOTIFY savedAccountChanged)
    Q_PROPERTY(QString storageMessage READ storageMessage NOTIFY storageMessageChanged)

public:
    // The settings key of the automatic sign-in flag.
    static constexpr QLatin1StringView preference{"quorvale.automaticLoginEnabled"};

    // The platform of this build and the desktop keychain. Takes the web view and the settings.
    QuorvaleClient(PlatformWebView *web, std::unique_ptr<QSettings> settings, QObject *parent = nullptr);
    // Another platform client and credential store, as tests use. Takes the client, the web view and
    // the settings.
    QuorvaleClient(QuorvaleAPI *api, std::shared_ptr<CredentialStore> store, PlatformWebView *web,
                   std::unique_ptr<QSettings> settings, QObject *parent = nullptr);

    SessionPhase phase() const { return m_phase; }
    std::optional<SessionUser> user() const { return m_user; }
    // A sign-in operation runs; the other sign-in operations return at once while it is set.
    bool working() const { return m_working; }
    // Working, or checking the session quietly: nothing else may start meanwhile, an update included.
    bool occupied() const { return m_working || m_checking; }
    // The last sign-in message for the sign-in card; empty when there is none.
    QString message() const { return m_message; }
    // The captcha image the platform demands; none when it demands none.
    std::optional<QByteArray> captchaData() const { return m_captchaData; }
    // The platform was reached and the captcha state is known, so the form may be sent.
    bool ready() const { return m_ready; }
    bool webLoading() const { return m_webLoading; }
    bool rememberAccount() const { return m_rememberAccount; }
    void setRememberAccount(bool remember);
    // The remembered account's name, for the sign-in form; empty when none.
    QString savedAccount() const { return m_savedAccount; }
    // A note about the credential store; empty when there is none.
    QString storageMessage() const { return m_storageMessage; }
    // Signed in with a user the platform accepts.
    bool authenticated() const;

    SessionCoordinator *sessions() const { return m_sessions; }
    // The embedded web view of the web sign-in; it lives as long as the client.
    PlatformWebView *web() const { return m_web; }

    // Once: starts the session check, then restores the remembered session or prepares sign-in.
    QCoro::Task<> start();
    // Checks that the platform still accepts the session and refreshes the user.
    QCoro::Task<> verify();
    // The sign-in form; the texts go to the platform as typed. The password is wiped when the sign-in
    // ends, in every copy that shares its buffer.
    QCoro::Task<> login(QString account, QString password, QString captcha, bool remember);
    QCoro::Task<> refreshCaptcha();
    // Takes over a session the platform already accepts, or readies the sign-in form.
    QCoro::Task<> prepare();
    QCoro::Task<> logout(bool forget);
    // Copies the platform client's cookies into the web view, then loads the platform's sign-in page.
    QCoro::Task<> openLogin();
    // Takes over the session signed in on the web page.
    QCoro::Task<> verifyWebLogin();

    // The platform's data calls, each run through the guarded call with its arguments unchanged.
    QCoro::Task<QList<Student>> search(QString query, qint64 schoolId, QDateTime date);
    QCoro::Task<LiveTimetableResult> lookupTimetable(Student student, QDateTime date,
                                                     std::optional<qint64> taskId);
    QCoro::Task<TeacherDirectory> searchTeachers(QString key, qint64 schoolId, QDateTime date, bool byCourse,
                                                 std::optional<qint64> courseId,
                                                 std::optional<qint64> taskId);
    QCoro::Task<TeacherSchedule> lookupTeacherTimetable(Teacher teacher, qint64 schoolId, QDateTime date,
                                                        qint64 taskId);

signals:
    void phaseChanged();
    void userChanged();
    void workingChanged();
    void occupiedChanged();
    void messageChanged();
    void captchaDataChanged();
    void readyChanged();
    void webLoadingChanged();
    void rememberAccountChanged();
    void savedAccountChanged();
    void storageMessageChanged();

protected:
    // Runs a platform operation through the coordinator's guarded run and mirrors a recovery in the
    // published state. A value that arrives after a sign-in or sign-out began becomes
    // CancellationError; errors reach the caller unchanged.
    template <typename T> QCoro::Task<T> authorized(SessionCoordinator::Operation<T> operation);

private:
    // What one guarded call's recovery callback did.
    struct RecoveryRecord
    {
        bool entered = false;
    };

    QCoro::Task<> loadCaptcha();
    // loadCaptcha(), with a failure leaving the form not ready.
    QCoro::Task<Settled<void>> reloadCaptcha();
    // Back to the sign-in screen after an automatic sign-in or a guarded call failed for good.
    QCoro::Task<> returnToLogin(std::exception_ptr error);
    SessionCoordinator::Recovery recoveryCallback(qint64 token, std::shared_ptr<RecoveryRecord> recovery);
    static QCoro::Task<> enterRecovery(QPointer<QuorvaleClient> self, qint64 token,
                                       std::shared_ptr<RecoveryRecord> recovery);
    // The published state after a guarded call; the error is none when it returned a value.
    QCoro::Task<> settle(std::exception_ptr error, qint64 token, std::shared_ptr<RecoveryRecord> recovery);
    static QCoro::Task<> runCheck(QPointer<QuorvaleClient> self);
    // verify(), told through the working flag or not.
    QCoro::Task<> check(bool announced);
    void storePreference(bool enabled);

    void setPhase(SessionPhase phase);
    void setUser(const std::optional<SessionUser> &user);
    void setWorking(bool working);
    void setChecking(bool checking);
    void setMessage(const QString &message);
    void setCaptchaData(const std::optional<QByteArray> &data);
    void setReady(bool ready);
    void setWebLoading(bool loading);
    void setSavedAccount(const QString &account);
    void setStorageMessage(const QString &message);

    SessionPhase m_phase = SessionPhase::Starting;
    std::optional<SessionUser> m_user;
    bool m_working = false;
    bool m_checking = false;
    QString m_message;
    std::optional<QByteArray> m_captchaData;
    bool m_ready = false;
    bool m_webLoading = false;
    bool m_rememberAccount = true;
    QString m_savedAccount;
    QString m_storageMessage;

    QuorvaleAPI *m_api;
    PlatformWebView *m_web;
    std::unique_ptr<QSettings> m_settings;
    SessionCoordinator *m_sessions;
    bool m_started = false;
    // Advanced by form sign-in and sign-out; older operations that find it moved write nothing.
    qint64 m_revision = 0;
    // The next session check; restarted when a check ends, so checks never overlap.
    QTimer *m_monitor;
};

template <typename T> QCoro::Task<T> QuorvaleClient::authorized(SessionCoordinator::Operation<T> operation)
{
    const QPointer<QuorvaleClient> self(this);
    const qint64 token = m_revision;
    const auto recovery = std::make_shared<RecoveryRecord>();
    const SessionCoordinator::Recovery onRecovery = recoveryCallback(token, recovery);
    Settled<T> end = co_await settled(m_sessions->perform<T>(onRecovery, std::move(operation)));
    if (!self)
        std::rethrow_exception(end.error ? end.error : std::make_exception_ptr(CancellationError()));
    if (end.value && m_revision != token)
        end.error = std::make_exception_ptr(CancellationError());
    co_await settle(end.error, token, recovery);
    if (end.error)
        std::rethrow_exception(end.error);
    co_return std::move(*end.value);
}

} // namespace quorvale
