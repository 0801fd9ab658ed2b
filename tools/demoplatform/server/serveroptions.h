#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <optional>

// The command line of the demo platform program: the origin it serves, which must be plain http on
// 127.0.0.1 (the address the platform listens on) with an explicit port, and the failures it can
// stage so that a person can try the application's failure states.
namespace quorvale::demo {

// Requests to a path whose connections are closed without an answer.
struct DroppedPath
{
    QString path;
    // -1: every request.
    int times = -1;
};

struct ServerOptions
{
    QUrl origin;
    quint16 port = 0;
    bool help = false;
    int delayMs = 0;
    QList<DroppedPath> drops;
    // Every session expires this many seconds after the previous expiry.
    std::optional<int> expireEverySeconds;
    // The demo account's sign-in asks for a captcha.
    bool captcha = false;
};

// The options of `quorvale-demo-platform [options] [ORIGIN]`; none, with the reason in `error`,
// when the arguments cannot be served. Without an origin the default one is taken.
std::optional<ServerOptions> parseServerOptions(const QStringList &arguments, const QString &defaultOrigin,
                                                QString *error);

// What --help prints.
QString serverUsage();

} // namespace quorvale::demo
