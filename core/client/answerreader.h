#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <utility>

namespace quorvale {

// Reads one HTTP/1.1 answer off the bytes of its connection as they arrive. It keeps nothing of
// them but the header block, at most one unfinished line and the body, each within its own bound,
// whatever the framing: a length, chunks of any size, or the end of the connection. Anything it
// cannot read strictly breaks the answer.
class AnswerReader
{
public:
    enum class State
    {
        Reading,
        Complete,
        Broken
    };
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    // The whole header block, interim answers included.
    static constexpr qsizetype headLimit = 64 * 1024;
    static constexpr qsizetype fieldLimit = 128;
    // A chunk's size line with its extensions, and each line of the trailer.
    static constexpr qsizetype lineLimit = 8 * 1024;

    // `bodyLimit` bounds the body; `bodiless` for the answer to a HEAD request.
    explicit AnswerReader(qint64 bodyLimit, bool bodiless = false);

    State read(QByteArrayView bytes);
    // The connection has ended: an answer framed by that end is complete, any other unfinished one
    // is broken.
    State close();

    State state() const { return m_state; }
    // Whether the status and the fields are known.
    bool hasHead() const { return m_stage > Stage::Fields; }
    int status() const { return m_status; }
    const Fields &fields() const { return m_fields; }
    // The value of the first field of that name, ignoring case; empty when there is none.
    QByteArray field(QByteArrayView name) const;
    QList<QByteArray> fieldValues(QByteArrayView name) const;
    const QByteArray &body() const { return m_body; }

private:
    enum class Stage
    {
        StatusLine,
        Fields,
        Length,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailer,
        UntilClose,
        Done
    };

    // Takes a whole line off the input, without its line break, once one is there; the line stays
    // valid until the next call.
    bool takeLine(QByteArrayView &bytes, QByteArrayView &line, qsizetype limit);
    bool readStatus(QByteArrayView line);
    bool readField(QByteArrayView line);
    bool frameBody();
    bool readChunkSize(QByteArrayView line);
    bool appendBody(QByteArrayView bytes);
    State breakOff();

    qint64 m_bodyLimit;
    bool m_bodiless;
    State m_state = State::Reading;
    Stage m_stage = Stage::StatusLine;
    qsizetype m_headBytes = 0;
    QByteArray m_line;
    bool m_lineTaken = false;
    int m_status = 0;
    Fields m_fields;
    qint64 m_remaining = 0;
    QByteArray m_body;
};

} // namespace quorvale
