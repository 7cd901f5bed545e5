// The colour changer: the tracked car's custom paint drifts towards random
// targets, one bounded step at a time. Main fibre only.
#pragma once
#include <cstdint>

#include "host/ticks.h"

namespace tavrel {

struct ColourRgb {
    std::int32_t r = 0;
    std::int32_t g = 0;
    std::int32_t b = 0;
    friend bool operator==(const ColourRgb&, const ColourRgb&) = default;
};

struct ColourChangerState {
    ColourRgb primary_target;
    ColourRgb secondary_target;
    ColourRgb primary_current;  // never read back from the car: starts black
    ColourRgb secondary_current;
    Tick last_step_time = 0;
};

extern ColourChangerState colourChanger;

// Moves the secondary, then the primary colour towards its target by at most
// the colour speed settings per component; lands exactly on the target.
void stepColours();

// Moves one component towards its target by at most `step`.
std::int32_t stepComponent(std::int32_t current, std::int32_t target, std::int32_t step);

// Every frame: once its wait has passed, the running colour changer moves the
// tracked car's paint one step towards its targets (new random targets where
// a colour has arrived) and shows it on the paint, neon and tyre smoke. The
// wait is color_changer_speed_base_value less the car's whole speed in m/s
// times vehicle_speed_multiplier_value; a car standing still keeps its colour.
void stepColourChanger(Tick now);

void resetColourChanger();

}  // namespace tavrel
