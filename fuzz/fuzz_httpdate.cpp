// The "Date" field of every platform answer, which sets the sign-in clock.
#include "core/client/httpdate.h"
#include "fuzz/fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    quorvale::parseHttpDate(quorvale::fuzz::bytesOf(data, size));
    return 0;
}
