// The demo platform's request parser: bytes from any client on loopback.
#include "fuzz/fuzzinput.h"
#include "tools/demoplatform/httpmessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using quorvale::demo::RequestParser;
    QByteArray buffer = quorvale::fuzz::bytesOf(data, size);
    quorvale::demo::HttpRequest request;
    // Requests are cut off one after another, as from one kept-alive connection.
    while (RequestParser::take(buffer, request) == RequestParser::Result::Complete)
        request.cookie("LXSESSION");
    return 0;
}
