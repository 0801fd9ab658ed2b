#include "tools/demoplatform/httpmessage.h"

#include "core/base/text.h"

#include <QJsonDocument>
#include <QUrl>
#include <algorithm>

namespace quorvale::demo {

namespace {

constexpr qsizetype headerLimit = 64 * 1024;
constexpr qint64 bodyLimit = 8 * 1024 * 1024;

QByteArray findHeader(const HeaderList &headers, const QByteArray &name)
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool containsHeader(const HeaderList &headers, const QByteArray &name)
{
    return std::any_of(headers.cbegin(), headers.cend(), [&name](const auto &field) {
        return field.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    default:
        return status >= 500 ? "Server Error" : "Status";
    }
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    return findHeader(headers, name);
}

bool HttpRequest::hasHeader(const QByteArray &name) const
{
    return containsHeader(headers, name);
}

QByteArray HttpRequest::cookie(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray &pair : value.split(';')) {
            const QByteArray trimmed = pair.trimmed();
            const qsizetype equals = trimmed.indexOf('=');
            if (equals > 0 && trimmed.left(equals) == name)
                return trimmed.mid(equals + 1);
        }
    }
    return {};
}

void HttpResponse::setHeader(const QByteArray &name, const QByteArray &value)
{
    headers.removeIf(
        [&name](const auto &field) { return field.first.compare(name, Qt::CaseInsensitive) == 0; });
    headers.append({name, value});
}

void HttpResponse::addHeader(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
}

bool HttpResponse::hasHeader(const QByteArray &name) const
{
    return containsHeader(headers, name);
}

QByteArray HttpResponse::serialize() const
{
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto &[key, value] : headers) {
        if (key.compare("Content-Length", Qt::CaseInsensitive) != 0)
            out += key + ": " + value + "\r\n";
    }
    out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
    return out + body;
}

HttpResponse HttpResponse::json(const QJsonObject &object, int status)
{
    HttpResponse response{status,
                          {{"Content-Type", "application/json; charset=utf-8"}},
                          QJsonDocument(object).toJson(QJsonDocument::Compact)};
    return response;
}

HttpResponse HttpResponse::html(const QString &page, int status)
{
    return {status, {{"Content-Type", "text/html; charset=utf-8"}}, page.toUtf8()};
}

HttpResponse HttpResponse::redirect(const QByteArray &location, int status)
{
    return {status, {{"Location", location}}, {}};
}

QMap<QString, QString> decodeForm(const QByteArray &text)
{
    QMap<QString, QString> items;
    for (QByteArray pair : text.split('&')) {
        if (pair.isEmpty())
            continue;
        pair.replace('+', ' ');
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        items.insert(QUrl::fromPercentEncoding(key), QUrl::fromPercentEncoding(value));
    }
    return items;
}

RequestParser::Result RequestParser::take(QByteArray &buffer, HttpRequest &request)
{
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return buffer.size() > headerLimit ? Result::Malformed : Result::Incomplete;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> start = lines.first().trimmed().split(' ');
    if (start.size() != 3 || !start[2].startsWith("HTTP/1.") || !start[1].startsWith('/'))
        return Result::Malformed;

    HttpRequest parsed;
    parsed.method = start[0];
    parsed.target = start[1];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Result::Malformed;
        parsed.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    if (parsed.hasHeader("Transfer-Encoding"))
        return Result::Malformed;

    qint64 length = 0;
    if (parsed.hasHeader("Content-Length")) {
        const auto declared = text::parseInteger(QString::fromLatin1(parsed.header("Content-Length")));
        if (!declared || *declared < 0 || *declared > bodyLimit)
            return Result::Malformed;
        length = *declared;
    }
    const qsizetype bodyStart = end + 4;
    if (buffer.size() - bodyStart < length)
        return Result::Incomplete;

    parsed.body = buffer.mid(bodyStart, length);
    const qsizetype question = parsed.target.indexOf('?');
    parsed.path = QUrl::fromPercentEncoding(question < 0 ? parsed.target : parsed.target.left(question));
    if (question >= 0)
        parsed.query = decodeForm(parsed.target.mid(question + 1));
    buffer.remove(0, bodyStart + length);
    request = parsed;
    return Result::Complete;
}

} // namespace quorvale::demo
