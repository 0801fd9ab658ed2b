#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// The fixed configuration of the school platform this build talks to. The origin is chosen when
// the build is configured (QUORVALE_PLATFORM_ORIGIN) and is never a user setting.
namespace quorvale::platform {

// Scheme, host and optional port; no path, no trailing slash.
QUrl origin();

// The application's identifier, the first part of the saved credentials' service name.
QString bundleIdentifier();

// The platform's parent domain, whose cookies the platform shares: the host without its leftmost
// label. An address or a single-label host has none.
std::optional<QString> registrableDomain(const QString &host);

} // namespace quorvale::platform
