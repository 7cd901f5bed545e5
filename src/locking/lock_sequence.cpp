#include "locking/lock_sequence.h"

#include "config/setting_modes.h"
#include "config/settings.h"
#include "effects/horn.h"
#include "effects/neon_colour.h"
#include "effects/radio.h"
#include "effects/vehicle_markers.h"
#include "effects/vehicle_upkeep.h"
#include "host/world_queries.h"
#include "locking/characters.h"
#include "locking/request_log.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

int vehicleHandles[kWorldCapacity];  // reused by every search: no allocation

bool modelIs(Native<nat::BOOL(nat::Hash)> test, std::uint32_t model) { return invoke<bool>(test, model); }

// A driveable vehicle of a kind the remote may choose, with its kind; Other
// when it is none.
ModelKind eligibleKind(int vehicle) {
    if (!invoke<bool>(nat::IS_VEHICLE_DRIVEABLE, vehicle, false)) return ModelKind::Other;
    return modelKindOf(entityModel(vehicle));
}

// Motorbikes, boats, quads and bicycles cannot keep their occupants inside.
bool canKeepOccupantsInside(int vehicle) {
    const std::uint32_t model = entityModel(vehicle);
    return !modelIs(nat::IS_THIS_MODEL_A_BIKE, model) && !modelIs(nat::IS_THIS_MODEL_A_BOAT, model) &&
           !modelIs(nat::IS_THIS_MODEL_A_QUADBIKE, model) && !modelIs(nat::IS_THIS_MODEL_A_BICYCLE, model);
}

// Within the height limit above the ground found below it. A boat is exempt:
// afloat, the ground below it is the seabed, however deep the water.
bool withinHeightLimit(int vehicle, float height, float limit) {
    if (height <= limit && height >= 0.0f) return true;
    return modelIs(nat::IS_THIS_MODEL_A_BOAT, entityModel(vehicle));
}

// Asks whether the seat is free first: asking who sits in an empty seat of
// an ambient car makes the game seat a stranger there.
bool seatTaken(int vehicle, int seat) {
    if (invoke<bool>(nat::IS_VEHICLE_SEAT_FREE, vehicle, seat, false)) return false;
    const int ped = invoke<int>(nat::GET_PED_IN_VEHICLE_SEAT, vehicle, seat, false);
    return entityExists(ped);
}

struct ActionTarget {
    int vehicle = 0;  // 0: no car qualifies, and nothing was changed
    // A flash series is still running on this very car: its neon shows the
    // series' blinking, not the car's own sides, which are saved already.
    bool series_running = false;
};

// What the lock and the unlock do first: choose the car (and log the
// choice), cut short a running flash series, note whether the player acts
// from inside, take the blip and persistence off the car tracked so far when
// another one is chosen, then track the chosen car and give it the horn, the
// radio and the markers the settings ask for. With no car in range nothing
// changes: the tracked car keeps its blip and persistence, and a running
// signal goes on.
ActionTarget beginAction(bool is_lock) {
    const VehicleChoice choice = chooseVehicle();
    logChoice(is_lock, choice);
    if (choice.vehicle == 0) return {};
    runtime.lock_flashes_left = 0;
    runtime.unlock_flashes_left = 0;
    if (!is_lock) {
        runtime.vehicle_has_moved = false;
        runtime.neon_move_latch = false;
    }
    (is_lock ? runtime.locked_from_inside : runtime.unlocked_from_inside) = choice.inside;
    const bool series_running = runtime.flash_in_progress && choice.vehicle == runtime.tracked_vehicle;

    if (choice.vehicle != runtime.tracked_vehicle) {
        const int old = runtime.tracked_vehicle;
        if (settings.current_player_vehicle_blip || runtime.vehicle_blip_applied) setVehicleBlip(old, false);
        if (settings.current_player_vehicle_persistent || runtime.vehicle_persistent_applied) {
            setVehiclePersistent(old, false);
        }
    }
    runtime.tracked_vehicle = choice.vehicle;
    const int vehicle = choice.vehicle;

    invoke(nat::SET_VEHICLE_MOD_KIT, vehicle, 0);
    fitHorn(vehicle);
    applyRadioStation();
    applyLoudRadio();
    applyVehicleMarkers();
    return {vehicle, series_running};
}

}  // namespace

ModelKind modelKindOf(std::uint32_t model) {
    constexpr struct {
        Native<nat::BOOL(nat::Hash)> test;
        ModelKind kind;
    } kTests[] = {
        {nat::IS_THIS_MODEL_A_CAR, ModelKind::Car},     {nat::IS_THIS_MODEL_A_BIKE, ModelKind::Bike},
        {nat::IS_THIS_MODEL_A_QUADBIKE, ModelKind::Quad}, {nat::IS_THIS_MODEL_A_HELI, ModelKind::Heli},
        {nat::IS_THIS_MODEL_A_PLANE, ModelKind::Plane}, {nat::IS_THIS_MODEL_A_BOAT, ModelKind::Boat},
        {nat::IS_THIS_MODEL_A_BICYCLE, ModelKind::Bicycle},
    };
    for (const auto& t : kTests) {
        if (modelIs(t.test, model)) return t.kind;
    }
    return ModelKind::Other;
}

