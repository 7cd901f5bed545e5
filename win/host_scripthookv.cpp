// The Windows binding: DllMain and the host ABI over the ScriptHookV exports.
//
// ScriptHookV.dll exports C++ functions under their MSVC-decorated names, so
// they are looked up by those names at process attach, once, and called
// through plain function pointers. If the script hook is not in the process
// or any export is missing, the library stays loaded but inert: nothing is
// registered on attach and nothing unregistered on detach.
//
// Threading: DllMain runs under the loader lock and only sets the records to
// their load state, resolves exports and calls pluginEntry (which registers,
// calls no native). The keyboard
// trampoline runs on the game's window thread; every other function here is
// called from the script fibres.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "host/host_abi.h"
#include "shell/entry.h"

namespace {

// The host's own types, as its decorated names spell them.
using HostScriptMain = void (*)();
using HostKeyboardHandler = void (*)(DWORD key, WORD repeats, BYTE scan_code, BOOL is_extended, BOOL is_with_alt,
                                     BOOL was_down_before, BOOL is_up_now);

struct ScriptHookExports {
    void (*script_register)(HINSTANCE, HostScriptMain) = nullptr;
    void (*script_register_additional_thread)(HINSTANCE, HostScriptMain) = nullptr;
    void (*script_unregister)(HINSTANCE) = nullptr;
    void (*script_wait)(DWORD) = nullptr;
    void (*keyboard_handler_register)(HostKeyboardHandler) = nullptr;
    void (*keyboard_handler_unregister)(HostKeyboardHandler) = nullptr;
    void (*native_init)(std::uint64_t) = nullptr;
    void (*native_push64)(std::uint64_t) = nullptr;
    std::uint64_t* (*native_call)() = nullptr;
    int (*world_get_all_peds)(int*, int) = nullptr;
    int (*world_get_all_vehicles)(int*, int) = nullptr;
};

ScriptHookExports hook;        // filled at attach, read-only afterwards
bool plugin_attached = false;  // pluginEntry ran for attach

// The plug-in's keyboard handler, called by the trampoline the host holds.
std::atomic<tavrel::host::KeyboardHandler> keyboard_handler{nullptr};

// Result slots handed out if a native is called without the script hook (it
// never is: without the hook no script fibre runs). Three slots: a vector.
std::uint64_t no_host_result[3] = {};

template <typename Fn>
bool resolveExport(HMODULE module, const char* decorated_name, Fn& out) {
    FARPROC address = GetProcAddress(module, decorated_name);
    if (address == nullptr) return false;
    // Through void(*)(): the one function-pointer type every other converts
    // from without a cast-function-type warning.
    out = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
    return true;
}

// All eleven exports or none: a partial table is cleared.
bool resolveScriptHook() {
    HMODULE module = GetModuleHandleA("ScriptHookV.dll");
    if (module == nullptr) return false;
    ScriptHookExports found;
    const bool ok =
        resolveExport(module, "?scriptRegister@@YAXPEAUHINSTANCE__@@P6AXXZ@Z", found.script_register) &&
        resolveExport(module, "?scriptRegisterAdditionalThread@@YAXPEAUHINSTANCE__@@P6AXXZ@Z",
                      found.script_register_additional_thread) &&
        resolveExport(module, "?scriptUnregister@@YAXPEAUHINSTANCE__@@@Z", found.script_unregister) &&
        resolveExport(module, "?scriptWait@@YAXK@Z", found.script_wait) &&
        resolveExport(module, "?keyboardHandlerRegister@@YAXP6AXKGEHHHH@Z@Z", found.keyboard_handler_register) &&
        resolveExport(module, "?keyboardHandlerUnregister@@YAXP6AXKGEHHHH@Z@Z", found.keyboard_handler_unregister) &&
        resolveExport(module, "?nativeInit@@YAX_K@Z", found.native_init) &&
        resolveExport(module, "?nativePush64@@YAX_K@Z", found.native_push64) &&
        resolveExport(module, "?nativeCall@@YAPEA_KXZ", found.native_call) &&
        resolveExport(module, "?worldGetAllPeds@@YAHPEAHH@Z", found.world_get_all_peds) &&
        resolveExport(module, "?worldGetAllVehicles@@YAHPEAHH@Z", found.world_get_all_vehicles);
    hook = ok ? found : ScriptHookExports{};
    return ok;
}

// The function the host calls for every key message: the host's exact
// signature, forwarding to whichever handler the plug-in registered.
void keyboardTrampoline(DWORD key, WORD repeats, BYTE scan_code, BOOL is_extended, BOOL is_with_alt,
                        BOOL was_down_before, BOOL is_up_now) {
    tavrel::host::KeyboardHandler handler = keyboard_handler.load(std::memory_order_acquire);
    if (handler == nullptr) return;
    handler(static_cast<std::uint32_t>(key), repeats, scan_code, is_extended, is_with_alt, was_down_before,
            is_up_now);
}

}  // namespace

