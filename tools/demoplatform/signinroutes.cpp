#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "tools/demoplatform/captchaimage.h"
#include "tools/demoplatform/demoplatform.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>

namespace quorvale::demo {

namespace {

// The platform's refusal codes. The session codes are the ones its clients know.
constexpr qint64 malformedRequest = 1000;
constexpr qint64 wrongCredentials = 1001;
constexpr qint64 captchaMismatch = 1002;
constexpr qint64 clockMismatch = 1003;
constexpr qint64 sessionGone = 999901;
// How far a sign-in timestamp may stray from the platform's clock.
constexpr qint64 timestampTolerance = 300;

const HttpResponse methodNotAllowed{405, {{"Content-Type", "text/plain"}}, "method not allowed"};

QString hex(const QString &text)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex().toUpper());
}

struct SignInForm
{
    QString name;
    QString digest;
    qint64 timestamp = 0;
};

// The body the platform's own sign-in page sends: exactly these five members.
std::optional<SignInForm> readForm(const QByteArray &body)
{
    try {
        const QJsonObject object = json::parseObject(body);
        const QJsonValue weak = object.value(QStringLiteral("isWeekPassword"));
        if (object.size() != 5 || !(weak.isBool() || json::asInteger(weak)) ||
            json::integer(object, QStringLiteral("LanguageType")) != 1)
            return std::nullopt;
        return SignInForm{json::string(object, QStringLiteral("name")),
                          json::string(object, QStringLiteral("password")),
                          json::integer(object, QStringLiteral("timestamp"))};
    } catch (const DecodingError &) {
        return std::nullopt;
    }
}

HttpResponse withSession(DemoPlatform &platform, const HttpRequest &request, Session *&session)
{
    HttpResponse response;
    session = platform.sessions().find(request);
    if (!session)
        session = &platform.sessions().open(response, platform.isSecure());
    return response;
}

HttpResponse merged(HttpResponse cookies, HttpResponse answer)
{
    answer.headers.append(cookies.headers);
    return answer;
}

HttpResponse signIn(DemoPlatform &platform, const HttpRequest &request)
{
    if (request.method != "POST")
        return methodNotAllowed;
    const std::optional<SignInForm> form = readForm(request.body);
    if (!form)
        return refusal(malformedRequest, QStringLiteral("请求格式错误"));
    Session *session = nullptr;
    HttpResponse cookies = withSession(platform, request, session);
    Account *account = platform.sessions().account(form->name);

    if (session->captchaRequired || (account && account->captchaRequired)) {
        const QString expected = std::exchange(session->captchaCode, QString());
        const QString given = request.query.value(QStringLiteral("captcha"));
        session->captchaRequired = true;
        if (given.isEmpty())
            return merged(cookies, refusal(captchaMismatch, QStringLiteral("请输入验证码")));
        if (expected.isEmpty() || given.compare(expected, Qt::CaseInsensitive) != 0)
            return merged(cookies, refusal(captchaMismatch, QStringLiteral("验证码错误")));
    }
    if (qAbs(form->timestamp - platform.now().toSecsSinceEpoch()) > timestampTolerance)
        return merged(cookies,
                      refusal(clockMismatch, QStringLiteral("登录请求时间与服务器相差过大，请校准系统时间")));
    if (!account || form->digest != hex(hex(account->password) + QString::number(form->timestamp))) {
        session->captchaRequired = true;
        if (account)
            account->captchaRequired = true;
        return merged(cookies, refusal(wrongCredentials, QStringLiteral("账号或密码错误")));
    }

    // A fresh session id on every sign-in, so that an id known before cannot ride along.
    platform.sessions().end(session->id);
    HttpResponse response = envelope(true);
    platform.sessions().open(response, platform.isSecure()).account = account->name;
    account->captchaRequired = false;
    return response;
}

