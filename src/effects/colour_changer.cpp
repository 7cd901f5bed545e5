#include "effects/colour_changer.h"

#include "config/settings.h"

namespace tavrel {

ColourChangerState colourChanger;

namespace {

void stepColour(ColourRgb& current, const ColourRgb& target, std::int32_t step) {
    current.r = stepComponent(current.r, target.r, step);
    current.g = stepComponent(current.g, target.g, step);
    current.b = stepComponent(current.b, target.b, step);
}

}  // namespace

std::int32_t stepComponent(std::int32_t current, std::int32_t target, std::int32_t step) {
    if (current < target) return target - current <= step ? target : current + step;
    if (current > target) return current - target <= step ? target : current - step;
    return current;
}

void stepColours() {
    stepColour(colourChanger.secondary_current, colourChanger.secondary_target,
               settings.color_changer_secondary_color_speed);
    stepColour(colourChanger.primary_current, colourChanger.primary_target, settings.color_changer_primary_color_speed);
}

void resetColourChanger() { colourChanger = ColourChangerState{}; }

}  // namespace tavrel