namespace tavrel::host {

void scriptRegister(void* module, ScriptMain script) {
    if (hook.script_register) hook.script_register(static_cast<HINSTANCE>(module), script);
}

void scriptRegisterAdditionalThread(void* module, ScriptMain script) {
    if (hook.script_register_additional_thread)
        hook.script_register_additional_thread(static_cast<HINSTANCE>(module), script);
}

void scriptUnregister(void* module) {
    if (hook.script_unregister) hook.script_unregister(static_cast<HINSTANCE>(module));
}

void scriptWait(std::uint32_t ms) {
    if (hook.script_wait) hook.script_wait(ms);
}

// The host holds one trampoline; the plug-in's handler sits behind it. Only
// one plug-in handler is live at a time (the plug-in registers one).
void keyboardHandlerRegister(KeyboardHandler handler) {
    if (hook.keyboard_handler_register == nullptr || handler == nullptr) return;
    keyboard_handler.store(handler, std::memory_order_release);
    hook.keyboard_handler_register(&keyboardTrampoline);
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    if (hook.keyboard_handler_unregister == nullptr) return;
    if (keyboard_handler.load(std::memory_order_acquire) != handler) return;
    hook.keyboard_handler_unregister(&keyboardTrampoline);
    keyboard_handler.store(nullptr, std::memory_order_release);
}

void nativeInit(std::uint64_t hash) {
    if (hook.native_init) hook.native_init(hash);
}

void nativePush64(std::uint64_t value) {
    if (hook.native_push64) hook.native_push64(value);
}

std::uint64_t* nativeCall() {
    if (hook.native_call == nullptr) return no_host_result;
    return hook.native_call();
}

int worldGetAllPeds(int* handles, int capacity) {
    return hook.world_get_all_peds ? hook.world_get_all_peds(handles, capacity) : 0;
}

int worldGetAllVehicles(int* handles, int capacity) {
    return hook.world_get_all_vehicles ? hook.world_get_all_vehicles(handles, capacity) : 0;
}

std::uint32_t getTickCount() { return GetTickCount(); }

// The C runtime's generator, the one the game process itself draws from.
void seedRandom(std::uint32_t seed) { std::srand(seed); }

int nextRandom() { return std::rand(); }

}  // namespace tavrel::host

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        // The records' load state: static initialisation gives the constant
        // part; the stamps taken at load (the first world pass comes 300 ms
        // after it, not at the first frame) need the clock.
        tavrel::resetPluginState();
        if (resolveScriptHook()) {
            tavrel::pluginEntry(instance, tavrel::kProcessAttach);
            plugin_attached = true;
        }
    } else if (reason == DLL_PROCESS_DETACH) {
        if (plugin_attached) {
            tavrel::pluginEntry(instance, tavrel::kProcessDetach);
            plugin_attached = false;
        }
    }
    return TRUE;
}
