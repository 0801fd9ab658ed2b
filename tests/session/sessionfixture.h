#pragma once

#include "core/client/quorvaleapi.h"
#include "core/client/quorvaleapierror.h"
#include "tests/session/memorycredentialstore.h"
#include "tools/demoplatform/captchaimage.h"
#include "tools/demoplatform/demoplatform.h"

#include <QCoroSignal>
#include <QJsonObject>
#include <memory>

namespace quorvale::testing {

// A platform client that counts the sign-in calls it begins, so a test can tell that a step did not
// happen.
class CountingAPI : public QuorvaleAPI
{
    Q_OBJECT

public:
    using QuorvaleAPI::QuorvaleAPI;

    int captchasStarted = 0;
    int loginsStarted = 0;

    QCoro::Task<std::optional<QByteArray>> captcha() override;
    QCoro::Task<SessionUser> login(QString account, QString password, QString captcha) override;
};

// A simulated platform on loopback with one staff account, a data endpoint that needs a live
// session, and a credential store in memory.
class SessionFixture
{
public:
    static inline const QString account = QStringLiteral("teacher");
    static inline const QString password = QStringLiteral("secret");
    static inline const QString captchaPath = QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin");
    static inline const QString loginPath = QStringLiteral("/api/MemberShip/Login");
    static inline const QString probePath = QStringLiteral("/api/Test/Probe");

    SessionFixture();

    // A new platform client for this platform; the caller owns it.
    CountingAPI *newAPI() const;
    int count(const QString &path) const { return int(platform.requestsTo(path).size()); }
    // The captcha demand the platform answers with once: the image it sends and its envelope.
    QByteArray demandCaptcha();
    // A session the platform no longer accepts, for every client signed in now.
    void expireSessions() { platform.sessions().expireAll(); }

    demo::DemoPlatform platform;
    std::shared_ptr<MemoryCredentialStore> store = std::make_shared<MemoryCredentialStore>();
};

// The probe's answer: the tag it was sent with. Fails as the platform client fails.
QCoro::Task<QString> probe(QuorvaleAPI *api, QString tag);

// An operation the test lets finish: waits until the gate opens, then runs the next step.
class Gate : public QObject
{
    Q_OBJECT

public:
    void open() { emit opened(); }

signals:
    void opened();
};

QCoro::Task<QString> afterGate(std::shared_ptr<Gate> gate, QString value);
QCoro::Task<QString> failAfterGate(std::shared_ptr<Gate> gate, QuorvaleAPIError error);

} // namespace quorvale::testing
