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
    , timestamp(timestamp)
    , weakCondition(isWeak(password))
    , otherCount(password.count(u'_'))
{
    // The password's own digest signs in with any timestamp: no copy of it outlives this.
    QString passwordDigest = hexDigest(password);
    const QString seconds = QString::number(timestamp);
    QString salted;
    salted.reserve(passwordDigest.size() + seconds.size());
    salted.append(passwordDigest).append(seconds);
    wipe(passwordDigest);
    this->password = hexDigest(salted);
    wipe(salted);
}

LoginPayload::~LoginPayload()
{
    wipe(password);
}

QByteArray LoginPayload::toJson() const
{
    const QByteArray weak = weakCondition ? QByteArrayLiteral("true") : QByteArray::number(otherCount);
    const QByteArray head = "{\"name\":" + json::serialize(name) + ",\"password\":\"";
    const QByteArray tail = "\",\"timestamp\":" + QByteArray::number(timestamp) + ",\"isWeekPassword\":" + weak +
                            ",\"LanguageType\":1}";
    // The digest goes straight into a buffer of the final size, so that this buffer, which the
    // caller wipes once it is sent, is its only copy. Hexadecimal digits need no escaping.
    QByteArray json;
    json.reserve(head.size() + password.size() + tail.size());
    json.append(head);
    for (const QChar c : password)
        json.append(char(c.unicode()));
    json.append(tail);
    return json;
}

QString LoginPayload::hexDigest(const QString &text)
{
    QByteArray bytes = text.toUtf8();
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(bytes);
    wipe(bytes);
    QByteArray digest = hash.result();
    // The hash keeps the unfinished block of its input, here the whole of a short text, and its
    // result: a block of zeros and the result of that overwrite both.
    hash.addData(QByteArray(blockSize, '\0'));
    QByteArray overwritten = hash.result();
    wipe(overwritten);
    static constexpr QLatin1StringView digits("0123456789ABCDEF");
    QString hex(digest.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < digest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(digest[i]);
        hex[2 * i] = digits[byte >> 4];
        hex[2 * i + 1] = digits[byte & 15];
    }
    wipe(digest);
    return hex;
}

} // namespace quorvale
