#include "app/state/captchaimage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace quorvale {

namespace {

// Far beyond any captcha.
constexpr qint64 captchaPixelLimit = 1000 * 1000;

} // namespace

bool isCaptchaImage(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > captchaPixelLimit)
        return false;
    return !reader.read().isNull();
}

} // namespace quorvale