VehicleChoice chooseVehicle() {
    const int player = runtime.player_ped;
    if (settings.use_players_last_vehicle) {
        const int vehicle = invoke<int>(nat::GET_PLAYERS_LAST_VEHICLE);
        return {vehicle, isPedInVehicle(player, vehicle, true), ChoiceWay::LastVehicle, {}};
    }
    if (isPedInAnyVehicle(player, true)) {
        return {invoke<int>(nat::GET_VEHICLE_PED_IS_IN, player, true), true, ChoiceWay::Inside, {}};
    }
    // Tugging at a locked door the player is not in the car yet (the door
    // stays shut): the unlock is one from outside, of that car, not of the
    // nearest one, which may be the car parked beside it.
    if (invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, player)) {
        const int vehicle = invoke<int>(nat::GET_VEHICLE_PED_IS_TRYING_TO_ENTER, player);
        if (entityExists(vehicle)) return {vehicle, false, ChoiceWay::LockedDoor, {}};
    }
    const NearestSearch search = searchNearestVehicle();
    return {search.vehicle, false, ChoiceWay::Nearest, search};
}

int findNearestVehicle() { return searchNearestVehicle().vehicle; }

NearestSearch searchNearestVehicle() {
    NearestSearch search;
    float best = static_cast<float>(settings.max_distance_to_vehicle);
    const float limit = static_cast<float>(settings.max_distance_to_vehicle_from_ground);
    const Vector3 player_at = invoke<Vector3>(nat::GET_ENTITY_COORDS, runtime.player_ped, true);
    const int count = host::worldGetAllVehicles(vehicleHandles, kWorldCapacity);
    for (int i = 0; i < count && i < kWorldCapacity; ++i) {
        const int vehicle = vehicleHandles[i];
        if (vehicle == 0 || !entityExists(vehicle)) continue;
        const Vector3 at = invoke<Vector3>(nat::GET_ENTITY_COORDS, vehicle, true);
        const float distance = distanceBetween(player_at, at);
        float ground = 0.0f;
        // No ground found (not loaded, out of the map): no height test, rather
        // than a height measured to 0, which would drop every car up a hill.
        const bool has_ground = invoke<bool>(nat::GET_GROUND_Z_FOR_3D_COORD, at.x, at.y, at.z, &ground, false, false);
        const float height = has_ground ? distanceBetween(at, Vector3{at.x, at.y, ground}) : 0.0f;
        ++search.vehicles_seen;
        if (search.nearest < 0.0f || distance < search.nearest) search.nearest = distance;
        const bool near = distance <= best;
        const bool level = near && withinHeightLimit(vehicle, height, limit);
        const ModelKind kind = level ? eligibleKind(vehicle) : ModelKind::Other;
        if (kind != ModelKind::Other) {
            search.vehicle = vehicle;
            search.distance = distance;
            search.kind = kind;
            best = distance;
        } else if (near && (search.rejected < 0.0f || distance < search.rejected)) {
            search.rejected = distance;
            search.rejected_why = level ? NotTaken::NotEligible : NotTaken::TooHigh;
        }
    }
    return search;
}

void applyVehicleMarkers() {
    const int vehicle = runtime.tracked_vehicle;
    if (settings.current_player_vehicle_blip) {
        setVehicleBlip(vehicle, true);
    } else if (runtime.vehicle_blip_applied) {
        setVehicleBlip(vehicle, false);
        runtime.vehicle_blip_applied = false;
    }
    if (settings.current_player_vehicle_persistent && entityExists(vehicle)) {
        invoke(nat::SET_ENTITY_AS_MISSION_ENTITY, vehicle, true, true);
    } else if (runtime.vehicle_persistent_applied) {
        setVehiclePersistent(vehicle, false);
        runtime.vehicle_persistent_applied = false;
    }
}

