#include "shell/entry.h"

#include "config/settings.h"
#include "effects/colour_changer.h"
#include "host/host_abi.h"
#include "locking/gesture.h"
#include "locking/runtime_state.h"
#include "menu/menu.h"
#include "shell/key_state.h"

namespace tavrel {

int pluginEntry(void* module, std::uint32_t reason) {
    if (reason == kProcessAttach) {
        host::scriptRegister(module, mainScript);
        host::scriptRegisterAdditionalThread(module, menuThread);
        host::keyboardHandlerRegister(onKeyboardMessage);
    } else if (reason == kProcessDetach) {
        host::scriptUnregister(module);
        host::keyboardHandlerUnregister(onKeyboardMessage);
    }
    return 1;
}

void resetPluginState() {
    resetSettings();
    resetRuntimeState();
    resetKeyStateTable();
    resetColourChanger();
    resetMenuState();
    resetLoadFailures();
    resetHalt();
}

}  // namespace tavrel
