#include "core/client/answerhead.h"

namespace quorvale {

namespace {

QByteArrayView withoutLineBreak(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

} // namespace

bool AnswerHead::read(QByteArrayView line, int status)
{
    m_size += line.size();
    m_refused = m_refused || m_size > limit;
    if (m_refused)
        return false;
    // The trailer of a chunked body only counts against the bound.
    if (isComplete())
        return true;
    const QByteArrayView text = withoutLineBreak(line);
    // libcurl has read the status line; an interim answer's fields give way to the next block's.
    if (text.startsWith("HTTP/")) {
        m_fields.clear();
        return true;
    }
    if (text.isEmpty()) {
        if (status >= 200)
            m_status = status;
        m_refused = status < 100;
        return !m_refused;
    }
    if (text.front() == ' ' || text.front() == '\t') {
        // A folded line continues the field before it.
        m_refused = m_fields.isEmpty();
        if (!m_refused)
            m_fields.last().second += ' ' + text.trimmed().toByteArray();
        return !m_refused;
    }
    const qsizetype colon = text.indexOf(':');
    m_refused = colon <= 0 || m_fields.size() == fieldLimit;
    if (!m_refused)
        m_fields.append({text.first(colon).toByteArray(), text.sliced(colon + 1).trimmed().toByteArray()});
    return !m_refused;
}

} // namespace quorvale
