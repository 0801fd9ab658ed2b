#include "core/updates/updateconfiguration.h"

#include "core/updates/keytext.h"

#include <QHashFunctions>

namespace quorvale {

namespace {

using Kind = UpdateConfiguration::ConfigurationError::Kind;

QUrl validatedFeed(const InfoDictionary &dictionary)
{
    const std::optional<QString> text = info::text(dictionary, QStringLiteral("SUFeedURL"));
    if (!text || text->isEmpty())
        throw UpdateConfiguration::ConfigurationError(Kind::missingFeed);
    const QUrl url(*text, QUrl::StrictMode);
    // QUrl lowers the scheme and host, so the exact text is compared as well as the parsed parts.
    const bool valid = url.isValid() && text->startsWith(QLatin1String("https:")) && url.scheme() == u"https" &&
                       url.userName().isEmpty() && url.password().isEmpty() && url.port() == -1 &&
                       !url.hasQuery() && !url.hasFragment() &&
                       *text == UpdateConfiguration::expectedFeedURL().toString(QUrl::FullyEncoded);
    if (!valid)
        throw UpdateConfiguration::ConfigurationError(Kind::invalidFeed);
    return url;
}

} // namespace

QString UpdateConfiguration::ConfigurationError::description() const
{
    switch (m_kind) {
    case Kind::missingFeed:
        return QStringLiteral("此构建尚未配置更新地址");
    case Kind::invalidFeed:
        return QStringLiteral("更新地址不是指定的 HTTPS 更新源");
    case Kind::invalidPublicKey:
        return QStringLiteral("更新签名公钥未配置或格式无效");
    case Kind::signedFeedRequired:
        break;
    }
    return QStringLiteral("此构建尚未启用更新源签名验证");
}

UpdateConfiguration::UpdateConfiguration(const InfoDictionary &infoDictionary)
    : m_feedURL(validatedFeed(infoDictionary))
{
    const std::optional<QString> key = info::text(infoDictionary, QStringLiteral("SUPublicEDKey"));
    if (!key || !decodeKeyText(*key, 32))
        throw ConfigurationError(Kind::invalidPublicKey);
    if (info::boolean(infoDictionary, QStringLiteral("SURequireSignedFeed")) != true)
        throw ConfigurationError(Kind::signedFeedRequired);
    m_publicKey = *key;
}

QUrl UpdateConfiguration::expectedFeedURL()
{
    static const QUrl url(QStringLiteral(QUORVALE_UPDATE_FEED), QUrl::StrictMode);
    return url;
}

size_t qHash(const UpdateConfiguration::ConfigurationError &error, size_t seed)
{
    return ::qHash(static_cast<int>(error.kind()), seed);
}

} // namespace quorvale
