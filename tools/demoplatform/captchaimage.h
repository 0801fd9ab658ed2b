#pragma once

#include <QByteArray>
#include <QString>

namespace quorvale::demo {

// A PNG that shows the digits of a captcha code in seven-segment style, readable by a person
// without any font on the machine.
QByteArray captchaImage(const QString &digits);

} // namespace quorvale::demo
