// The saved account item, both ways. Read as an item: whatever is read is written and read back the
// same, and Qt's reader reads the same texts from it. Taken as two texts of any UTF-16 (the input's
// pieces): written and read back they are the same, Qt's reader reads the same from what is written,
// and what Qt's writer writes is read here unchanged.
#include "core/base/errors.h"
#include "core/client/credentialstore.h"
#include "fuzz/fuzzinput.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

using quorvale::SavedCredentials;

QString utf16Of(const QByteArray &bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

std::optional<SavedCredentials> readByQt(const QByteArray &json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    const QJsonValue account = document.object().value(QStringLiteral("account"));
    const QJsonValue password = document.object().value(QStringLiteral("password"));
    if (error.error != QJsonParseError::NoError || !account.isString() || !password.isString())
        return std::nullopt;
    return SavedCredentials{account.toString(), password.toString()};
}

void roundTrip(const SavedCredentials &credentials)
{
    using quorvale::fuzz::require;
    const QByteArray json = credentials.toJson();
    require(SavedCredentials::fromJson(json) == credentials);
    require(readByQt(json) == credentials);
    const QJsonObject object{{QStringLiteral("account"), credentials.account},
                             {QStringLiteral("password"), credentials.password}};
    require(SavedCredentials::fromJson(QJsonDocument(object).toJson(QJsonDocument::Compact)) == credentials);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = quorvale::fuzz::bytesOf(data, size);
    try {
        roundTrip(SavedCredentials::fromJson(input));
    } catch (const quorvale::Error &) {
    }
    const QList<QByteArray> pieces = quorvale::fuzz::piecesOf(input);
    roundTrip({utf16Of(pieces.first()), utf16Of(pieces.value(1))});
    return 0;
}
