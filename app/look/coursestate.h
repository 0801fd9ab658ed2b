#pragma once

#include "app/look/appearance.h"
#include "app/look/glyph.h"

// The kind of answer shown for a moment, with its status colour and badge glyph.
namespace quorvale {

enum class CourseState
{
    current,
    upcoming,
    free,
    unknown,
    failure,
};

AdaptiveColor color(CourseState state);
Glyph glyph(CourseState state);

} // namespace quorvale
