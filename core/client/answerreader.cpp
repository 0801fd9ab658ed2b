#include "core/client/answerreader.h"

#include "core/base/text.h"

#include <algorithm>

namespace quorvale {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A field name's characters: the token of HTTP.
bool isTokenChar(char c)
{
    static constexpr QByteArrayView marks = "!#$%&'*+-.^_`|~";
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || marks.contains(c);
}

// Control characters other than a tab end any line of an answer as broken.
bool hasControl(QByteArrayView line)
{
    return std::any_of(line.begin(), line.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7f;
    });
}

QByteArrayView trimmedBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

// The comma-separated items of every field of a name, blanks trimmed, empty items left out.
QList<QByteArray> listItems(const QList<QByteArray> &values)
{
    QList<QByteArray> items;
    for (const QByteArray &value : values) {
        for (const QByteArray &item : value.split(',')) {
            const QByteArrayView trimmed = trimmedBlanks(item);
            if (!trimmed.isEmpty())
                items.append(trimmed.toByteArray());
        }
    }
    return items;
}

} // namespace

AnswerReader::AnswerReader(qint64 bodyLimit, bool bodiless)
    : m_bodyLimit(bodyLimit)
    , m_bodiless(bodiless)
{}

QByteArray AnswerReader::field(QByteArrayView name) const
{
    for (const auto &[key, value] : m_fields) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QList<QByteArray> AnswerReader::fieldValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto &[key, value] : m_fields) {
        if (name.compare(key, Qt::CaseInsensitive) == 0)
            values.append(value);
    }
    return values;
}

AnswerReader::State AnswerReader::read(QByteArrayView bytes)
{
    while (m_state == State::Reading && !bytes.isEmpty()) {
        QByteArrayView line;
        switch (m_stage) {
        case Stage::StatusLine:
        case Stage::Fields:
        case Stage::Trailer: {
            // Interim answers and trailers draw on the same allowance as the header block.
            const qsizetype pending = m_lineTaken ? 0 : m_line.size();
            const qsizetype before = bytes.size();
            if (!takeLine(bytes, line, headLimit - m_headBytes))
                break;
            m_headBytes += pending + before - bytes.size();
            const bool read = m_stage == Stage::StatusLine ? readStatus(line)
                              : m_stage == Stage::Fields   ? readField(line)
                                                           : !hasControl(line);
            if (!read)
                return breakOff();
            if (m_stage == Stage::Trailer && line.isEmpty())
                m_stage = Stage::Done;
            break;
        }
        case Stage::ChunkSize:
            if (takeLine(bytes, line, lineLimit) && !readChunkSize(line))
                return breakOff();
            break;
        case Stage::ChunkEnd:
            if (!takeLine(bytes, line, lineLimit))
                break;
            if (!line.isEmpty())
                return breakOff();
            m_stage = Stage::ChunkSize;
            break;
        case Stage::Length:
        case Stage::ChunkData: {
            const qsizetype count = qsizetype(std::min<qint64>(m_remaining, bytes.size()));
            if (!appendBody(bytes.first(count)))
                return breakOff();
            bytes = bytes.sliced(count);
            m_remaining -= count;
            if (m_remaining == 0)
                m_stage = m_stage == Stage::Length ? Stage::Done : Stage::ChunkEnd;
            break;
        }
        case Stage::UntilClose:
            if (!appendBody(bytes))
                return breakOff();
            bytes = {};
            break;
        case Stage::Done:
            break;
        }
        if (m_stage == Stage::Done)
            m_state = State::Complete;
    }
    return m_state;
}

AnswerReader::State AnswerReader::close()
{
    if (m_state != State::Reading)
        return m_state;
    if (m_stage != Stage::UntilClose)
        return breakOff();
    m_stage = Stage::Done;
    return m_state = State::Complete;
}

