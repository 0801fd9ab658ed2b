#include "platform/updates/feedsignature.h"

#include "core/base/text.h"
#include "core/updates/keytext.h"
#include "platform/updates/ed25519.h"

#include <QRegularExpression>

namespace quorvale::updates {

namespace {

const QByteArray opening = "<!-- sparkle-signatures:\n";

} // namespace

std::optional<QByteArray> verifiedFeed(const QByteArray &feed, const QByteArray &publicKey)
{
    const qsizetype start = feed.lastIndexOf(opening);
    if (start < 0)
        return std::nullopt;
    // Anchored as a whole: "$" alone also matches before a final line break.
    static const QRegularExpression comment(QRegularExpression::anchoredPattern(
        QStringLiteral("<!-- sparkle-signatures:\nedSignature: ([A-Za-z0-9+/=]+)\nlength: ([0-9]+)\n-->\n")));
    const QRegularExpressionMatch match = comment.match(QString::fromLatin1(feed.mid(start)));
    if (!match.hasMatch())
        return std::nullopt;
    const std::optional<qint64> length = text::parseInteger(match.capturedView(2));
    const std::optional<QByteArray> signature = decodeKeyText(match.captured(1), signatureSize);
    if (length != start || !signature)
        return std::nullopt;
    const QByteArray signedPart = feed.left(start);
    if (!verifyEd25519(signedPart, *signature, publicKey))
        return std::nullopt;
    return signedPart;
}

QByteArray signedFeed(const QByteArray &feed, const QByteArray &secretKey)
{
    return feed + opening + "edSignature: " + signEd25519(feed, secretKey).toBase64() +
           "\nlength: " + QByteArray::number(feed.size()) + "\n-->\n";
}

} // namespace quorvale::updates
