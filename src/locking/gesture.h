// The key-fob and phone gestures played before a delayed lock or unlock.
// Main fibre only; the dictionary wait yields.
#pragma once
#include <cstdint>

#include "host/ticks.h"

namespace tavrel {

// The wait for an animation dictionary or a model to load.
inline constexpr Tick kAssetTimeoutMs = 5000;  // give up on one that never loads
inline constexpr Tick kAssetPollMs = 50;
inline constexpr Tick kAssetRetryMs = 60000;  // after a give-up, no waiting for a minute

// The gesture chosen by Settings.animation, and the pending fob click.
void startRemoteAnimation();
// Fob press on foot (with the prop), a short phone flick in a vehicle.
void playFobAnimation();
// Creates the fob prop once (re-shows it later) and attaches it to the hand.
// False when there is no prop: its model did not load.
bool showFobProp();
// Remembers the selected weapon and selects unarmed.
void holsterWeapon();
void giveBackWeapon(std::uint32_t weapon);
// Requests the dictionary and polls every 50 ms until it is loaded; false
// when it has not loaded within 5 s (the caller skips its clip). After such a
// give-up the dictionary is requested but not waited for during a minute.
// `dictionary` must outlive the plug-in (a string constant): it is kept.
bool ensureAnimDictLoaded(const char* dictionary);
// The same wait for a model, `model` being the hash of `model_name` (the
// game creates no object of a model that is not loaded). `model_name` names
// it among the give-ups and must outlive the plug-in likewise.
bool ensureModelLoaded(const char* model_name, std::uint32_t model);
void resetLoadFailures();

}  // namespace tavrel
