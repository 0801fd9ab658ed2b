#include "app/look/coursestate.h"

namespace quorvale {

namespace {

struct StateLook
{
    AdaptiveColor colour;
    Glyph glyph;
};

StateLook look(CourseState state)
{
    switch (state) {
    case CourseState::current:
        return {Appearance::currentGreen, Glyph::bookClosed};
    case CourseState::upcoming:
        return {Appearance::upcomingPurple, Glyph::clock};
    case CourseState::free:
        return {Appearance::freeSlate, Glyph::checkmarkCircle};
    case CourseState::unknown:
        return {Appearance::warningAmber, Glyph::questionmarkCircle};
    case CourseState::failure:
        break;
    }
    return {Appearance::errorRed, Glyph::exclamationmarkTriangle};
}

} // namespace

AdaptiveColor color(CourseState state)
{
    return look(state).colour;
}

Glyph glyph(CourseState state)
{
    return look(state).glyph;
}

} // namespace quorvale
