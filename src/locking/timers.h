// The per-frame timer service of the lock sequence. Main fibre only.
#pragma once

#include "host/ticks.h"

namespace tavrel {

inline constexpr Tick kActionDelayInVehicleMs = 500;
inline constexpr Tick kActionDelayOnFootMs = 1000;
inline constexpr Tick kFobSoundDelayMs = 500;
inline constexpr Tick kWeaponBackAfterGestureMs = 130;

// Every frame, in order: prop hide, weapon give-back, fob click, delayed
// unlock and lock, sound signal, lock flashes, unlock flashes, colour changer.
void serviceTimers();

}  // namespace tavrel
