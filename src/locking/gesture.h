// The key-fob and phone gestures played before a delayed lock or unlock.
// Main fibre only; the dictionary wait yields.
#pragma once
#include <cstdint>

#include "host/ticks.h"

namespace tavrel {

inline constexpr Tick kAnimDictTimeoutMs = 5000;  // give up on a dictionary that never loads
inline constexpr Tick kAnimDictPollMs = 50;
inline constexpr Tick kAnimDictRetryMs = 60000;  // after a give-up, no waiting for a minute

// The gesture chosen by Settings.animation, and the pending fob click.
void startRemoteAnimation();
// Fob press on foot (with the prop), a short phone flick in a vehicle.
void playFobAnimation();
// Creates the fob prop once (re-shows it later) and attaches it to the hand.
void showFobProp();
// Remembers the selected weapon and selects unarmed.
void holsterWeapon();
void giveBackWeapon(std::uint32_t weapon);
// Requests the dictionary and polls every 50 ms until it is loaded; false
// when it has not loaded within 5 s (the caller skips its clip). After such a
// give-up the dictionary is requested but not waited for during a minute.
// `dictionary` must outlive the plug-in (a string constant): it is kept.
bool ensureAnimDictLoaded(const char* dictionary);
void resetAnimDictFailures();

}  // namespace tavrel
