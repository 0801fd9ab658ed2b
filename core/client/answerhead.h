#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <utility>

namespace quorvale {

// The header block of an answer, read line by line as libcurl hands it over, within bounds: the size
// of all its lines (interim answers and a chunked body's trailer included) and the number of fields.
// libcurl reads the status itself; this keeps the fields of the final answer.
class AnswerHead
{
public:
    using Fields = QList<std::pair<QByteArray, QByteArray>>;

    static constexpr qsizetype limit = 64 * 1024;
    static constexpr qsizetype fieldLimit = 128;

    // Takes one line, its line break included; `status` is the one libcurl read for the block the
    // line belongs to. False when the line breaks a bound or is no header line: the answer must
    // end, and no later line is taken.
    bool read(QByteArrayView line, int status);
    // Whether the block of the final answer has ended, so its status and fields are known.
    bool isComplete() const { return m_status != 0; }
    int status() const { return m_status; }
    const Fields &fields() const { return m_fields; }
    // The bytes of every line read so far.
    qsizetype size() const { return m_size; }

private:
    Fields m_fields;
    qsizetype m_size = 0;
    int m_status = 0;
    bool m_refused = false;
};

} // namespace quorvale
