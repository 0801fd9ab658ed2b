#pragma once

#include <QByteArray>
#include <optional>

// A signed feed carries its own signature in a trailing comment:
//   <!-- sparkle-signatures:\nedSignature: BASE64\nlength: N\n-->\n
// whose Ed25519 signature covers the N bytes in front of it, which are the whole feed.
namespace quorvale::updates {

// The signed bytes when the comment is well formed, N is exactly the length in front of it and the
// signature matches the 32-byte public key; nothing otherwise.
std::optional<QByteArray> verifiedFeed(const QByteArray &feed, const QByteArray &publicKey);

// The feed followed by its signature comment.
QByteArray signedFeed(const QByteArray &feed, const QByteArray &secretKey);

} // namespace quorvale::updates
