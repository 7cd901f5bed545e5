// Neon sides saved around a notification, and the neon colour rule applied
// at unlock. Both act on RuntimeState.tracked_vehicle without an existence
// test (the host ignores handle 0). Main fibre (unlock) or menu fibre.
#pragma once

namespace tavrel {

// Stores which of the sides 0 left, 1 right, 2 front, 3 back are lit.
void saveNeonSides();

// The tracked car's neon colour is exactly (255, 0, 255).
bool isNeonColourDefaultPink();

// Sets the neon colour by Settings.neon_default_color (0 ... 6); any other
// rule becomes 1 ("Use Current") in memory.
void applyNeonDefaultColour();

}  // namespace tavrel
