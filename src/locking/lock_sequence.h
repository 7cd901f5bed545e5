// The lock and unlock actions on the chosen car, and one flash step of the
// notification. Main fibre only; nothing here yields.
#pragma once
#include <cstdint>

namespace tavrel {

// Door lock states given to the game.
inline constexpr int kLockNone = 0;
inline constexpr int kLockLocked = 2;
inline constexpr int kLockKeepInside = 4;  // locked with the occupants kept inside

// A vehicle model's kind, by the game's model tests in this order (the
// first that holds); Other: none holds (or, in a search, not driveable).
enum class ModelKind : std::uint8_t { Other, Car, Bike, Quad, Heli, Plane, Boat, Bicycle };

// Why the nearest vehicle within reach was not taken, when none was.
enum class NotTaken : std::uint8_t { Nothing, TooHigh, NotEligible };

// What the nearest-vehicle search saw (for the log; no extra native).
struct NearestSearch {
    int vehicle = 0;             // 0 if none qualifies
    float distance = 0.0f;       // of `vehicle`
    ModelKind kind = ModelKind::Other;  // of `vehicle`
    int vehicles_seen = 0;       // existing vehicles of the world list
    float nearest = -1.0f;       // the nearest existing vehicle's distance (-1: none)
    float rejected = -1.0f;      // the nearest one within reach not taken (-1: none)
    NotTaken rejected_why = NotTaken::Nothing;
};

// LockedDoor: the car at whose locked door the player tugs.
enum class ChoiceWay : std::uint8_t { LastVehicle, Inside, LockedDoor, Nearest };

struct VehicleChoice {
    int vehicle = 0;
    bool inside = false;
    ChoiceWay way = ChoiceWay::Nearest;
    NearestSearch search;  // with way Nearest
};

// The player's last vehicle (when so set), the vehicle the player is in or
// climbing into, the one at whose locked door the player tugs, else the
// nearest eligible vehicle.
VehicleChoice chooseVehicle();
// Nearest driveable car, bike, quad, helicopter, plane, boat or bicycle within
// max_distance_to_vehicle of the player and max_distance_to_vehicle_from_ground
// above the ground below it (no height limit where the game finds no ground);
// ties go to the later vehicle of the world list. 0 if none.
int findNearestVehicle();
NearestSearch searchNearestVehicle();

// The kind of a model, by the game's tests (stops at the first that holds).
ModelKind modelKindOf(std::uint32_t model);

// Lock or unlock the chosen car; without one (no car qualifies) they do
// nothing at all.
void lockVehicle();
void unlockVehicle();

// Blip and persistence on the tracked vehicle, or off when switched off.
void applyVehicleMarkers();

// Brake lights, then indicators 1 and 0, on or off.
void setSignalLights(int vehicle, bool on);

// Brake lights and both indicators on or off, with the neon signal.
void flashStep(bool on, bool is_lock);

}  // namespace tavrel
