#include "app/look/appearance.h"

#include <QPalette>
#include <QWidget>

namespace quorvale {

namespace {

// Only the low 24 bits carry the colour, one sRGB byte per component, fully opaque.
QColor fromRgb(quint32 value)
{
    return QColor(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

} // namespace

QColor AdaptiveColor::resolve(bool dark) const
{
    return fromRgb(dark ? m_dark : m_light);
}

QColor AdaptiveColor::resolve(const QPalette &palette) const
{
    return resolve(Appearance::isDark(palette));
}

QColor AdaptiveColor::resolve(const QWidget *widget) const
{
    return resolve(widget->palette());
}

namespace Appearance {

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Active, QPalette::WindowText).lightnessF() >
           palette.color(QPalette::Active, QPalette::Window).lightnessF();
}

QColor button()
{
    static const QColor colour = QColor::fromRgbF(0.14f, 0.29f, 0.66f, 1.0f);
    return colour;
}

Transition reveal(bool reduced)
{
    if (reduced)
        return {{1.0, {}, 0.0}, {1.0, {}, 0.0}};
    return {{0.985, {0.0, 14.0}, 0.0}, {0.985, {}, 0.0}};
}

} // namespace Appearance

} // namespace quorvale
