#pragma once

#include <QStringList>
#include <QUrl>
#include <optional>

// The command line of the demo platform program: the origin it serves, which must be plain http on
// 127.0.0.1 (the address the platform listens on) with an explicit port.
namespace quorvale::demo {

struct ServerOptions
{
    QUrl origin;
    quint16 port = 0;
};

// The options of `quorvale-demo-platform [ORIGIN]`; none, with the reason in `error`, when the
// arguments cannot be served. Without an origin the default one is taken.
std::optional<ServerOptions> parseServerOptions(const QStringList &arguments, const QString &defaultOrigin,
                                                QString *error);

} // namespace quorvale::demo
