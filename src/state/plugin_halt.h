// The plug-in's halt: set once an exception has reached the top of a script
// loop or of the keyboard handler. From then on the plug-in does nothing (its
// loops only yield, the handler ignores messages) and the game runs on.
// Cleared only by a new load (resetPluginState).
//
// Thread safety: written by either script fibre or the keyboard handler on
// the window thread, read by all three.
#pragma once

namespace tavrel {

bool pluginHalted();
void haltPlugin() noexcept;
void resetHalt();

}  // namespace tavrel
