// The capture reader's JSON scanner against QJsonDocument: a text the scanner reads whole is JSON that
// QJsonDocument reads to the same values.
#include "core/model/jsonscanner.h"
#include "fuzz/fuzzinput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

using quorvale::JsonScanner;

// A value as the scanner reads it. A number that is not a plain integer is only checked by the
// scanner, so it stands as NaN, which no JSON text holds, and matches any number.
bool readValue(JsonScanner &scanner, std::string &text, QJsonValue &value)
{
    switch (scanner.next()) {
    case '{': {
        QJsonObject object;
        const bool whole = scanner.object([&](QByteArrayView key) {
            const QString name = QString::fromUtf8(key);
            QJsonValue member;
            if (!readValue(scanner, text, member))
                return false;
            object.insert(name, member);
            return true;
        });
        value = object;
        return whole;
    }
    case '[': {
        QJsonArray array;
        const bool whole = scanner.array([&] {
            QJsonValue element;
            if (!readValue(scanner, text, element))
                return false;
            array.append(element);
            return true;
        });
        value = array;
        return whole;
    }
    case '"':
        if (!scanner.string(text))
            return false;
        value = QString::fromStdString(text);
        return true;
    case 't':
        value = true;
        return scanner.skip();
    case 'f':
        value = false;
        return scanner.skip();
    case 'n':
        value = QJsonValue::Null;
        return scanner.skip();
    default:
        if (qint64 integer = 0; scanner.integer(integer)) {
            value = integer;
            return true;
        }
        value = qQNaN();
        return scanner.skip();
    }
}

bool same(const QJsonValue &scanned, const QJsonValue &qt)
{
    if (scanned.isDouble() && qIsNaN(scanned.toDouble()))
        return qt.isDouble();
    if (scanned.type() != qt.type())
        return false;
    if (scanned.isArray()) {
        const QJsonArray a = scanned.toArray();
        const QJsonArray b = qt.toArray();
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            if (!same(a.at(i), b.at(i)))
                return false;
        }
        return true;
    }
    if (scanned.isObject()) {
        const QJsonObject a = scanned.toObject();
        const QJsonObject b = qt.toObject();
        if (a.keys() != b.keys())
            return false;
        for (auto member = a.begin(); member != a.end(); ++member) {
            if (!same(member.value(), b.value(member.key())))
                return false;
        }
        return true;
    }
    if (scanned.isDouble()) {
        // Exactly the integer: a number Qt cannot give as one answers the default, which differs.
        const qint64 integer = scanned.toInteger();
        return qt.toInteger(integer + 1) == integer;
    }
    return scanned == qt;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = quorvale::fuzz::bytesOf(data, size);
    std::string scratch;
    std::string text;
    JsonScanner scanner(input, scratch);
    QJsonValue scanned;
    const char first = scanner.next();
    if ((first != '{' && first != '[') || !readValue(scanner, text, scanned) || !scanner.atEnd())
        return 0;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(input, &error);
    quorvale::fuzz::require(error.error == QJsonParseError::NoError);
    quorvale::fuzz::require(
        same(scanned, document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array())));
    return 0;
}
