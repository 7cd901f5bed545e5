// Script and keyboard-handler registration of the host ABI. The plug-in's
// load and unload are the build's: plugin_loader.cpp (linked in) or
// windows/plugin_loader_windows.cpp (the .asi file).
#include <algorithm>

#include "sim/protocol/simulator.h"

namespace tavrel::sim {

void Simulator::hostScriptRegister(void* module, host::ScriptMain script, bool main) {
    if (script == nullptr) {
        recordFault(0, "script registered without a function");
        return;
    }
    fibres_.add(module, script, main);
    if (std::find(registered_modules_.begin(), registered_modules_.end(), module) == registered_modules_.end()) {
        registered_modules_.push_back(module);
    }
}

void Simulator::hostScriptUnregister(void* module) {
    std::erase(registered_modules_, module);
    if (FibreScheduler::currentFibre() != nullptr) {
        // A fibre cannot join itself: its scripts end after this frame.
        deferred_unregisters_.push_back(module);
        return;
    }
    fibres_.stop(module);
}

void Simulator::processDeferredUnregisters() {
    for (void* module : deferred_unregisters_) fibres_.stop(module);
    deferred_unregisters_.clear();
}

void Simulator::hostScriptWait(std::uint32_t ms) {
    if (!fibres_.wait(ms, frame_, now())) recordFault(0, "scriptWait outside a script fibre");
}

void Simulator::hostKeyboardRegister(host::KeyboardHandler handler) {
    if (handler != nullptr) keyboard_handlers_.push_back(handler);
}

void Simulator::hostKeyboardUnregister(host::KeyboardHandler handler) { std::erase(keyboard_handlers_, handler); }

void Simulator::afterDetach() {
    // The library is gone after detach: whatever it left registered would
    // call into unmapped code in the game.
    if (!keyboard_handlers_.empty()) recordFault(0, "keyboard handler still registered after process detach");
    if (std::find(registered_modules_.begin(), registered_modules_.end(), module_) != registered_modules_.end()) {
        recordFault(0, "scripts still registered after process detach");
        std::erase(registered_modules_, module_);
    }
    keyboard_handlers_.clear();
    fibres_.stop(module_);
    // Audio flags belong to the script that set them: they end with it.
    world_.audio_flags.clear();
    world_.mp_audio = false;
    started_ = false;
}

}  // namespace tavrel::sim
