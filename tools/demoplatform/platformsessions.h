#pragma once

#include "tools/demoplatform/httpmessage.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace quorvale::demo {

// A staff account of the platform.
struct Account
{
    QString name;
    QString password;
    QString displayName;
    QList<qint64> schoolIds;
    // Set by a wrong password: the next sign-in of this account needs a captcha.
    bool captchaRequired = false;
};

// A browser or client session, known by its cookie.
struct Session
{
    QByteArray id;
    std::optional<QString> account;
    bool expired = false;
    bool captchaRequired = false;
    // The code of the captcha last shown to this session; good for one attempt.
    QString captchaCode;
    // When a request last named it, on the platform's clock.
    QDateTime lastSeen;
};

// The accounts of the platform and the sessions signed in with them.
class PlatformSessions
{
public:
    using Clock = std::function<QDateTime()>;

    static constexpr const char *cookieName = "LXSESSION";
    // A session unused this long is forgotten, as is the least recently used one beyond the limit,
    // so that clients that never sign out cannot grow the platform without end.
    static constexpr qint64 idleSeconds = 2 * 60 * 60;
    static constexpr qsizetype sessionLimit = 1000;

    void setClock(Clock clock) { m_clock = std::move(clock); }
    qsizetype count() const { return m_sessions.size(); }

    void addAccount(const Account &account);
    Account *account(const QString &name);

    // The session the request's cookie names, if the platform knows it.
    Session *find(const HttpRequest &request);
    // A new session whose cookie the answer sets.
    Session &open(HttpResponse &response, bool secure);
    // Ends a session.
    void end(const QByteArray &id);
    // Ends a session and tells the client to forget its cookie.
    void close(const QByteArray &id, HttpResponse &response);
    // Every session known now answers as expired from here on.
    void expireAll();

    // Whether some account's next sign-in needs a captcha. A captcha is asked for before the account
    // is named, so it is shown whenever any account will want one.
    bool captchaDemanded() const;
    // A fresh captcha code for a session, remembered as the one most recently shown.
    QString issueCaptcha(Session &session);
    QString lastCaptchaCode() const { return m_lastCaptchaCode; }

private:
    void forgetIdle();

    Clock m_clock = &QDateTime::currentDateTimeUtc;
    QHash<QString, Account> m_accounts;
    QHash<QByteArray, Session> m_sessions;
    QString m_lastCaptchaCode;
};

} // namespace quorvale::demo
