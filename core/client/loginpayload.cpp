#include "core/client/loginpayload.h"

#include "core/base/strictjson.h"
#include "core/client/secretwipe.h"

#include <QCryptographicHash>

namespace quorvale {

namespace {

constexpr qsizetype blockSize = 64;

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// The platform's own rule, counted in UTF-16 units: 8 to 20 units with at least two of the classes
// digit, letter and other. "_" belongs to no class.
bool isWeak(const QString &password)
{
    if (password.size() < 8 || password.size() > 20)
        return true;
    bool digit = false;
    bool letter = false;
    bool other = false;
    for (const QChar c : password) {
        if (isAsciiDigit(c))
            digit = true;
        else if (isAsciiLetter(c))
            letter = true;
        else if (c != u'_')
            other = true;
    }
    return int(digit) + int(letter) + int(other) < 2;
}

} // namespace

LoginPayload::LoginPayload(const QString &account, const QString &password, qint64 timestamp)
    : name(account.trimmed())
    , password(hexDigest(hexDigest(password) + QString::number(timestamp)))
    , timestamp(timestamp)
    , weakCondition(isWeak(password))
    , otherCount(password.count(u'_'))
{}

QByteArray LoginPayload::toJson() const
{
    const QByteArray weak = weakCondition ? QByteArrayLiteral("true") : QByteArray::number(otherCount);
    return "{\"name\":" + json::serialize(name) + ",\"password\":" + json::serialize(password) +
           ",\"timestamp\":" + QByteArray::number(timestamp) + ",\"isWeekPassword\":" + weak +
           ",\"LanguageType\":1}";
}

QString LoginPayload::hexDigest(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(bytes);
    const QByteArray digest = hash.result();
    wipe(bytes);
    // The hash keeps the unfinished block of its input, here the whole of a short text, until it is
    // filled: a block of zeros overwrites it.
    hash.addData(QByteArray(blockSize, '\0'));
    return QString::fromLatin1(digest.toHex().toUpper());
}

} // namespace quorvale
