#pragma once

#include "tools/demoplatform/httpmessage.h"

#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace quorvale::demo {

// Scripted departures from the platform's usual answers, kept per request path and used up in the
// order they were scripted.
class Faults
{
public:
    static constexpr int always = -1;

    struct Fault
    {
        enum class Kind
        {
            Answer, // send this answer instead of the usual one
            Drop,   // close the connection without answering
            Hold,   // answer only when the test releases held requests
            Raw,    // write these bytes as they are, then close the connection
            HalfClose, // stop sending on the connection without answering, still reading from it
            Flood,  // write these bytes, then `fill` `repeats` times as the connection drains, then
                    // `tail`, then close the connection; memory stays small however long the answer
        };
        Kind kind = Kind::Answer;
        HttpResponse response{};
        QByteArray bytes{};
        int times = 1;
        QByteArray fill{};
        qint64 repeats = 0;
        QByteArray tail{};
    };

    void answer(const QString &path, const HttpResponse &response, int times = 1);
    void drop(const QString &path, int times = 1);
    void hold(const QString &path, int times = 1);
    void raw(const QString &path, const QByteArray &bytes, int times = 1);
    void halfClose(const QString &path, int times = 1);
    void flood(const QString &path, const QByteArray &head, const QByteArray &fill, qint64 repeats,
               const QByteArray &tail);

    // The fault for the next request to a path, if one is scripted; uses it up once.
    std::optional<Fault> take(const QString &path);

private:
    void add(const QString &path, Fault fault);

    QHash<QString, QList<Fault>> m_faults;
};

} // namespace quorvale::demo
