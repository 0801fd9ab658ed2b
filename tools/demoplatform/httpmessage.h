#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

namespace quorvale::demo {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One HTTP/1.1 request as it reached the platform.
struct HttpRequest
{
    QByteArray method;
    // The request target exactly as sent: path and query.
    QByteArray target;
    // The decoded path and query; the query decodes "+" as a space, as form decoders on servers do.
    QString path;
    QMap<QString, QString> query;
    HeaderList headers;
    QByteArray body;
    // Answers the platform had sent, since its log was last emptied, when this request arrived.
    qsizetype answersBefore = 0;

    // The first field of that name, ignoring case; empty when absent.
    QByteArray header(const QByteArray &name) const;
    bool hasHeader(const QByteArray &name) const;
    // The value of a cookie the request carries; empty when absent.
    QByteArray cookie(const QByteArray &name) const;
};

// One HTTP/1.1 answer of the platform.
struct HttpResponse
{
    int status = 200;
    HeaderList headers;
    QByteArray body;

    // Replaces every field of that name.
    void setHeader(const QByteArray &name, const QByteArray &value);
    // Adds a field, keeping others of the same name (Set-Cookie).
    void addHeader(const QByteArray &name, const QByteArray &value);
    bool hasHeader(const QByteArray &name) const;
    // Status line, fields and body; "Content-Length" is added.
    QByteArray serialize() const;

    static HttpResponse json(const QJsonObject &object, int status = 200);
    static HttpResponse html(const QString &page, int status = 200);
    static HttpResponse redirect(const QByteArray &location, int status = 302);
};

// Decodes "a=1&b=2" into its items: "+" is a space, then percent-decoding.
QMap<QString, QString> decodeForm(const QByteArray &text);

// Cuts requests off a connection's byte stream, one at a time.
class RequestParser
{
public:
    enum class Result
    {
        Incomplete,
        Complete,
        Malformed
    };

    // Takes one whole request off the front of the buffer when it holds one.
    static Result take(QByteArray &buffer, HttpRequest &request);
};

} // namespace quorvale::demo
