#include "effects/colour_changer.h"

#include "config/settings.h"
#include "host/host_abi.h"
#include "host/world_queries.h"
#include "state/runtime_state.h"

namespace tavrel {

ColourChangerState colourChanger;

namespace {

void stepColour(ColourRgb& current, const ColourRgb& target, std::int32_t step) {
    current.r = stepComponent(current.r, target.r, step);
    current.g = stepComponent(current.g, target.g, step);
    current.b = stepComponent(current.b, target.b, step);
}

int drawComponent() { return host::nextRandom() % 256; }

void drawTarget(ColourRgb& target) {
    target.r = drawComponent();
    target.g = drawComponent();
    target.b = drawComponent();
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

void stepColourChanger(Tick now) {
    const int vehicle = runtime.tracked_vehicle;
    if (settings.color_changer_speed_base_value <= 0 || !runtime.color_changer_running || !entityExists(vehicle)) {
        return;
    }
    const int speed = wholeSpeed(invoke<float>(nat::GET_ENTITY_SPEED, vehicle));
    // 64-bit: a large multiplier must not overflow the wait.
    const long long wait = static_cast<long long>(settings.color_changer_speed_base_value) -
                           static_cast<long long>(speed) * settings.vehicle_speed_multiplier_value;
    const Tick due_after = wait > 0 ? static_cast<Tick>(wait) : 0;
    if (!hasElapsed(colourChanger.last_step_time, due_after, now) || speed == 0) return;

    ColourChangerState& cc = colourChanger;
    if (cc.primary_target == ColourRgb{} && cc.secondary_target == ColourRgb{}) {
        drawTarget(cc.primary_target);
        drawTarget(cc.secondary_target);
    }
    if (cc.primary_current == cc.primary_target) drawTarget(cc.primary_target);
    if (cc.secondary_current == cc.secondary_target) drawTarget(cc.secondary_target);
    stepColours();
    const ColourRgb& p = cc.primary_current;
    const ColourRgb& s = cc.secondary_current;
    invoke(nat::SET_VEHICLE_CUSTOM_PRIMARY_COLOUR, vehicle, p.r, p.g, p.b);
    invoke(nat::SET_VEHICLE_CUSTOM_SECONDARY_COLOUR, vehicle, s.r, s.g, s.b);
    invoke(nat::SET_VEHICLE_NEON_COLOUR, vehicle, p.r, p.g, p.b);
    invoke(nat::SET_VEHICLE_TYRE_SMOKE_COLOR, vehicle, s.r, s.g, s.b);
    cc.last_step_time = now;
}

void resetColourChanger() { colourChanger = ColourChangerState{}; }

}  // namespace tavrel
