#pragma once

#include <QByteArray>

// Ed25519 signatures of feeds and updates (RFC 8032), through libsodium.
namespace quorvale::updates {

inline constexpr qsizetype publicKeySize = 32;
inline constexpr qsizetype secretKeySize = 64;
inline constexpr qsizetype signatureSize = 64;

struct KeyPair
{
    QByteArray publicKey;
    // The 32-byte seed followed by the public key.
    QByteArray secretKey;
};

// False for a key or signature of the wrong size as well as for a signature that does not match.
bool verifyEd25519(const QByteArray &message, const QByteArray &signature, const QByteArray &publicKey);
QByteArray signEd25519(const QByteArray &message, const QByteArray &secretKey);
KeyPair generateKeyPair();

} // namespace quorvale::updates
