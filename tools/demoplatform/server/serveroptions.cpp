#include "tools/demoplatform/server/serveroptions.h"

namespace quorvale::demo {

std::optional<ServerOptions> parseServerOptions(const QStringList &arguments, const QString &defaultOrigin,
                                                QString *error)
{
    if (arguments.size() > 2) {
        *error = QStringLiteral("usage: quorvale-demo-platform [http://127.0.0.1:PORT]");
        return std::nullopt;
    }
    const QString text = arguments.size() == 2 ? arguments.at(1) : defaultOrigin;
    const QUrl origin(text, QUrl::StrictMode);
    const bool bare =
        origin.path().isEmpty() && !origin.hasQuery() && !origin.hasFragment() && origin.userInfo().isEmpty();
    // The platform listens on 127.0.0.1 only; any other host would never be answered.
    const bool local =
        origin.host() == QLatin1String("127.0.0.1") || origin.host() == QLatin1String("localhost");
    if (!origin.isValid() || origin.scheme() != QLatin1String("http") || !bare || !local) {
        *error = QStringLiteral("not a loopback http origin on 127.0.0.1: %1").arg(text);
        return std::nullopt;
    }
    if (origin.port() <= 0) {
        *error = QStringLiteral("the origin needs a port: %1").arg(text);
        return std::nullopt;
    }
    return ServerOptions{origin, quint16(origin.port())};
}

} // namespace quorvale::demo
