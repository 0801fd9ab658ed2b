#include "core/model/harentries.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace quorvale {

namespace {

// Walks JSON text byte by byte: skips values without reading them and reports keys as they are
// spelled. It only follows the layout; what it passes over is checked by the JSON reader later.
class Walker
{
public:
    explicit Walker(QByteArrayView text)
        : m_at(text.begin())
        , m_begin(text.begin())
        , m_end(text.end())
    {}

    qsizetype offset() const { return m_at - m_begin; }
    bool atEnd()
    {
        skipSpace();
        return m_at == m_end;
    }

    bool take(char expected)
    {
        skipSpace();
        if (m_at == m_end || *m_at != expected)
            return false;
        ++m_at;
        return true;
    }

    bool peek(char expected)
    {
        skipSpace();
        return m_at != m_end && *m_at == expected;
    }

    // A key and its colon; fails on a key written with escapes, which could spell any name.
    std::optional<QByteArrayView> key()
    {
        skipSpace();
        const char *start = m_at + 1;
        if (!peek('"') || !skipString() || !take(':'))
            return std::nullopt;
        const QByteArrayView spelled(start, m_at - start);
        const qsizetype closing = spelled.lastIndexOf('"');
        const QByteArrayView name = spelled.first(closing);
        if (name.contains('\\'))
            return std::nullopt;
        return name;
    }

    // Any value: a string, an object or array up to its matching bracket, or a bare word.
    bool skipValue()
    {
        skipSpace();
        if (m_at == m_end)
            return false;
        if (*m_at == '"')
            return skipString();
        if (*m_at == '{' || *m_at == '[')
            return skipNested();
        const char *start = m_at;
        while (m_at != m_end && isWordByte(*m_at))
            ++m_at;
        return m_at != start;
    }

private:
    static bool isWordByte(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' ||
               c == '-' || c == '.';
    }

    void skipSpace()
    {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\t' || *m_at == '\n' || *m_at == '\r'))
            ++m_at;
    }

    // From the opening quote to just past the closing one.
    bool skipString()
    {
        ++m_at;
        while (m_at != m_end) {
            const char c = *m_at++;
            if (c == '"')
                return true;
            if (c == '\\') {
                if (m_at == m_end)
                    return false;
                ++m_at;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                return false;
            }
        }
        return false;
    }

    bool skipNested()
    {
        int depth = 0;
        while (m_at != m_end) {
            const char c = *m_at;
            if (c == '"') {
                if (!skipString())
                    return false;
                continue;
            }
            ++m_at;
            if (c == '{' || c == '[')
                ++depth;
            else if ((c == '}' || c == ']') && --depth == 0)
                return true;
        }
        return false;
    }

    const char *m_at;
    const char *m_begin;
    const char *m_end;
};

// The members of an object, the walker just inside its opening brace: `member` is called with each
// key and must take its value. Fails when a key comes twice or `member` fails.
template<typename Member>
bool walkMembers(Walker &walker, Member member)
{
    QList<QByteArrayView> seen;
    if (walker.take('}'))
        return true;
    do {
        const std::optional<QByteArrayView> name = walker.key();
        if (!name || seen.contains(*name) || !member(*name))
            return false;
        seen.append(*name);
    } while (walker.take(','));
    return walker.take('}');
}

// The elements of the entries array, the walker at its opening bracket; each must be an object.
bool walkEntries(Walker &walker, const QByteArray &capture, const std::function<void(QByteArrayView)> &found,
                 qsizetype &end)
{
    if (!walker.take('['))
        return false;
    if (!walker.take(']')) {
        do {
            if (!walker.peek('{'))
                return false;
            const qsizetype start = walker.offset();
            if (!walker.skipValue())
                return false;
            found(QByteArrayView(capture).sliced(start, walker.offset() - start));
        } while (walker.take(','));
        if (!walker.take(']'))
            return false;
    }
    end = walker.offset();
    return true;
}

} // namespace

bool forEachHarEntry(const QByteArray &capture, const std::function<void(QByteArrayView)> &found)
{
    Walker walker(capture);
    qsizetype start = -1;
    qsizetype end = -1;
    const auto inLog = [&](QByteArrayView name) {
        if (name != "entries")
            return walker.skipValue();
        start = walker.peek('[') ? walker.offset() : -1;
        return walkEntries(walker, capture, found, end);
    };
    const auto inRoot = [&](QByteArrayView name) {
        if (name != "log")
            return walker.skipValue();
        return walker.take('{') && walkMembers(walker, inLog);
    };
    if (!walker.take('{') || !walkMembers(walker, inRoot) || !walker.atEnd() || start < 0)
        return false;

    // What lies around the entries must be JSON by itself, with an empty array in their place.
    const QByteArray rest = capture.left(start) + "[]" + capture.mid(end);
    QJsonParseError error{};
    QJsonDocument::fromJson(rest, &error);
    return error.error == QJsonParseError::NoError;
}

std::optional<QList<QByteArrayView>> harEntrySpans(const QByteArray &capture)
{
    QList<QByteArrayView> spans;
    if (!forEachHarEntry(capture, [&spans](QByteArrayView span) { spans.append(span); }))
        return std::nullopt;
    return spans;
}

} // namespace quorvale
