#include "platform/updates/ed25519.h"

#include <sodium.h>
#include <stdexcept>

namespace quorvale::updates {

namespace {

const unsigned char *bytes(const QByteArray &data)
{
    return reinterpret_cast<const unsigned char *>(data.constData());
}

unsigned char *bytes(QByteArray &data)
{
    return reinterpret_cast<unsigned char *>(data.data());
}

void initialise()
{
    if (sodium_init() < 0)
        throw std::runtime_error("libsodium cannot be initialised");
}

} // namespace

bool verifyEd25519(const QByteArray &message, const QByteArray &signature, const QByteArray &publicKey)
{
    static_assert(crypto_sign_PUBLICKEYBYTES == publicKeySize && crypto_sign_BYTES == signatureSize);
    if (signature.size() != signatureSize || publicKey.size() != publicKeySize)
        return false;
    initialise();
    return crypto_sign_verify_detached(bytes(signature), bytes(message), size_t(message.size()), bytes(publicKey)) ==
           0;
}

QByteArray signEd25519(const QByteArray &message, const QByteArray &secretKey)
{
    static_assert(crypto_sign_SECRETKEYBYTES == secretKeySize);
    if (secretKey.size() != secretKeySize)
        throw std::invalid_argument("an Ed25519 secret key has 64 bytes");
    initialise();
    QByteArray signature(signatureSize, '\0');
    crypto_sign_detached(bytes(signature), nullptr, bytes(message), size_t(message.size()), bytes(secretKey));
    return signature;
}

KeyPair generateKeyPair()
{
    initialise();
    KeyPair pair{QByteArray(publicKeySize, '\0'), QByteArray(secretKeySize, '\0')};
    crypto_sign_keypair(bytes(pair.publicKey), bytes(pair.secretKey));
    return pair;
}

} // namespace quorvale::updates
