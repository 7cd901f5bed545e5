#include "locking/request_log.h"

#include "config/settings.h"
#include "host/world_queries.h"
#include "input/input.h"
#include "state/plugin_log.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

// Per hotkey (0 lock, 1 unlock): the press a request was served for, and the
// last press told as refused.
Tick served_press[2] = {};
Tick told_press[2] = {};

const char* kindName(ModelKind kind) {
    switch (kind) {
        case ModelKind::Car: return "car";
        case ModelKind::Bike: return "bike";
        case ModelKind::Quad: return "quad";
        case ModelKind::Heli: return "heli";
        case ModelKind::Plane: return "plane";
        case ModelKind::Boat: return "boat";
        case ModelKind::Bicycle: return "bicycle";
        case ModelKind::Other: break;
    }
    return "other";
}

const char* actionName(bool lock) { return lock ? "lock" : "unlock"; }

// "lock request by key L (0x4C) + CONTROL (0x11)" and the like.
void requestHead(LogLine& line, bool lock, bool combo) {
    line << actionName(lock) << " request by ";
    if (combo) {
        line << "controller combination " << (lock ? settings.controller_lock_1_of_2 : settings.controller_unlock_1_of_2)
             << " + " << (lock ? settings.controller_lock_2_of_2 : settings.controller_unlock_2_of_2);
        return;
    }
    const HotkeyKeys keys = hotkeyKeys(lock);
    line << (keys.second == -1 ? "key " : "keys ") << LogKey{keys.first};
    if (keys.second != -1) line << " + " << LogKey{keys.second};
}

// Distance from the player to a vehicle the search did not measure.
float distanceToPlayer(int vehicle) {
    // The player's position first: two reads as arguments of one call would
    // be made in whatever order the compiler picks.
    const Vector3 player = invoke<Vector3>(nat::GET_ENTITY_COORDS, runtime.player_ped, true);
    const Vector3 car = invoke<Vector3>(nat::GET_ENTITY_COORDS, vehicle, true);
    return distanceBetween(player, car);
}

void tellNoCar(LogLine& line, const VehicleChoice& choice) {
    if (choice.way == ChoiceWay::LastVehicle) {
        line << "the player has no last vehicle";
        return;
    }
    if (choice.way == ChoiceWay::Inside) {
        line << "the game gave no vehicle for the one the player is in";
        return;
    }
    const NearestSearch& s = choice.search;
    line << "no car within " << settings.max_distance_to_vehicle << " m";
    if (s.vehicles_seen == 0) {
        line << " (no vehicle around at all)";
    } else if (s.rejected < 0.0f) {
        line << " (the nearest vehicle is " << LogFixed{s.nearest, 1} << " m away)";
    } else {
        line << " can be taken (the nearest within reach, " << LogFixed{s.rejected, 1} << " m away, ";
        if (s.rejected_why == NotTaken::TooHigh) {
            line << "is more than " << settings.max_distance_to_vehicle_from_ground << " m above the ground)";
        } else {
            line << "is not driveable or not a car, bike, quad, heli, plane, boat or bicycle)";
        }
    }
}

}  // namespace

void logRequest(bool lock, bool combo, const char* outcome) {
    if (!logOn()) return;
    {
        LogLine line;
        requestHead(line, lock, combo);
        line << ": " << outcome;
    }
    flushLog();
}

void logChoice(bool lock, const VehicleChoice& choice) {
    if (!logOn()) return;
    {
        LogLine line;
        line << actionName(lock);
        if (choice.vehicle == 0) {
            line << ": nothing done, ";
            tellNoCar(line, choice);
        } else if (choice.way == ChoiceWay::Nearest) {
            line << " vehicle " << choice.vehicle << ": the nearest, " << kindName(choice.search.kind) << ", "
                 << LogFixed{choice.search.distance, 1} << " m away";
        } else if (!entityExists(choice.vehicle)) {
            line << " vehicle " << choice.vehicle << ": "
                 << (choice.way == ChoiceWay::Inside ? "the one the player is in" : "the player's last vehicle")
                 << ", gone from the world";
        } else {
            const ModelKind kind = modelKindOf(entityModel(choice.vehicle));
            line << " vehicle " << choice.vehicle << ": ";
            if (choice.way == ChoiceWay::Inside) {
                line << "the one the player is in, " << kindName(kind);
            } else if (choice.way == ChoiceWay::LockedDoor) {
                line << "the one at whose locked door the player tugs, " << kindName(kind) << ", "
                     << LogFixed{distanceToPlayer(choice.vehicle), 1} << " m away";
            } else {
                line << "the player's last vehicle, " << kindName(kind) << ", "
                     << LogFixed{distanceToPlayer(choice.vehicle), 1} << " m away"
                     << (choice.inside ? ", the player inside" : "");
            }
        }
    }
    flushLog();
}

void noteServedPress(bool lock) {
    if (!logOn()) return;
    served_press[lock ? 0 : 1] = hotkeyPressTick(lock);
}

void noteRefusedPresses(const char* reason) {
    if (!logOn()) return;
    bool told = false;
    for (const bool lock : {true, false}) {
        const Tick press = hotkeyPressTick(lock);
        Tick& last = told_press[lock ? 0 : 1];
        if (press == 0 || press == served_press[lock ? 0 : 1] || press == last) continue;
        last = press;
        LogLine line;
        requestHead(line, lock, false);
        line << ": refused, " << reason;
        told = true;
    }
    if (told) flushLog();
}

void resetRequestLog() {
    for (Tick& t : served_press) t = 0;
    for (Tick& t : told_press) t = 0;
}

}  // namespace tavrel
