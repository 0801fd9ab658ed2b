#pragma once

#include <QByteArray>

namespace quorvale {

// Whether the bytes of a captcha answer are a picture the sign-in form can show. A small file may
// declare a huge picture, so its declared size is judged before anything is decoded.
bool isCaptchaImage(const QByteArray &bytes);

} // namespace quorvale
