#include "effects/vehicle_upkeep.h"

#include <algorithm>

#include "config/setting_modes.h"
#include "config/settings.h"
#include "host/world_queries.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

void setAllNeon(int vehicle, bool on) {
    if (!settings.neon_affects_all_cars) return;
    for (int side = 0; side < 4; ++side) setNeonSide(vehicle, side, on);
}

void setInteriorLight(int vehicle, bool on) { invoke(nat::SET_VEHICLE_INTERIORLIGHT, vehicle, on); }

// Whether the car has moved since the unlock (or since `reset`, which
// forgets it); seeing it move now is remembered.
bool hasMovedSinceUnlock(int vehicle, bool reset) {
    if (reset) runtime.vehicle_has_moved = false;
    if (!isVehicleStopped(vehicle)) runtime.vehicle_has_moved = true;
    return runtime.vehicle_has_moved;
}

}  // namespace

int neonSideAt(int position) {
    constexpr int kSides[4] = {0, 2, 1, 3};
    return kSides[position & 3];
}

void advanceNeonLight(int vehicle, bool backwards) {
    setNeonSide(vehicle, neonSideAt(runtime.neon_position), false);
    runtime.neon_position = (runtime.neon_position + (backwards ? 3 : 1)) % 4;
    setNeonSide(vehicle, neonSideAt(runtime.neon_position), true);
}

void updateHeadlights(bool reset) {
    const int vehicle = runtime.tracked_vehicle;
    switch (settings.headlights_at_movement) {
        case kHeadlightsOff: setHeadlightState(vehicle, kLightsForcedOff); break;
        case kHeadlightsOnceMoved:
            setHeadlightState(vehicle, hasMovedSinceUnlock(vehicle, reset) ? kLightsNormal : kLightsForcedOff);
            break;
        case kHeadlightsWhileMoving:
            setHeadlightState(vehicle, isVehicleStopped(vehicle) ? kLightsForcedOff : kLightsNormal);
            break;
        case kHeadlightsNormal:
            if (reset) setHeadlightState(vehicle, kLightsNormal);
            break;
        case kHeadlightsAlwaysOn: setHeadlightState(vehicle, kLightsForcedOn); break;
        default: break;  // kHeadlightsOnAfterUnlock: set by the unlock from outside
    }
}

void updateInteriorLight(bool reset) {
    const int vehicle = runtime.tracked_vehicle;
    const bool allow_locked = settings.allow_interior_lights_when_outside_locked;
    const bool allowed = (invoke<int>(nat::GET_VEHICLE_DOOR_LOCK_STATUS, vehicle) <= 1 || allow_locked) &&
                         (!runtime.lock_flash_active || allow_locked);
    if (!allowed) {
        setInteriorLight(vehicle, false);
        return;
    }
    switch (settings.interior_lights) {
        case kInteriorOff: setInteriorLight(vehicle, false); break;
        case kInteriorOnAtUnlock:
            if (reset) setInteriorLight(vehicle, true);
            break;
        case kInteriorUntilMoved: setInteriorLight(vehicle, !hasMovedSinceUnlock(vehicle, reset)); break;
        case kInteriorWhileStill: setInteriorLight(vehicle, isVehicleStopped(vehicle)); break;
        case kInteriorAlwaysOn: setInteriorLight(vehicle, true); break;
        default: break;
    }
}

void updateNeon() {
    if (settings.sequential_neon_lights) return;
    if (runtime.flash_in_progress && settings.neon_notification != kNeonNotificationOff) return;
    const int vehicle = runtime.tracked_vehicle;
    const int mode = settings.neon_lights;
    if (mode == kNeonOnceMoved || mode == kNeonOffWhenOutside) {
        if (isVehicleStopped(vehicle)) {
            if (!runtime.neon_move_latch) setAllNeon(vehicle, false);
        } else {
            setAllNeon(vehicle, true);
            runtime.neon_move_latch = true;
        }
    }
    if (mode == kNeonWhileMoving) setAllNeon(vehicle, !isVehicleStopped(vehicle));
    if (mode == kNeonOffWhenOutside) {
        if (isPedInVehicle(runtime.player_ped, vehicle, false)) return;
        setAllNeon(vehicle, false);
    }
    if (mode == kNeonOn) setAllNeon(vehicle, true);
    if (mode == kNeonOff) setAllNeon(vehicle, false);
}

void keepEngineRunning() {
    const int vehicle = runtime.tracked_vehicle;
    const int mode = settings.engine_on_after_unlocking;
    const bool wanted =
        mode == kEngineAlwaysOn ||
        (mode == kEngineUntilLocked && invoke<int>(nat::GET_VEHICLE_DOOR_LOCK_STATUS, vehicle) == 0);  // unlocked
    if (wanted && !invoke<bool>(nat::GET_IS_VEHICLE_ENGINE_RUNNING, vehicle)) setEngine(vehicle, true);
}

void stepSequentialNeon() {
    const Tick now = host::getTickCount();
    // The stamp is a tick, not a float: a float loses milliseconds after a
    // few hours of uptime and the light would run at the wrong pace.
    if (!hasElapsed(runtime.neon_step_time, static_cast<Tick>(runtime.neon_step_interval_ms), now)) return;
    const int vehicle = runtime.tracked_vehicle;
    float speed = 0.0f;
    float forward = 0.0f;
    if (vehicle != 0 && entityExists(vehicle)) {
        speed = invoke<float>(nat::GET_ENTITY_SPEED, vehicle);
        forward = invoke<Vector3>(nat::GET_ENTITY_SPEED_VECTOR, vehicle, true).y;
    }
    const int whole_kmh = wholeSpeed(speed) * 3600 / 1000;
    runtime.neon_step_interval_ms = static_cast<float>(std::max(0, 500 - 3 * whole_kmh));
    advanceNeonLight(vehicle, forward < 0.0f);
    runtime.neon_step_time = now;
}

}  // namespace tavrel
