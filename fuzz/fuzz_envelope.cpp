// The judgement of one answer: status, final page and the envelope in the body.
#include "core/base/errors.h"
#include "core/client/envelope.h"
#include "fuzz/fuzzinput.h"

#include <QUrl>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QUrl page(QStringLiteral("https://platform.example/api/Test/Probe"));
    try {
        quorvale::readEnvelope(200, page, page.host(), quorvale::fuzz::bytesOf(data, size));
    } catch (const quorvale::Error &) {
    }
    return 0;
}
