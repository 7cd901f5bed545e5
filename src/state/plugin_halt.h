// The plug-in's halt: set once an exception has reached the top of a script
// loop or of the keyboard handler. From then on the plug-in does nothing (its
// loops only yield, the handler ignores messages) and the game runs on.
// Cleared only by a new load (resetPluginState).
//
// Thread safety: written by either script fibre or the keyboard handler on
// the window thread, read by all three. The first halt's site and message
// are kept; takeHaltReport is for the script fibres only.
#pragma once
#include <cstdint>

namespace tavrel {

// Where the exception was caught.
enum class HaltSite : std::uint8_t { MainScript, MenuThread, KeyboardHandler };

inline constexpr int kHaltMessageSize = 200;  // longer messages are cut

bool pluginHalted();
// Stops the plug-in. The first call of a load keeps `site` and a copy of
// `message` (null: none) for takeHaltReport.
void haltPlugin(HaltSite site, const char* message) noexcept;
void resetHalt();

// The message of the exception being handled: what() of a std::exception,
// else a fixed text. Call only inside a catch block.
const char* currentExceptionMessage() noexcept;

// Once per load, after the halt: its site and message. False before the
// halt and after the first true.
bool takeHaltReport(HaltSite& site, const char*& message);

}  // namespace tavrel
