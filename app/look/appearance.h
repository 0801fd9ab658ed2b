#pragma once

#include "app/look/transition.h"

#include <QColor>
#include <array>

class QPalette;
class QWidget;

// The application's shared look: the brand colour of the buttons, colours that follow the dark or
// light appearance, the subject palette of the week grid and the transition of swapped content.
namespace quorvale {

// A colour given as a dark and a light 0xRRGGBB value. It is resolved against the palette each time
// it is drawn, so a widget that repaints after a palette change shows the other value.
class AdaptiveColor
{
public:
    constexpr AdaptiveColor(quint32 dark, quint32 light)
        : m_dark(dark)
        , m_light(light)
    {}

    QColor resolve(bool dark) const;
    QColor resolve(const QPalette &palette) const;
    QColor resolve(const QWidget *widget) const;

    bool operator==(const AdaptiveColor &) const = default;

private:
    quint32 m_dark;
    quint32 m_light;
};

namespace Appearance {

// Qt 6.4 has no colour-scheme query: a palette is dark when its window text is lighter than its window.
bool isDark(const QPalette &palette);

// The fill of both button styles.
QColor button();

constexpr AdaptiveColor adaptive(quint32 dark, quint32 light)
{
    return {dark, light};
}

inline constexpr AdaptiveColor secondaryText = adaptive(0xBAC4D1, 0x566273);
inline constexpr AdaptiveColor accentBlue = adaptive(0xACC4FF, 0x234CA4);
inline constexpr AdaptiveColor warningAmber = adaptive(0xF2CA86, 0x86500D);
inline constexpr AdaptiveColor errorRed = adaptive(0xFFADB9, 0xA32D40);
inline constexpr AdaptiveColor currentGreen = adaptive(0x90DFB7, 0x16613E);
inline constexpr AdaptiveColor upcomingPurple = adaptive(0xC9B8FF, 0x5342A0);
inline constexpr AdaptiveColor freeSlate = adaptive(0xBCC8D8, 0x475569);

// The week grid gives the subject at sorted position i the entry i.
inline constexpr std::array<AdaptiveColor, 16> subjectPalette = {
    adaptive(0x9FBFFF, 0x4168B0), adaptive(0xC9ADFF, 0x6F53AA), adaptive(0x8BD6BD, 0x297661),
    adaptive(0xEBC58E, 0xA16D27), adaptive(0xEEA6C4, 0xA14E71), adaptive(0x96D5EE, 0x367C99),
    adaptive(0xEFB59A, 0xA65532), adaptive(0xCCD4A0, 0x686F3A), adaptive(0xF3A1A9, 0xA33F46),
    adaptive(0xADB5FF, 0x4A519F), adaptive(0x8EDCD6, 0x218482), adaptive(0xDEA3E5, 0x8D4592),
    adaptive(0xE0D08C, 0x8B7930), adaptive(0xADD99E, 0x4D8242), adaptive(0xF1A9D5, 0xAB4F87),
    adaptive(0x9BCBDF, 0x3C7890),
};

// The transition of every main content area that is swapped in or out; a plain fade when reduced.
Transition reveal(bool reduced);

} // namespace Appearance

} // namespace quorvale
