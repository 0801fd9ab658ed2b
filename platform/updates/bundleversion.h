#pragma once

#include <QString>
#include <optional>

// Build versions such as "1.2.10": dot-separated decimal numbers, compared number by number, a
// missing number counting as 0 ("1.2" equals "1.2.0").
namespace quorvale::updates {

// Negative, zero or positive as `a` is older than, equal to or newer than `b`; nothing when either
// is not a version.
std::optional<int> compareVersions(const QString &a, const QString &b);

} // namespace quorvale::updates
