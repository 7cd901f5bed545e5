#include "shell/entry.h"

#include "config/settings.h"
#include "effects/colour_changer.h"
#include "host/host_abi.h"
#include "input/input.h"
#include "input/key_state.h"
#include "locking/gesture.h"
#include "locking/request_log.h"
#include "menu/menu.h"
#include "state/plugin_halt.h"
#include "state/plugin_log.h"
#include "state/runtime_state.h"

namespace tavrel {

int pluginEntry(void* module, std::uint32_t reason, bool process_ending) {
    if (reason == kProcessAttach) {
        host::scriptRegister(module, mainScript);
        host::scriptRegisterAdditionalThread(module, menuThread);
        host::keyboardHandlerRegister(onKeyboardMessage);
    } else if (reason == kProcessDetach) {
        host::scriptUnregister(module);
        host::keyboardHandlerUnregister(onKeyboardMessage);
        if (!process_ending) {
            LogLine() << "unloaded";
            flushLog();
        }
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
    resetLog();
    resetRequestLog();
}

}  // namespace tavrel
