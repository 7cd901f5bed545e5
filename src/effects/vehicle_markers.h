// Doors, map blip and persistence of a vehicle, applied by the lock and
// unlock sequence. Main fibre only.
#pragma once

namespace tavrel {

inline constexpr int kDoorCount = 8;  // front left, front right, back left, back right, hood, trunk, back1, back2

// Opens the doors chosen by the open_door_* settings on the tracked vehicle.
void openChosenDoors();

// Shuts every door of `vehicle` that stands open by any amount.
void shutOpenDoors(int vehicle, bool instantly);

// On: adds a blip with the sprite of the vehicle's kind, unless it has one.
// Off: removes the vehicle's blip when it has one.
void setVehicleBlip(int vehicle, bool on);

// Marks the vehicle as a mission entity or not; off also releases it.
void setVehiclePersistent(int vehicle, bool on);

// The blip sprite for a vehicle's model kind (426 when no kind matches).
int blipSpriteFor(int vehicle);

}  // namespace tavrel
