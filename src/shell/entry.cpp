#include "shell/entry.h"

#include "config/settings.h"
#include "effects/colour_changer.h"
#include "host/host_abi.h"
#include "host/recorder.h"
#include "input/input.h"
#include "input/key_state.h"
#include "locking/gesture.h"
#include "menu/menu.h"
#include "state/plugin_halt.h"
#include "state/runtime_state.h"

namespace tavrel {

int pluginEntry(void* module, std::uint32_t reason) {
    if (reason == kProcessAttach) {
        host::scriptRegister(module, mainScript);
        host::scriptRegisterAdditionalThread(module, menuThread);
        host::keyboardHandlerRegister(onKeyboardMessage);
    } else if (reason == kProcessDetach) {
        host::scriptUnregister(module);
        host::keyboardHandlerUnregister(onKeyboardMessage);
        host::endRecording();  // Tavrel.rec
    }
    return 1;
}

void resetPluginState() {
    host::beginRecording();  // first: the load's own host calls are recorded
    resetSettings();
    resetRuntimeState();
    resetKeyStateTable();
    resetColourChanger();
    resetMenuState();
    resetLoadFailures();
    resetHalt();
}

}  // namespace tavrel
