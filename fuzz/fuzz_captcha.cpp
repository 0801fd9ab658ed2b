// The captcha answer: its text read as a data URL or plain Base64, and the picture the sign-in
// form would show, judged before it is decoded.
#include "app/state/captchaimage.h"
#include "core/base/errors.h"
#include "fuzz/fuzzinput.h"
#include "fuzz/servedapi.h"
#include "tests/support/awaittask.h"

#include <QJsonDocument>
#include <QJsonObject>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace quorvale;
    fuzz::ensureApplication();
    static fuzz::ServedAPI api;
    const QByteArray input = fuzz::bytesOf(data, size);
    isCaptchaImage(input);
    const QJsonObject envelope{{QStringLiteral("state"), 0},
                               {QStringLiteral("data"), QString::fromUtf8(input)}};
    api.serve({QJsonDocument(envelope).toJson(QJsonDocument::Compact)});
    try {
        if (const std::optional<QByteArray> image = testing::awaitTask(api.captcha()))
            isCaptchaImage(*image);
    } catch (const Error &) {
    }
    return 0;
}