void lockVehicle() {
    const ActionTarget target = beginAction(true);
    const int vehicle = target.vehicle;
    if (vehicle == 0) return;
    const bool from_inside = runtime.locked_from_inside;
    if (settings.roll_up_windows_upon_lock) {
        for (int window = 0; window < 4; ++window) invoke(nat::ROLL_UP_WINDOW, vehicle, window);
    }
    if (!settings.headlights_when_locking && !from_inside) setHeadlightState(vehicle, kLightsForcedOff);
    if (!isPedInVehicle(runtime.player_ped, vehicle, true)) {
        if (settings.alter_roof_on_convertibles && invoke<bool>(nat::IS_VEHICLE_A_CONVERTIBLE, vehicle, false)) {
            invoke(nat::RAISE_CONVERTIBLE_ROOF, vehicle, false);
        }
        invoke(nat::SET_VEHICLE_ALARM, vehicle, true);
        if (settings.engine_on_after_unlocking != kEngineAlwaysOn) setEngine(vehicle, false);
    }
    invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, kLockLocked);
    if (canKeepOccupantsInside(vehicle) && !settings.can_leave_while_locked) {
        invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, kLockKeepInside);
    }
    shutOpenDoors(vehicle, settings.shut_doors_instantly);
    if (settings.color_change_can_pause) runtime.color_changer_running = false;
    if (!target.series_running) saveNeonSides();
    if (settings.notification_sound_signal != kSoundSignalOff && !from_inside) {
        runtime.notification_sounds_left = settings.notification_sound_times_when_locking;
        runtime.notification_is_lock = true;
    }
    if (settings.light_notification) {
        if (!from_inside) setEngine(vehicle, true);  // so the lights can flash
        runtime.lock_flashes_left = settings.number_of_lock_flashes;
        if (runtime.lock_flashes_left == 0) runtime.lock_flash_active = true;
        runtime.unlock_flashes_left = 0;
    } else {
        runtime.lock_flash_active = true;
    }
}

void unlockVehicle() {
    const ActionTarget target = beginAction(false);
    const int vehicle = target.vehicle;
    if (vehicle == 0) return;
    invoke(nat::SET_VEHICLE_ALARM, runtime.tracked_vehicle, false);
    if (settings.make_vehicle_belong_to_player && !seatTaken(vehicle, -1) && !seatTaken(vehicle, 0)) {
        invoke(nat::SET_VEHICLE_HAS_BEEN_OWNED_BY_PLAYER, vehicle, true);
    }
    invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, kLockNone);
    if (settings.alter_roof_on_convertibles && !isPedInVehicle(runtime.player_ped, vehicle, true) &&
        invoke<bool>(nat::IS_VEHICLE_A_CONVERTIBLE, vehicle, false)) {
        invoke(nat::LOWER_CONVERTIBLE_ROOF, vehicle, false);
    }
    if (settings.open_doors_at_unlock_while_inside || !runtime.unlocked_from_inside) openChosenDoors();
    if (settings.roll_down_windows_upon_unlock) invoke(nat::ROLL_DOWN_WINDOWS, vehicle);
    if (settings.set_plate_text_on == 1) {
        invoke(nat::SET_VEHICLE_NUMBER_PLATE_TEXT, vehicle, settings.set_vehicle_license_plate_text);
    }
    if (!isPedInVehicle(runtime.player_ped, vehicle, true)) {
        runtime.notification_sounds_left = settings.notification_sound_times_when_unlocking;
        runtime.notification_is_lock = false;
    }
    if (settings.engine_on_after_unlocking != kEngineOff) setEngine(vehicle, true);
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, vehicle, static_cast<float>(settings.light_multiplier));
    if (settings.headlights_at_movement == kHeadlightsOnAfterUnlock && !runtime.unlocked_from_inside) {
        setHeadlightState(vehicle, kLightsNormal);
        invoke(nat::SET_VEHICLE_FULLBEAM, vehicle, true);
    }
    if (settings.interior_lights == kInteriorOnAtUnlock) invoke(nat::SET_VEHICLE_INTERIORLIGHT, vehicle, true);
    applyNeonDefaultColour();
    updateNeon();
    if (!target.series_running) saveNeonSides();
    runtime.color_changer_running = true;
    if (settings.light_notification) {
        runtime.unlock_flashes_left = settings.number_of_unlock_flashes;
        runtime.lock_flashes_left = 0;
        if (runtime.unlock_flashes_left != 0) return;
    }
    runtime.unlock_flash_active = true;
}

void setSignalLights(int vehicle, bool on) {
    invoke(nat::SET_VEHICLE_BRAKE_LIGHTS, vehicle, on);
    invoke(nat::SET_VEHICLE_INDICATOR_LIGHTS, vehicle, 1, on);
    invoke(nat::SET_VEHICLE_INDICATOR_LIGHTS, vehicle, 0, on);
}

void flashStep(bool on, bool is_lock) {
    const int vehicle = runtime.tracked_vehicle;
    setSignalLights(vehicle, on);
    if (!on) return;
    if (settings.neon_notification == kNeonNotificationFlashing) {
        bool lit[4];
        for (int side = 0; side < 4; ++side) lit[side] = invoke<bool>(nat::GET_VEHICLE_NEON_ENABLED, vehicle, side);
        for (int side = 0; side < 4; ++side) setNeonSide(vehicle, side, !lit[side]);
    } else if (settings.neon_notification == kNeonNotificationRunning) {
        const bool backwards = is_lock || invoke<Vector3>(nat::GET_ENTITY_SPEED_VECTOR, vehicle, true).y < 0.0f;
        advanceNeonLight(vehicle, backwards);
    }
}

}  // namespace tavrel
