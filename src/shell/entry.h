// The library entry and the plug-in's life cycle as the host drives it.
#pragma once
#include <cstdint>

namespace tavrel {

inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;

// The library entry. On attach registers mainScript, menuThread and the
// keyboard handler with the host; on detach unregisters the script and the
// handler; other reasons do nothing. Calls no native. Always returns 1.
int pluginEntry(void* module, std::uint32_t reason);

// Puts every global record back to its library-load state (static
// initialisation). The Windows DLL gets this from the loader; the simulator
// calls it before each load of the plug-in, and tests between cases.
// REQUIRES: no script fibre of the plug-in is running; the host clock is set.
void resetPluginState();

// Set once an exception has reached the top of a script loop or of the
// keyboard handler: from then on the plug-in does nothing (its loops only
// yield, the handler ignores messages) and the game runs on. Cleared only by
// resetPluginState (a new load).
bool pluginHalted();
void haltPlugin() noexcept;
void resetHalt();

// The two script functions and the keyboard handler (for hosts and tests).
// None lets an exception out into the host.
void mainScript();
void menuThread();
void onKeyboardMessage(std::uint32_t key, std::uint16_t repeats, std::uint8_t scan_code, int is_extended,
                       int is_with_alt, int was_down_before, int is_up_now);

}  // namespace tavrel
