// The platform transport's answer reader: whatever bytes a server or a proxy sends. The first byte
// of an input sets the size of the pieces the rest arrives in; the reader must reach the same
// answer whether the bytes come whole or in pieces, and never hold a body beyond its bound.
#include "core/client/answerreader.h"
#include "fuzz/fuzzinput.h"

namespace {

constexpr qint64 bodyLimit = 1024;

using quorvale::AnswerReader;

void readInPieces(AnswerReader &reader, QByteArrayView bytes, qsizetype piece)
{
    while (!bytes.isEmpty() && reader.state() == AnswerReader::State::Reading) {
        const qsizetype count = std::min(piece, bytes.size());
        reader.read(bytes.first(count));
        quorvale::fuzz::require(reader.body().size() <= bodyLimit);
        bytes = bytes.sliced(count);
    }
    reader.close();
    quorvale::fuzz::require(reader.state() != AnswerReader::State::Reading);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input = quorvale::fuzz::bytesOf(data + 1, size - 1);
    AnswerReader whole(bodyLimit);
    readInPieces(whole, input, input.size() + 1);
    AnswerReader pieces(bodyLimit);
    readInPieces(pieces, input, qsizetype(data[0]) + 1);
    quorvale::fuzz::require(whole.state() == pieces.state());
    if (whole.state() == AnswerReader::State::Complete)
        quorvale::fuzz::require(whole.status() == pieces.status() && whole.fields() == pieces.fields() &&
                                whole.body() == pieces.body());
    return 0;
}
