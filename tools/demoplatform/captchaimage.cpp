#include "tools/demoplatform/captchaimage.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <array>

namespace quorvale::demo {

namespace {

constexpr int cellWidth = 20;
constexpr int cellHeight = 32;
constexpr int stroke = 4;
constexpr int margin = 6;

// Segments a to g as bits 0 to 6, for the digits 0 to 9.
constexpr std::array<int, 10> segmentsOf{0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void drawDigit(QPainter &painter, int x, int y, int digit)
{
    const int half = cellHeight / 2;
    const int across = cellWidth - 2 * stroke;
    const int down = half - stroke;
    const std::array<QRect, 7> segments{
        QRect(x + stroke, y, across, stroke),                               // a
        QRect(x + cellWidth - stroke, y + stroke / 2, stroke, down),        // b
        QRect(x + cellWidth - stroke, y + half + stroke / 2, stroke, down), // c
        QRect(x + stroke, y + cellHeight - stroke, across, stroke),         // d
        QRect(x, y + half + stroke / 2, stroke, down),                      // e
        QRect(x, y + stroke / 2, stroke, down),                             // f
        QRect(x + stroke, y + half - stroke / 2, across, stroke),           // g
    };
    for (int segment = 0; segment < 7; ++segment) {
        if (segmentsOf[digit] & (1 << segment))
            painter.fillRect(segments[segment], QColor(30, 60, 120));
    }
}

} // namespace

QByteArray captchaImage(const QString &digits)
{
    QImage image(margin + int(digits.size()) * (cellWidth + margin), cellHeight + 2 * margin,
                 QImage::Format_RGB32);
    image.fill(QColor(236, 240, 246));
    {
        QPainter painter(&image);
        for (int i = 0; i < digits.size(); ++i) {
            if (digits[i].isDigit())
                drawDigit(painter, margin + i * (cellWidth + margin), margin, digits[i].digitValue());
        }
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace quorvale::demo
