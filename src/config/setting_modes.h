// The values of the settings that choose a mode. The INI file stores these
// integers and the menu shows them with their number ("2. Animation 1"), so
// a value never changes its meaning; a value outside a list is left to each
// user of the setting (most do nothing for it).
#pragma once
#include <cstdint>

namespace tavrel {

// Settings.animation: the gesture the player makes with a request. While it
// plays, the lock or unlock waits for it.
enum GestureKind : std::int32_t {
    kGestureNone = 0,        // no gesture
    kGestureOnFootOnly = 1,  // the key-fob gesture, but none inside a vehicle
    kGesturePhone = 2,       // the phone gesture ("Animation 1")
    kGestureFob = 3,         // the key-fob gesture ("Animation 2")
};

// Settings.engine_on_after_unlocking: the engine after an unlock.
enum EngineMode : std::int32_t {
    kEngineOff = 0,                 // not started by the unlock; off after the flashes
    kEngineOn = 1,                  // started by the unlock and left running
    kEngineDuringNotification = 2,  // running while the flashes last
    kEngineUntilLocked = 3,         // kept running while the car is unlocked
    kEngineAlwaysOn = 4,            // kept running, even through a lock
};

// Settings.headlights_at_movement: the headlights of the tracked car.
enum HeadlightMode : std::int32_t {
    kHeadlightsOff = 0,              // forced off
    kHeadlightsOnceMoved = 1,        // off until the car first moves after the unlock
    kHeadlightsWhileMoving = 2,      // on while moving, off when still
    kHeadlightsNormal = 3,           // the game's own
    kHeadlightsOnAfterUnlock = 4,    // full beam from an unlock from outside
    kHeadlightsAlwaysOn = 5,         // forced on
};

// Settings.interior_lights: the interior light of the tracked car.
enum InteriorLightMode : std::int32_t {
    kInteriorOff = 0,             // always off
    kInteriorOnAtUnlock = 1,      // switched on by the unlock, then the game's own
    kInteriorUntilMoved = 2,      // on after the unlock until the car first moves
    kInteriorWhileStill = 3,      // on while still, off when moving
    kInteriorAlwaysOn = 4,        // always on
};

// Settings.neon_lights: the tracked car's neon sides (without the running
// light of sequential_neon_lights).
enum NeonMode : std::int32_t {
    kNeonOff = 0,
    kNeonOn = 1,
    kNeonOnceMoved = 2,         // off until the car first moves after the unlock
    kNeonWhileMoving = 3,       // on while moving, off when still
    kNeonOffWhenOutside = 4,    // as kNeonOnceMoved, and off while the player is outside
};

// Settings.neon_notification: what the neon does with each flash.
enum NeonNotification : std::int32_t {
    kNeonNotificationOff = 0,
    kNeonNotificationFlashing = 1,   // every side flips
    kNeonNotificationRunning = 2,    // the light runs one side on
};

// Settings.neon_default_color: the neon colour an unlock sets.
enum NeonDefaultColour : std::int32_t {
    kNeonColourPink = 0,                // the game's default pink
    kNeonColourKeep = 1,                // the car's own
    kNeonColourRandomIfPink = 2,
    kNeonColourPrimaryIfPink = 3,
    kNeonColourRandom = 4,
    kNeonColourPrimary = 5,             // the car's primary paint
    kNeonColourSecondary = 6,           // the car's secondary paint
};

// Settings.notification_sound_signal: what sounds after a lock or unlock
// from outside.
enum SoundSignal : std::int32_t {
    kSoundSignalOff = 0,
    kSoundSignalBeep = 1,  // the remote's beep from the car
    kSoundSignalHorn = 2,  // the car's horn
};

}  // namespace tavrel
