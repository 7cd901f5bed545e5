// The main script's per-frame work. Runs only on the main script fibre.
#pragma once

namespace tavrel {

inline constexpr unsigned kWorldPassIntervalMs = 300;

// Once per frame: start-up notice, wait while the player is dead or being
// arrested, hotkeys, timers, world pass. May yield inside.
void lockingTick();

// The lock and unlock hotkeys and combinations. Yields once when a request
// was seen; returns at once (no yield, no stamp) when none was.
void serveHotkeys();

// Posts the start-up notification once per load, when no loading screen
// shows; after it, when the load put back TavrelConfig.ini (iniRecovery), a
// notification that says so.
void showStartupNotice();

}  // namespace tavrel
