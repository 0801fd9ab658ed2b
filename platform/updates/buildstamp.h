#pragma once

#include <QByteArray>
#include <QStringList>

// The version a file was built for, kept in the built file as plain text ("quorvale-build-version:"
// and the version, ending in a zero byte), so that the publishing tool can read it without running
// the file and the web module can say which program it belongs to.
#define QUORVALE_BUILD_STAMP_PREFIX "quorvale-build-version:"

namespace quorvale::updates {

// The version in a stamp made of QUORVALE_BUILD_STAMP_PREFIX and the version.
constexpr const char *versionOfStamp(const char *stamp)
{
    return stamp + sizeof(QUORVALE_BUILD_STAMP_PREFIX) - 1;
}

// Every distinct version stamped in a built file, in the order they first occur.
QStringList stampedVersions(const QByteArray &file);

} // namespace quorvale::updates
