// Records a visit to the demo platform's student-list page as an HTTP Archive 1.2 file, the layout
// browsers' developer tools export: the sign-in page, the sign-in, the current user, the first and
// the last page of the student list and a missing icon. The requests go over loopback to a demo
// platform serving the sample school of a fixed day; headers, cookies, timings and bodies are the
// ones exchanged. Usage: quorvale-har-recorder <output.har>

#include "tests/har/recording.h"
#include "tools/demoplatform/demoplatform.h"
#include "tools/demoplatform/studentlistroute.h"
#include "tools/demoplatform/timetableroutes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QTextStream>
#include <QUrlQuery>
#include <cmath>

using namespace quorvale;
using namespace Qt::StringLiterals;

namespace {

enum class Encoding
{
    Plain,
    Base64
};

const QString pageId = u"page_1"_s;

double milliseconds(qint64 nanoseconds)
{
    return std::round(double(nanoseconds) / 1000.0) / 1000.0;
}

QString text(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes);
}

QJsonObject pair(const QString &name, const QString &value)
{
    return {{u"name"_s, name}, {u"value"_s, value}};
}

QJsonArray headerList(const demo::HeaderList &headers)
{
    QJsonArray list;
    for (const auto &[name, value] : headers)
        list.append(pair(text(name), text(value)));
    return list;
}

// "name: value" lines, the blank line and the first line.
qint64 headerBytes(const QByteArray &firstLine, const demo::HeaderList &headers)
{
    qint64 size = firstLine.size() + 4;
    for (const auto &[name, value] : headers)
        size += name.size() + value.size() + 4;
    return size;
}

QJsonObject cookie(const QNetworkCookie &cookie)
{
    QJsonObject object{{u"name"_s, text(cookie.name())},
                       {u"value"_s, text(cookie.value())},
                       {u"path"_s, cookie.path()},
                       {u"httpOnly"_s, cookie.isHttpOnly()},
                       {u"secure"_s, cookie.isSecure()}};
    if (!cookie.domain().isEmpty())
        object.insert(u"domain"_s, cookie.domain());
    if (cookie.expirationDate().isValid())
        object.insert(u"expires"_s, cookie.expirationDate().toUTC().toString(Qt::ISODateWithMs));
    return object;
}

// The cookies a request carried in its "Cookie" field.
QJsonArray sentCookies(const demo::HttpRequest &request)
{
    QJsonArray list;
    for (const QByteArray &part : request.header("Cookie").split(';')) {
        const QByteArray trimmed = part.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (equals > 0)
            list.append(pair(text(trimmed.left(equals)), text(trimmed.mid(equals + 1))));
    }
    return list;
}

class Recorder
{
public:
    explicit Recorder(demo::DemoPlatform &platform)
        : m_platform(platform)
    {}

    void get(const QString &target, Encoding encoding = Encoding::Plain)
    {
        exchange("GET", target, {}, {}, encoding);
    }

    void postForm(const QString &target, const QUrlQuery &form)
    {
        exchange("POST", target, form.toString(QUrl::FullyEncoded).toUtf8(),
                 "application/x-www-form-urlencoded", Encoding::Plain);
    }

    QJsonObject har(const QDateTime &pageStarted, double contentLoaded, double loaded) const
    {
        const QJsonObject page{
            {u"startedDateTime"_s, pageStarted.toString(Qt::ISODateWithMs)},
            {u"id"_s, pageId},
            {u"title"_s, u"学生名单"_s},
            {u"pageTimings"_s, QJsonObject{{u"onContentLoad"_s, contentLoaded}, {u"onLoad"_s, loaded}}}};
        const QJsonObject log{
            {u"version"_s, u"1.2"_s},
            {u"creator"_s, QJsonObject{{u"name"_s, u"quorvale-har-recorder"_s}, {u"version"_s, u"1.0"_s}}},
            {u"pages"_s, QJsonArray{page}},
            {u"entries"_s, m_entries}};
        return {{u"log"_s, log}};
    }

private:
    void exchange(const QByteArray &method, const QString &target, const QByteArray &body,
                  const QByteArray &bodyType, Encoding encoding)
    {
        QNetworkRequest request(m_platform.origin().resolved(QUrl(target)));
        request.setRawHeader("Accept",
                             bodyType.isEmpty() ? "application/json, text/plain, */*" : "text/html");
        request.setRawHeader("Accept-Language", "zh-CN,zh;q=0.9");
        request.setRawHeader("Referer", m_platform.origin().toEncoded() + "/newsis/login");
        request.setRawHeader("User-Agent", "quorvale-har-recorder/1.0");
        if (!bodyType.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, bodyType);

        const QDateTime started = m_platform.now();
        QElapsedTimer clock;
        clock.start();
        QNetworkReply *reply =
            method == "GET" ? m_network.get(request) : m_network.sendCustomRequest(request, method, body);
        qint64 headersAt = 0;
        QObject::connect(reply, &QNetworkReply::metaDataChanged, reply,
                         [&headersAt, &clock] { headersAt = clock.nsecsElapsed(); });
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const qint64 finishedAt = clock.nsecsElapsed();
        const QByteArray received = reply->readAll();
        reply->deleteLater();

        const demo::HttpRequest sent = m_platform.requests().constLast();
        const double wait = milliseconds(headersAt);
        const double receive = milliseconds(finishedAt - headersAt);
        m_entries.append(QJsonObject{{u"pageref"_s, pageId},
                                     {u"startedDateTime"_s, started.toString(Qt::ISODateWithMs)},
                                     {u"time"_s, wait + receive},
                                     {u"request"_s, requestRecord(sent, request.url())},
                                     {u"response"_s, responseRecord(*reply, received, encoding)},
                                     {u"cache"_s, QJsonObject()},
                                     {u"timings"_s, QJsonObject{{u"blocked"_s, -1},
                                                                {u"dns"_s, -1},
                                                                {u"connect"_s, -1},
                                                                {u"ssl"_s, -1},
                                                                {u"send"_s, 0},
                                                                {u"wait"_s, wait},
                                                                {u"receive"_s, receive}}},
                                     {u"serverIPAddress"_s, m_platform.origin().host()}});
    }

