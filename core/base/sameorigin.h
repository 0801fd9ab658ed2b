#pragma once

#include <QUrl>

namespace quorvale {

// Whether two addresses share scheme, host and port (the scheme's default when none is written).
bool sameOrigin(const QUrl &a, const QUrl &b);

} // namespace quorvale
