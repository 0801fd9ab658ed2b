#pragma once

#include "core/base/errors.h"
#include "core/updates/infodictionary.h"

#include <QUrl>

// Whether a build may update itself: the one HTTPS feed of the update host, a well-formed signing
// key, and signed feeds required. Anything else is refused with the reason the settings window shows.
namespace quorvale {

class UpdateConfiguration
{
public:
    class ConfigurationError : public Error
    {
    public:
        enum class Kind
        {
            missingFeed,
            invalidFeed,
            invalidPublicKey,
            signedFeedRequired
        };

        explicit ConfigurationError(Kind kind) : m_kind(kind) {}
        Kind kind() const { return m_kind; }
        QString description() const override;
        bool operator==(const ConfigurationError &other) const { return m_kind == other.m_kind; }

    private:
        Kind m_kind;
    };

    // Throws ConfigurationError with the first check that fails.
    explicit UpdateConfiguration(const InfoDictionary &infoDictionary);

    // The only feed address a build may use: "/olvar/appcast.xml" on the update host over HTTPS.
    static QUrl expectedFeedURL();

    QUrl feedURL() const { return m_feedURL; }
    // The Base64 text of the 32-byte Ed25519 public key, as the dictionary wrote it.
    QString publicKey() const { return m_publicKey; }

    bool operator==(const UpdateConfiguration &other) const = default;

private:
    QUrl m_feedURL;
    QString m_publicKey;
};

size_t qHash(const UpdateConfiguration::ConfigurationError &error, size_t seed = 0);

} // namespace quorvale
