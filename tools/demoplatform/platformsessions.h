#pragma once

#include "tools/demoplatform/httpmessage.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
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
};

// The accounts of the platform and the sessions signed in with them.
class PlatformSessions
{
public:
    static constexpr const char *cookieName = "LXSESSION";

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

    // A fresh captcha code for a session, remembered as the one most recently shown.
    QString issueCaptcha(Session &session);
    QString lastCaptchaCode() const { return m_lastCaptchaCode; }

private:
    QHash<QString, Account> m_accounts;
    QHash<QByteArray, Session> m_sessions;
    QString m_lastCaptchaCode;
};

} // namespace quorvale::demo
