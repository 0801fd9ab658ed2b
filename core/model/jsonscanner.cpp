#include "core/model/jsonscanner.h"

#include "core/base/text.h"

#include <array>
#include <cstring>

namespace quorvale {

namespace {

// Far below QJsonDocument's own limit, so that nothing it refuses for depth is read here.
constexpr int maximumDepth = 256;
constexpr int maximumIntegerDigits = 18;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The bytes a string holds as they stand: printable ASCII other than the quote and the backslash.
constexpr std::array<bool, 256> plainBytes = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x80; ++c)
        plain[size_t(c)] = c != '"' && c != '\\';
    return plain;
}();

bool isPlain(char c)
{
    return plainBytes[static_cast<unsigned char>(c)];
}

constexpr char32_t byteOrderMark = 0xfeff;

// Writes a scalar value in UTF-8 and answers where the next byte goes.
char *writeUtf8(char *out, char32_t scalar)
{
    if (scalar < 0x80) {
        *out++ = char(scalar);
    } else if (scalar < 0x800) {
        *out++ = char(0xc0 | (scalar >> 6));
        *out++ = char(0x80 | (scalar & 0x3f));
    } else if (scalar < 0x10000) {
        *out++ = char(0xe0 | (scalar >> 12));
        *out++ = char(0x80 | ((scalar >> 6) & 0x3f));
        *out++ = char(0x80 | (scalar & 0x3f));
    } else {
        *out++ = char(0xf0 | (scalar >> 18));
        *out++ = char(0x80 | ((scalar >> 12) & 0x3f));
        *out++ = char(0x80 | ((scalar >> 6) & 0x3f));
        *out++ = char(0x80 | (scalar & 0x3f));
    }
    return out;
}

} // namespace

void appendUtf8(std::string &out, char32_t scalar)
{
    char bytes[4];
    out.append(bytes, writeUtf8(bytes, scalar));
}

JsonScanner::JsonScanner(QByteArrayView text, std::string &scratch)
    : m_at(text.begin())
    , m_end(text.end())
    , m_scratch(scratch)
{}

bool JsonScanner::atEnd()
{
    return next() == '\0' && m_at == m_end;
}

bool JsonScanner::enter()
{
    return ++m_depth <= maximumDepth;
}

bool JsonScanner::key(QByteArrayView &name)
{
    if (next() != '"')
        return false;
    const char *start = m_at;
    if (!decodeString(nullptr))
        return false;
    const QByteArrayView spelled(start, m_at - start);
    if (m_escaped) {
        JsonScanner again(spelled, m_scratch);
        if (!again.decodeString(&m_key))
            return false;
        name = QByteArrayView(m_key.data(), qsizetype(m_key.size()));
    } else {
        name = spelled.sliced(1, spelled.size() - 2);
    }
    return take(':');
}

bool JsonScanner::string(std::string &decoded)
{
    decoded.clear();
    return next() == '"' && decodeString(&decoded);
}

// From the opening quote to just past the closing one; `decoded`, when given, receives the text.
bool JsonScanner::decodeString(std::string *decoded)
{
    // A string never decodes to more bytes than it is written with.
    if (decoded && m_scratch.size() < size_t(m_end - m_at))
        m_scratch.resize(size_t(m_end - m_at));
    char *const begin = decoded ? m_scratch.data() : nullptr;
    char *out = begin;
    m_escaped = false;
    ++m_at;
    while (m_at != m_end) {
        const char *run = m_at;
        while (m_at != m_end && isPlain(*m_at))
            ++m_at;
        if (out) {
            std::memcpy(out, run, size_t(m_at - run));
            out += m_at - run;
        }
        if (m_at == m_end)
            return false;
        const unsigned char c = static_cast<unsigned char>(*m_at);
        if (c == '"') {
            ++m_at;
            if (decoded)
                decoded->assign(begin, out);
            return true;
        }
        if (c == '\\') {
            m_escaped = true;
            if (!escape(out))
                return false;
        } else if (c >= 0x80) {
            if (!multiByte(out))
                return false;
        } else {
            // QJsonDocument takes control characters as they stand; they are left to it.
            return false;
        }
    }
    return false;
}

