#include "tools/demoplatform/platformsessions.h"

#include <QRandomGenerator>
#include <QUuid>
#include <algorithm>

namespace quorvale::demo {

void PlatformSessions::addAccount(const Account &account)
{
    m_accounts.insert(account.name, account);
}

Account *PlatformSessions::account(const QString &name)
{
    const auto it = m_accounts.find(name);
    return it == m_accounts.end() ? nullptr : &*it;
}

Session *PlatformSessions::find(const HttpRequest &request)
{
    forgetIdle();
    const QByteArray id = request.cookie(cookieName);
    const auto it = m_sessions.find(id);
    if (id.isEmpty() || it == m_sessions.end())
        return nullptr;
    it->lastSeen = m_clock();
    return &*it;
}

Session &PlatformSessions::open(HttpResponse &response, bool secure)
{
    forgetIdle();
    if (m_sessions.size() >= sessionLimit) {
        const auto oldest =
            std::min_element(m_sessions.begin(), m_sessions.end(),
                             [](const Session &a, const Session &b) { return a.lastSeen < b.lastSeen; });
        m_sessions.erase(oldest);
    }
    const QByteArray id = QUuid::createUuid().toByteArray(QUuid::Id128);
    response.addHeader("Set-Cookie",
                       QByteArray(cookieName) + '=' + id + "; Path=/; HttpOnly" + (secure ? "; Secure" : ""));
    return *m_sessions.insert(id, Session{id, std::nullopt, false, false, {}, m_clock()});
}

void PlatformSessions::forgetIdle()
{
    const QDateTime now = m_clock();
    m_sessions.removeIf(
        [&now](const auto &entry) { return entry.value().lastSeen.secsTo(now) > idleSeconds; });
}

void PlatformSessions::end(const QByteArray &id)
{
    m_sessions.remove(id);
}

void PlatformSessions::close(const QByteArray &id, HttpResponse &response)
{
    end(id);
    response.addHeader("Set-Cookie", QByteArray(cookieName) + "=; Path=/; Max-Age=0");
}

void PlatformSessions::expireAll()
{
    for (Session &session : m_sessions)
        session.expired = true;
}

bool PlatformSessions::captchaDemanded() const
{
    return std::any_of(m_accounts.cbegin(), m_accounts.cend(),
                       [](const Account &account) { return account.captchaRequired; });
}

QString PlatformSessions::issueCaptcha(Session &session)
{
    session.captchaCode =
        QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(10000), 4, 10, QChar(u'0'));
    m_lastCaptchaCode = session.captchaCode;
    return session.captchaCode;
}

} // namespace quorvale::demo
