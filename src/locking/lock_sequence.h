// The lock and unlock actions on the chosen car, and one flash step of the
// notification. Main fibre only; nothing here yields.
#pragma once

namespace tavrel {

// Door lock states given to the game.
inline constexpr int kLockNone = 0;
inline constexpr int kLockLocked = 2;
inline constexpr int kLockKeepInside = 4;  // locked with the occupants kept inside

struct VehicleChoice {
    int vehicle = 0;
    bool inside = false;
};

// The player's last vehicle (when so set), the vehicle the player is in or
// entering, else the nearest eligible vehicle.
VehicleChoice chooseVehicle();
// Nearest driveable car, bike, quad, helicopter, plane, boat or bicycle within
// max_distance_to_vehicle of the player and max_distance_to_vehicle_from_ground
// above the ground below it (no height limit where the game finds no ground);
// ties go to the later vehicle of the world list. 0 if none.
int findNearestVehicle();

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