bool AnswerReader::takeLine(QByteArrayView &bytes, QByteArrayView &line, qsizetype limit)
{
    // The line handed out last lives here until now; its buffer is kept for the next one.
    if (m_lineTaken) {
        m_line.resize(0);
        m_lineTaken = false;
    }
    const qsizetype end = bytes.indexOf('\n');
    const QByteArrayView piece = end < 0 ? bytes : bytes.first(end);
    if (m_line.size() + piece.size() >= limit) {
        breakOff();
        bytes = {};
        return false;
    }
    bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
    if (end < 0 || !m_line.isEmpty()) {
        m_line.append(piece);
        if (end < 0)
            return false;
        m_lineTaken = true;
    }
    // A line that arrived whole is read where it lies, with no copy.
    line = m_lineTaken ? QByteArrayView(m_line) : piece;
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

bool AnswerReader::readStatus(QByteArrayView line)
{
    // "HTTP/1.1 200 OK": the version, three digits and an optional reason.
    static constexpr QByteArrayView version = "HTTP/1.";
    if (hasControl(line) || !line.startsWith(version) || line.size() < 12 || (line[7] != '0' && line[7] != '1') ||
        line[8] != ' ' || !isDigit(line[9]) || !isDigit(line[10]) || !isDigit(line[11]) ||
        (line.size() > 12 && line[12] != ' '))
        return false;
    m_status = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    m_stage = Stage::Fields;
    return m_status >= 100 && m_status < 600;
}

bool AnswerReader::readField(QByteArrayView line)
{
    if (!line.isEmpty()) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || hasControl(line) || m_fields.size() == fieldLimit)
            return false;
        const QByteArrayView name = line.first(colon);
        if (!std::all_of(name.begin(), name.end(), isTokenChar))
            return false;
        m_fields.append({name.toByteArray(), trimmedBlanks(line.sliced(colon + 1)).toByteArray()});
        return true;
    }
    // An interim answer is followed by the real one; switching protocols is not for this reader.
    if (m_status < 200) {
        m_fields.clear();
        m_stage = Stage::StatusLine;
        return m_status != 101;
    }
    return frameBody();
}

bool AnswerReader::frameBody()
{
    if (m_bodiless || m_status == 204 || m_status == 304) {
        m_stage = Stage::Done;
        return true;
    }
    const QList<QByteArray> codings = listItems(fieldValues("Transfer-Encoding"));
    if (!codings.isEmpty()) {
        // Only chunks are read: a coding of the content itself would have to be undone.
        m_stage = Stage::ChunkSize;
        return codings.size() == 1 && codings.first().compare("chunked", Qt::CaseInsensitive) == 0;
    }
    const QList<QByteArray> lengths = listItems(fieldValues("Content-Length"));
    if (lengths.isEmpty()) {
        m_stage = Stage::UntilClose;
        return true;
    }
    // Several lengths must agree; a length of more digits than any answer can have is a lie.
    const QByteArray &length = lengths.first();
    if (length.size() > 18 || !std::all_of(length.begin(), length.end(), isDigit) ||
        std::any_of(lengths.begin(), lengths.end(), [&length](const QByteArray &other) { return other != length; }))
        return false;
    m_remaining = length.toLongLong();
    m_stage = m_remaining == 0 ? Stage::Done : Stage::Length;
    return m_remaining <= m_bodyLimit;
}

bool AnswerReader::readChunkSize(QByteArrayView line)
{
    qint64 size = 0;
    qsizetype digits = 0;
    for (; digits < line.size() && text::hexDigit(line[digits]) >= 0; ++digits) {
        if (digits == 15)
            return false;
        size = size * 16 + text::hexDigit(line[digits]);
    }
    const QByteArrayView rest = trimmedBlanks(line.sliced(digits));
    if (digits == 0 || hasControl(line) || (!rest.isEmpty() && !rest.startsWith(';')))
        return false;
    if (size > m_bodyLimit - m_body.size())
        return false;
    m_remaining = size;
    m_stage = size == 0 ? Stage::Trailer : Stage::ChunkData;
    return true;
}

bool AnswerReader::appendBody(QByteArrayView bytes)
{
    if (m_body.size() + bytes.size() > m_bodyLimit)
        return false;
    m_body.append(bytes);
    return true;
}

AnswerReader::State AnswerReader::breakOff()
{
    m_line.clear();
    m_line.squeeze();
    m_body.clear();
    m_body.squeeze();
    return m_state = State::Broken;
}

} // namespace quorvale
