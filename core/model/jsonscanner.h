#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <string>

namespace quorvale {

// Appends a scalar value in UTF-8; byte order of the results is the order of the values.
void appendUtf8(std::string &out, char32_t scalar);

// Reads JSON text of the plain kind that programs write, a value at a time, without building a
// document. It gives up (every call answers false) on anything it does not read exactly as
// QJsonDocument does: numbers with exponents or more than 18 integer digits, unpaired surrogate
// escapes, byte order marks, control characters in strings, deep nesting, malformed text. What it
// accepts is therefore JSON that QJsonDocument reads to the same values; what it gives up on must be
// read by QJsonDocument, which decides whether it is JSON at all.
class JsonScanner
{
public:
    // `scratch` is working space that callers reading many texts hand to every scanner, so that it is
    // allocated once.
    JsonScanner(QByteArrayView text, std::string &scratch);

    // The first byte of the next value, after white space; 0 at the end.
    char next()
    {
        while (m_at != m_end && isSpace(*m_at))
            ++m_at;
        return m_at == m_end ? '\0' : *m_at;
    }
    // Whether only white space remains.
    bool atEnd();

    // The members of an object: `member(key)` is called with each decoded key and must take the
    // member's value.
    template<typename Member>
    bool object(Member member);
    // The elements of an array: `element()` is called for each and must take it.
    template<typename Element>
    bool array(Element element);

    // A string, decoded to UTF-8.
    bool string(std::string &decoded);
    // A number written as a plain integer of at most 18 digits.
    bool integer(qint64 &value);
    // Any value, checked but not kept.
    bool skip();

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    bool take(char expected)
    {
        if (next() != expected || m_at == m_end)
            return false;
        ++m_at;
        return true;
    }
    bool enter();
    void leave() { --m_depth; }
    // The items of an object or array between its brackets, separated by commas.
    template<typename Item>
    bool sequence(char open, char close, Item item);
    const char *integerEnd() const;
    bool key(QByteArrayView &name);
    bool decodeString(std::string *decoded);
    bool escape(char *&out);
    bool multiByte(char *&out);
    bool number();
    bool word(QByteArrayView spelled);

    const char *m_at;
    const char *m_end;
    std::string &m_scratch;
    int m_depth = 0;
    // Whether the last string read held escapes.
    bool m_escaped = false;
    std::string m_key;
};

template<typename Item>
bool JsonScanner::sequence(char open, char close, Item item)
{
    if (!take(open) || !enter())
        return false;
    if (!take(close)) {
        do {
            if (!item())
                return false;
        } while (take(','));
        if (!take(close))
            return false;
    }
    leave();
    return true;
}

template<typename Member>
bool JsonScanner::object(Member member)
{
    return sequence('{', '}', [&] {
        QByteArrayView name;
        return key(name) && member(name);
    });
}

template<typename Element>
bool JsonScanner::array(Element element)
{
    return sequence('[', ']', element);
}

} // namespace quorvale
