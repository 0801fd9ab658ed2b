#include "core/base/errors.h"
#include "core/base/strictjson.h"
#include "core/base/text.h"
#include "core/client/credentialstore.h"
#include "core/client/secretwipe.h"

#include <QScopeGuard>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <utility>

namespace quorvale {

namespace {

// Where the contents of one JSON string lie, between its quotes.
struct Span
{
    qsizetype begin;
    qsizetype end;
};

DecodingError corrupted()
{
    return DecodingError(DecodingError::Kind::Corrupted, QString());
}

QList<Span> stringSpans(QByteArrayView json)
{
    QList<Span> spans;
    for (qsizetype at = 0; at < json.size(); ++at) {
        if (json.at(at) != '"')
            continue;
        const qsizetype begin = at + 1;
        for (at = begin; at < json.size() && json.at(at) != '"'; ++at) {
            if (json.at(at) == '\\')
                ++at;
        }
        if (at >= json.size())
            throw corrupted();
        spans.append({begin, at});
    }
    return spans;
}

// The JSON with the contents of its strings replaced by their numbers in order of appearance.
QByteArray numberedStrings(QByteArrayView json, const QList<Span> &spans)
{
    QByteArray numbered;
    qsizetype from = 0;
    for (qsizetype index = 0; index < spans.size(); ++index) {
        numbered += json.sliced(from, spans.at(index).begin - from);
        numbered += QByteArray::number(index);
        from = spans.at(index).end;
    }
    numbered += json.sliced(from);
    return numbered;
}

// The escapes of one character and the character each stands for.
constexpr std::pair<char, char16_t> shortEscapes[] = {{'"', u'"'},  {'\\', u'\\'}, {'/', u'/'},
                                                      {'b', u'\b'}, {'f', u'\f'},  {'n', u'\n'},
                                                      {'r', u'\r'}, {'t', u'\t'}};

// The character of the escape at the index, which then moves past the escape.
char16_t escaped(QStringView raw, qsizetype &at)
{
    const char16_t kind = raw.at(at + 1).unicode();
    for (const auto &[letter, character] : shortEscapes) {
        if (kind == char16_t(letter)) {
            at += 2;
            return character;
        }
    }
    if (kind != u'u' || at + 6 > raw.size())
        throw corrupted();
    int unit = 0;
    for (qsizetype digit = at + 2; digit < at + 6; ++digit) {
        const char16_t code = raw.at(digit).unicode();
        const int value = code < 0x80 ? text::hexDigit(char(code)) : -1;
        if (value < 0)
            throw corrupted();
        unit = unit * 16 + value;
    }
    at += 6;
    return char16_t(unit);
}

// The text of a JSON string's contents, written straight into a buffer of its final capacity so that
// no copy of it is left behind by a growing buffer. The contents are decoded in one piece, a U+FEFF at
// their start kept as the character it is (a decoder drops it as a byte-order mark at the start of
// every piece it is given); the escapes, all ASCII, are then resolved in the same buffer.
QString decoded(QByteArrayView raw)
{
    QString text(raw.size(), Qt::Uninitialized);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QChar *end = utf8.appendToBuffer(text.data(), raw);
    if (utf8.hasError())
        throw corrupted();
    const QStringView units(text.constData(), end);
    QChar *out = text.data();
    for (qsizetype at = 0; at < units.size();) {
        const char16_t unit = units.at(at).unicode();
        if (unit < 0x20)
            throw corrupted();
        if (unit == u'\\') {
            *out++ = QChar(escaped(units, at));
        } else {
            *out++ = units.at(at);
            ++at;
        }
    }
    text.truncate(out - text.constData());
    return text;
}

char *appendText(char *out, QStringView text)
{
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    return utf8.appendToBuffer(out, text);
}

// The text as a JSON string the way Qt writes one: the escapes of one character where there is one,
// other control characters and unpaired surrogates as \uXXXX, everything else as UTF-8. Unlike Qt,
// U+FEFF is written as \ufeff too: Qt's reader drops it as a byte-order mark where it starts a string.
char *appendString(char *out, const QString &text)
{
    static constexpr char hex[] = "0123456789abcdef";
    *out++ = '"';
    qsizetype run = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text.at(at).unicode();
        const auto escape = std::find_if(std::begin(shortEscapes), std::end(shortEscapes),
                                         [unit](const auto &pair) { return pair.second == unit; });
        // Qt leaves "/" as it is.
        const bool shortForm = escape != std::end(shortEscapes) && unit != u'/';
        const QChar character(unit);
        if (character.isHighSurrogate() && at + 1 < text.size() && text.at(at + 1).isLowSurrogate()) {
            ++at;
            continue;
        }
        if (!shortForm && unit >= 0x20 && !character.isSurrogate() && unit != 0xfeff)
            continue;
        out = appendText(out, QStringView(text).sliced(run, at - run));
        run = at + 1;
        *out++ = '\\';
        if (shortForm) {
            *out++ = escape->first;
        } else {
            *out++ = 'u';
            for (int shift = 12; shift >= 0; shift -= 4)
                *out++ = hex[(unit >> shift) & 0xf];
        }
    }
    out = appendText(out, QStringView(text).sliced(run));
    *out++ = '"';
    return out;
}

} // namespace

QByteArray SavedCredentials::toJson() const
{
    // Qt's JSON writer copies the texts into buffers it frees unwiped, so the item is written here,
    // into one buffer large enough for the longest form of both texts.
    QByteArray json(6 * (account.size() + password.size()) + 32, Qt::Uninitialized);
    char *out = json.data();
    out = appendText(out, u"{\"account\":");
    out = appendString(out, account);
    out = appendText(out, u",\"password\":");
    out = appendString(out, password);
    out = appendText(out, u"}");
    json.truncate(out - json.constData());
    return json;
}

SavedCredentials SavedCredentials::fromJson(const QByteArray &json)
{
    // The JSON reader keeps copies of the strings it reads and frees them unwiped, so it reads only
    // the structure, with each string replaced by its number; the strings are decoded here.
    const QList<Span> spans = stringSpans(json);
    QStringList texts;
    const auto wipeTexts = qScopeGuard([&texts] {
        for (QString &text : texts)
            wipe(text);
    });
    for (const Span &span : spans)
        texts.append(decoded(QByteArrayView(json).sliced(span.begin, span.end - span.begin)));
    const QJsonObject numbered = json::parseObject(numberedStrings(json, spans));
    // The numbered object sorts its keys as texts ("10" before "2"); named in the order of the item,
    // the last of doubled keys wins, as in Qt's reader.
    QList<std::pair<qsizetype, QJsonValue>> members;
    for (auto member = numbered.begin(); member != numbered.end(); ++member)
        members.append({member.key().toLongLong(), member.value()});
    std::sort(members.begin(), members.end(),
              [](const auto &left, const auto &right) { return left.first < right.first; });
    QJsonObject named;
    for (const auto &[index, value] : std::as_const(members))
        named.insert(texts.at(index), value);
    const auto take = [&texts, &named](const QString &key) {
        return std::move(texts[json::string(named, key).toInt()]);
    };
    SavedCredentials credentials;
    credentials.account = take(QStringLiteral("account"));
    credentials.password = take(QStringLiteral("password"));
    return credentials;
}

} // namespace quorvale
