// The library entry and the plug-in's life cycle as the host drives it.
#pragma once
#include <cstdint>

namespace tavrel {

inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;

// The library entry. On attach registers mainScript, menuThread and the
// keyboard handler with the host; on detach unregisters the script and the
// handler and ends the log with "unloaded", unless the whole process is
// ending (the system tears it down: no file work then); other reasons do
// nothing. Calls no native. Always returns 1.
int pluginEntry(void* module, std::uint32_t reason, bool process_ending = false);

// Puts every global record back to its library-load state (static
// initialisation). The Windows DLL gets this from the loader; the simulator
// calls it before each load of the plug-in, and tests between cases.
// REQUIRES: no script fibre of the plug-in is running; the host clock is set.
void resetPluginState();

// The two script functions (for hosts and tests); the keyboard handler,
// onKeyboardMessage, is input's (input/input.h). None lets an exception out
// into the host.
void mainScript();
void menuThread();

}  // namespace tavrel
