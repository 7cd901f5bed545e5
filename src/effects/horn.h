// The horn the settings choose, fitted to a car as its horn modification:
// at every lock and unlock, and at once when the sound page changes it.
// Main fibre or menu fibre.
#pragma once

namespace tavrel {

// The car's modification slot that holds its horn.
inline constexpr int kHornModSlot = 14;

// Settings.horn_type_index for "Use Current": the car's horn is left alone.
// -1, the stock horn, is fitted like any named one (0 and up).
inline constexpr int kHornUseCurrent = -2;

// Fits horn Settings.horn_type_index to `vehicle`; nothing for "Use Current"
// (or anything below it), for handle 0 or for a car that is gone.
void fitHorn(int vehicle);

}  // namespace tavrel