bool JsonScanner::escape(char *&out)
{
    const auto hex4 = [this](char32_t &unit) {
        if (m_end - m_at < 5 || m_at[0] != 'u')
            return false;
        unit = 0;
        for (int i = 1; i <= 4; ++i) {
            const int digit = text::hexDigit(m_at[i]);
            if (digit < 0)
                return false;
            unit = unit * 16 + char32_t(digit);
        }
        m_at += 5;
        return true;
    };
    ++m_at;
    if (m_at == m_end)
        return false;
    char simple = 0;
    switch (*m_at) {
    case '"': simple = '"'; break;
    case '\\': simple = '\\'; break;
    case '/': simple = '/'; break;
    case 'b': simple = '\b'; break;
    case 'f': simple = '\f'; break;
    case 'n': simple = '\n'; break;
    case 'r': simple = '\r'; break;
    case 't': simple = '\t'; break;
    default: break;
    }
    if (simple != 0) {
        ++m_at;
        if (out)
            *out++ = simple;
        return true;
    }
    char32_t point = 0;
    if (!hex4(point))
        return false;
    if (point >= 0xd800 && point < 0xdc00) {
        char32_t low = 0;
        if (m_end - m_at < 1 || *m_at != '\\')
            return false;
        ++m_at;
        if (!hex4(low) || low < 0xdc00 || low >= 0xe000)
            return false;
        point = 0x10000 + ((point - 0xd800) << 10) + (low - 0xdc00);
    } else if ((point >= 0xdc00 && point < 0xe000) || point == byteOrderMark) {
        // An unpaired surrogate becomes "?" and a byte order mark vanishes in QJsonDocument.
        return false;
    }
    if (out)
        out = writeUtf8(out, point);
    return true;
}

// One character of two to four bytes of well-formed UTF-8, as QJsonDocument checks it.
bool JsonScanner::multiByte(char *&out)
{
    const auto byte = [this](qsizetype i) { return static_cast<unsigned char>(m_at[i]); };
    const unsigned char lead = byte(0);
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xbf;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        low = lead == 0xe0 ? 0xa0 : 0x80;
        high = lead == 0xed ? 0x9f : 0xbf;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        low = lead == 0xf0 ? 0x90 : 0x80;
        high = lead == 0xf4 ? 0x8f : 0xbf;
    } else {
        return false;
    }
    if (m_end - m_at < length || byte(1) < low || byte(1) > high)
        return false;
    for (int i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xbf)
            return false;
    }
    // The byte order mark vanishes from strings read by QJsonDocument.
    if (length == 3 && lead == 0xef && byte(1) == 0xbb && byte(2) == 0xbf)
        return false;
    if (out) {
        std::memcpy(out, m_at, size_t(length));
        out += length;
    }
    m_at += length;
    return true;
}

// Where the integer part of the number ahead ends: an optional minus, at most 18 digits and no
// leading zero; null when there is none of that form.
const char *JsonScanner::integerEnd() const
{
    const char *digits = m_at != m_end && *m_at == '-' ? m_at + 1 : m_at;
    const char *end = digits;
    while (end != m_end && isDigit(*end))
        ++end;
    const qsizetype count = end - digits;
    if (count == 0 || count > maximumIntegerDigits || (count > 1 && *digits == '0'))
        return nullptr;
    return end;
}

bool JsonScanner::integer(qint64 &value)
{
    next();
    const char *end = integerEnd();
    if (!end || (end != m_end && (*end == '.' || *end == 'e' || *end == 'E')))
        return false;
    const bool negative = *m_at == '-';
    value = 0;
    for (const char *at = negative ? m_at + 1 : m_at; at != end; ++at)
        value = value * 10 + (*at - '0');
    if (negative)
        value = -value;
    m_at = end;
    return true;
}

// A number in the plain forms: an integer of at most 18 digits, optionally with a fraction.
bool JsonScanner::number()
{
    const char *end = integerEnd();
    if (!end)
        return false;
    m_at = end;
    if (m_at != m_end && *m_at == '.') {
        const char *fraction = ++m_at;
        while (m_at != m_end && isDigit(*m_at))
            ++m_at;
        if (m_at == fraction)
            return false;
    }
    return m_at == m_end || (*m_at != 'e' && *m_at != 'E');
}

bool JsonScanner::word(QByteArrayView spelled)
{
    if (QByteArrayView(m_at, m_end - m_at).startsWith(spelled)) {
        m_at += spelled.size();
        return true;
    }
    return false;
}

bool JsonScanner::skip()
{
    switch (next()) {
    case '"':
        return decodeString(nullptr);
    case '{':
        return object([this](QByteArrayView) { return skip(); });
    case '[':
        return array([this] { return skip(); });
    case 't':
        return word("true");
    case 'f':
        return word("false");
    case 'n':
        return word("null");
    case '-':
        return number();
    default:
        return isDigit(next()) && number();
    }
}

} // namespace quorvale