HttpResponse currentUser(DemoPlatform &platform, const HttpRequest &request)
{
    if (request.method != "GET")
        return methodNotAllowed;
    const Session *session = platform.sessions().find(request);
    if (session && session->expired)
        return refusal(sessionGone, QStringLiteral("登录已过期，请重新登录"));
    const Account *account =
        session && session->account ? platform.sessions().account(*session->account) : nullptr;
    if (!account) {
        return envelope(QJsonObject{{QStringLiteral("isAuthenticated"), false},
                                    {QStringLiteral("displayName"), QJsonValue::Null},
                                    {QStringLiteral("schoolIds"), QJsonValue::Null}});
    }
    QJsonArray schools;
    for (const qint64 id : account->schoolIds)
        schools.append(id);
    return envelope(QJsonObject{{QStringLiteral("isAuthenticated"), true},
                                {QStringLiteral("displayName"), account->displayName},
                                {QStringLiteral("schoolIds"), schools}});
}

HttpResponse captcha(DemoPlatform &platform, const HttpRequest &request)
{
    if (request.method != "GET")
        return methodNotAllowed;
    Session *session = nullptr;
    HttpResponse cookies = withSession(platform, request, session);
    // Shown whenever the sign-in route will ask for it, so that the first attempt can carry it.
    if (!session->captchaRequired && !platform.sessions().captchaDemanded())
        return merged(cookies, envelope(QString()));
    const QByteArray image = captchaImage(platform.sessions().issueCaptcha(*session));
    return merged(cookies,
                  envelope(QStringLiteral("data:image/png;base64,") + QString::fromLatin1(image.toBase64())));
}

HttpResponse signOut(DemoPlatform &platform, const HttpRequest &request)
{
    if (request.method != "POST")
        return methodNotAllowed;
    HttpResponse response = envelope(QJsonValue::Null);
    if (const Session *session = platform.sessions().find(request))
        platform.sessions().close(session->id, response);
    return response;
}

QString page(const QString &notice)
{
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"zh\"><head><meta charset=\"utf-8\"><title>澜序 登录</title>"
               "</head><body><h1>澜序</h1><p>%1</p><form method=\"post\" action=\"/newsis/login\">"
               "<input name=\"account\" placeholder=\"账号\"><input name=\"password\" type=\"password\" "
               "placeholder=\"密码\"><button type=\"submit\">登录</button></form></body></html>")
        .arg(notice.toHtmlEscaped());
}

// The platform's own sign-in page: a plain form that signs in on the page itself.
HttpResponse signInPage(DemoPlatform &platform, const HttpRequest &request)
{
    if (request.method == "GET")
        return HttpResponse::html(page(QStringLiteral("请登录")));
    if (request.method != "POST")
        return methodNotAllowed;
    const QMap<QString, QString> fields = decodeForm(request.body);
    const Account *account = platform.sessions().account(fields.value(QStringLiteral("account")));
    if (!account || account->password != fields.value(QStringLiteral("password")))
        return HttpResponse::html(page(QStringLiteral("账号或密码错误")));
    HttpResponse response = HttpResponse::html(page(QStringLiteral("登录成功")));
    platform.sessions().open(response, platform.isSecure()).account = account->name;
    return response;
}

} // namespace

void DemoPlatform::installSignInRoutes()
{
    route(QStringLiteral("/api/MemberShip/Login"), [this](const HttpRequest &r) { return signIn(*this, r); });
    route(QStringLiteral("/api/MemberShip/GetCurrentUser"),
          [this](const HttpRequest &r) { return currentUser(*this, r); });
    route(QStringLiteral("/api/MemberShip/GetTeacherCaptchaForLogin"),
          [this](const HttpRequest &r) { return captcha(*this, r); });
    route(QStringLiteral("/api/MemberShip/LogOut"),
          [this](const HttpRequest &r) { return signOut(*this, r); });
    route(QStringLiteral("/newsis/login"), [this](const HttpRequest &r) { return signInPage(*this, r); });
}

} // namespace quorvale::demo
