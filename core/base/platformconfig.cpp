#include "core/base/platformconfig.h"

#include <QHostAddress>

namespace quorvale::platform {

QUrl origin()
{
    return QUrl(QStringLiteral(QUORVALE_PLATFORM_ORIGIN));
}

QString bundleIdentifier()
{
    return QStringLiteral("com.quorvale.QuorvaleDemo");
}

std::optional<QString> registrableDomain(const QString &host)
{
    const qsizetype dot = host.indexOf(u'.');
    if (dot < 0 || QHostAddress(host).protocol() != QAbstractSocket::UnknownNetworkLayerProtocol)
        return std::nullopt;
    const QString parent = host.mid(dot + 1);
    return parent.isEmpty() ? std::nullopt : std::optional(parent);
}

} // namespace quorvale::platform
