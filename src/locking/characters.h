// Locked cars resisting entry: the characters scan of the world pass and its
// two reactions. Main fibre only; resistEntry may yield.
#pragma once

namespace tavrel {

inline constexpr int kKnockDownEveryone = 11;  // nearby_peds_value that floors every other character
inline constexpr int kWorldCapacity = 1024;

// Scans every character in the world (only with an unbreakable-lock option on).
void scanCharacters();
// A short unarmed-melee start, then one second of ragdoll.
void resistEntry(int ped);
// Ragdoll for one second.
void knockDown(int ped);

}  // namespace tavrel