    static QJsonObject requestRecord(const demo::HttpRequest &sent, const QUrl &url)
    {
        QJsonArray query;
        for (const auto &[name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded))
            query.append(pair(name, value));
        QJsonObject record{
            {u"method"_s, text(sent.method)},
            {u"url"_s, text(url.toEncoded())},
            {u"httpVersion"_s, u"HTTP/1.1"_s},
            {u"cookies"_s, sentCookies(sent)},
            {u"headers"_s, headerList(sent.headers)},
            {u"queryString"_s, query},
            {u"headersSize"_s, headerBytes(sent.method + ' ' + sent.target + " HTTP/1.1", sent.headers)},
            {u"bodySize"_s, sent.body.size()}};
        if (!sent.body.isEmpty()) {
            QJsonArray params;
            for (const auto &[name, value] : QUrlQuery(text(sent.body)).queryItems(QUrl::FullyDecoded))
                params.append(pair(name, value));
            record.insert(u"postData"_s, QJsonObject{{u"mimeType"_s, text(sent.header("Content-Type"))},
                                                     {u"params"_s, params},
                                                     {u"text"_s, text(sent.body)}});
        }
        return record;
    }

    static QJsonObject responseRecord(const QNetworkReply &reply, const QByteArray &body, Encoding encoding)
    {
        demo::HeaderList headers;
        QJsonArray cookies;
        for (const auto &[name, value] : reply.rawHeaderPairs()) {
            // Qt joins repeated "Set-Cookie" fields with line breaks; the archive lists each.
            for (const QByteArray &line : value.split('\n'))
                headers.append({name, line});
            if (name.compare("Set-Cookie", Qt::CaseInsensitive) == 0) {
                for (const QNetworkCookie &c : QNetworkCookie::parseCookies(value))
                    cookies.append(cookie(c));
            }
        }
        const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QString reason =
            text(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
        const QByteArray mimeType = reply.rawHeader("Content-Type");
        QJsonObject content{{u"size"_s, body.size()}, {u"mimeType"_s, text(mimeType)}};
        if (encoding == Encoding::Base64) {
            content.insert(u"text"_s, QString::fromLatin1(body.toBase64()));
            content.insert(u"encoding"_s, u"base64"_s);
        } else {
            content.insert(u"text"_s, text(body));
        }
        return {{u"status"_s, status},
                {u"statusText"_s, reason},
                {u"httpVersion"_s, u"HTTP/1.1"_s},
                {u"cookies"_s, cookies},
                {u"headers"_s, headerList(headers)},
                {u"content"_s, content},
                {u"redirectURL"_s, QString()},
                {u"headersSize"_s,
                 headerBytes("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason.toUtf8(), headers)},
                {u"bodySize"_s, body.size()}};
    }

    demo::DemoPlatform &m_platform;
    QNetworkAccessManager m_network;
    QJsonArray m_entries;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QTextStream err(stderr);
    if (application.arguments().size() != 2) {
        err << "usage: quorvale-har-recorder <output.har>" << Qt::endl;
        return 2;
    }

    demo::DemoPlatform platform;
    QElapsedTimer elapsed;
    elapsed.start();
    platform.setClock([elapsed] { return recording::startedAt().addMSecs(elapsed.elapsed()); });
    if (!platform.listen()) {
        err << "cannot listen on loopback" << Qt::endl;
        return 1;
    }
    const auto answers = demo::serveSampleSchool(platform);
    const demo::DemoAccount &account = answers->data().account;
    const QString list = QString::fromLatin1(demo::studentListPath) + u"?pageIndex=%1&pageSize=%2"_s;

    Recorder recorder(platform);
    const QDateTime pageStarted = platform.now();
    const qint64 pageStart = elapsed.nsecsElapsed();
    recorder.get(u"/newsis/login"_s);
    recorder.postForm(u"/newsis/login"_s,
                      QUrlQuery{{u"account"_s, account.name}, {u"password"_s, account.password}});
    const double contentLoaded = milliseconds(elapsed.nsecsElapsed() - pageStart);
    recorder.get(u"/api/MemberShip/GetCurrentUser"_s);
    recorder.get(list.arg(1).arg(recording::pageSize));
    recorder.get(u"/favicon.ico"_s);
    // The later page is kept Base64-encoded, as browsers keep a body they hold in raw form, so the
    // archive has both forms of the same answer.
    recorder.get(list.arg(recording::lastPage(answers->data().students.size())).arg(recording::pageSize),
                 Encoding::Base64);
    const double loaded = milliseconds(elapsed.nsecsElapsed() - pageStart);

    QFile file(application.arguments().at(1));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(QJsonDocument(recorder.har(pageStarted, contentLoaded, loaded)).toJson()) < 0) {
        err << "cannot write " << file.fileName() << Qt::endl;
        return 1;
    }
    return 0;
}
