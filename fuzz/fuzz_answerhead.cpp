// The header block of every answer, as libcurl hands it to the header callback line by line, with the
// status it read from each block's first line.
#include "core/client/answerhead.h"
#include "fuzz/fuzzinput.h"

using quorvale::AnswerHead;
using quorvale::fuzz::require;

namespace {

// The status libcurl would read from a status line: the three digits after the first space.
int statusOf(const QByteArray &line)
{
    const qsizetype space = line.indexOf(' ');
    bool ok = false;
    const int status = space < 0 ? 0 : line.mid(space + 1, 3).toInt(&ok);
    return ok ? status : 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = quorvale::fuzz::bytesOf(data, size);
    AnswerHead head;
    int status = 0;
    qsizetype read = 0;
    bool refused = false;
    for (qsizetype start = 0; start < input.size();) {
        const qsizetype end = input.indexOf('\n', start);
        const QByteArray line = input.mid(start, end < 0 ? -1 : end + 1 - start);
        start += line.size();
        if (line.startsWith("HTTP/"))
            status = statusOf(line);
        const bool taken = head.read(line, status);
        read += line.size();
        // Once refused, the answer has ended: nothing more is taken.
        require(!(refused && taken));
        refused = refused || !taken;
        require(head.size() == read);
        require(!taken || read <= AnswerHead::limit);
    }
    require(head.fields().size() <= AnswerHead::fieldLimit);
    require(!head.isComplete() || head.status() >= 200);
    for (const auto &[name, value] : head.fields()) {
        require(!name.isEmpty() && !name.contains(':') && !name.contains('\n'));
        require(!value.contains('\n'));
    }
    return 0;
}
