#include "effects/neon_colour.h"

#include "config/setting_modes.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

void setNeonColour(const Rgb& colour) {
    invoke(nat::SET_VEHICLE_NEON_COLOUR, runtime.tracked_vehicle, colour.r, colour.g, colour.b);
}

// GET_VEHICLE_NEON_COLOUR and the two custom paint getters share one shape.
using ColourGetter = Native<void(nat::Vehicle, int*, int*, int*)>;

Rgb paintColour(ColourGetter getter) {
    Rgb colour;
    invoke(getter, runtime.tracked_vehicle, &colour.r, &colour.g, &colour.b);
    return colour;
}

// Three draws, taken modulo 256: blue first, then green, then red.
Rgb randomColour() {
    Rgb colour;
    colour.b = host::nextRandom() % 256;
    colour.g = host::nextRandom() % 256;
    colour.r = host::nextRandom() % 256;
    return colour;
}

}  // namespace

void saveNeonSides() {
    const int vehicle = runtime.tracked_vehicle;
    runtime.saved_neon_left = invoke<bool>(nat::GET_VEHICLE_NEON_ENABLED, vehicle, 0);
    runtime.saved_neon_right = invoke<bool>(nat::GET_VEHICLE_NEON_ENABLED, vehicle, 1);
    runtime.saved_neon_front = invoke<bool>(nat::GET_VEHICLE_NEON_ENABLED, vehicle, 2);
    runtime.saved_neon_back = invoke<bool>(nat::GET_VEHICLE_NEON_ENABLED, vehicle, 3);
}

bool isNeonColourDefaultPink() {
    const Rgb colour = paintColour(nat::GET_VEHICLE_NEON_COLOUR);
    return colour.r == 255 && colour.g == 0 && colour.b == 255;
}

void applyNeonDefaultColour() {
    switch (settings.neon_default_color) {
        case kNeonColourPink: setNeonColour(Rgb{255, 0, 255}); break;
        case kNeonColourKeep: break;
        case kNeonColourRandomIfPink:
            if (isNeonColourDefaultPink()) setNeonColour(randomColour());
            break;
        case kNeonColourPrimaryIfPink:
            if (isNeonColourDefaultPink()) setNeonColour(paintColour(nat::GET_VEHICLE_CUSTOM_PRIMARY_COLOUR));
            break;
        case kNeonColourRandom: setNeonColour(randomColour()); break;
        case kNeonColourPrimary: setNeonColour(paintColour(nat::GET_VEHICLE_CUSTOM_PRIMARY_COLOUR)); break;
        case kNeonColourSecondary: setNeonColour(paintColour(nat::GET_VEHICLE_CUSTOM_SECONDARY_COLOUR)); break;
        default: settings.neon_default_color = kNeonColourKeep; break;
    }
}

}  // namespace tavrel
