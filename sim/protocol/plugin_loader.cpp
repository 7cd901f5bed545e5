// The plug-in's load and unload when it is linked into the simulator: its
// records are put back to their library-load state and its entry is called
// as the loader would.
#include "config/settings.h"
#include "shell/entry.h"
#include "state/runtime_state.h"
#include "sim/protocol/simulator.h"

namespace tavrel::sim {

namespace {
// Stands in for the plug-in's module handle.
char pluginModule;
}  // namespace

void Simulator::start() {
    if (started_) return;
    module_ = &pluginModule;
    tavrel::resetPluginState();
    tavrel::pluginEntry(module_, tavrel::kProcessAttach);
    started_ = true;
    runFrame();
}

void Simulator::unload() {
    if (!started_) return;
    tavrel::pluginEntry(module_, tavrel::kProcessDetach);
    afterDetach();
}

const Settings& pluginSettings() { return tavrel::settings; }

const RuntimeState& pluginRuntime() { return tavrel::runtime; }

}  // namespace tavrel::sim
