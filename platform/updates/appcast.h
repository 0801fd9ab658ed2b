#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

// The RSS appcast: one item per published version, each with its signed update archive as its
// enclosure.
namespace quorvale::updates {

struct AppcastItem
{
    // The build version compared against the running one.
    QString version;
    // The version shown to the person; the build version when the item has none.
    QString displayVersion;
    QUrl url;
    qint64 length = 0;
    // Base64 of the enclosure's Ed25519 signature.
    QString edSignature;

    bool operator==(const AppcastItem &) const = default;
};

// The complete items of an RSS document; an item lacking a version, an enclosure with a host, a
// positive length or a signature is left out. An enclosure that is not https is kept, so that the
// updater can refuse it aloud. Nothing when the document is not well-formed XML.
std::optional<QList<AppcastItem>> parseAppcast(const QByteArray &xml);

// An RSS appcast of the items, the form parseAppcast reads; texts are escaped.
QByteArray writeAppcast(const QList<AppcastItem> &items);

// The newest item strictly newer than the running version; never an older or equal one.
std::optional<AppcastItem> newestUpdate(const QList<AppcastItem> &items, const QString &runningVersion);

} // namespace quorvale::updates
