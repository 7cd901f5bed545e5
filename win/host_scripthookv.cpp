// The Windows binding: DllMain and the host ABI over the ScriptHookV exports.
//
// Tavrel.asi imports the script hook's eleven exports from ScriptHookV.dll
// (the import library is built from script_hook_v.def), so the loader brings
// the script hook in with the plug-in: an ASI loader may load Tavrel.asi
// before any other plug-in that imports the hook, or alone. Without
// ScriptHookV.dll, or with one that lacks an export, the plug-in does not
// load at all (LoadLibrary fails: module or procedure not found).
//
// Threading: DllMain runs under the loader lock and only sets the records to
// their load state and calls pluginEntry (which registers, calls no native).
// The keyboard trampoline runs on the game's window thread; every other
// function here is called from the script fibres.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "host/host_abi.h"
#include "shell/entry.h"

// The host's own types, as its decorated names spell them.
using HostScriptMain = void (*)();
using HostKeyboardHandler = void (*)(DWORD key, WORD repeats, BYTE scan_code, BOOL is_extended, BOOL is_with_alt,
                                     BOOL was_down_before, BOOL is_up_now);

// The imports, under the C names script_hook_v.def binds to the decorated ones.
extern "C" {
__declspec(dllimport) void shvScriptRegister(HINSTANCE module, HostScriptMain script);
__declspec(dllimport) void shvScriptRegisterAdditionalThread(HINSTANCE module, HostScriptMain script);
__declspec(dllimport) void shvScriptUnregister(HINSTANCE module);
__declspec(dllimport) void shvScriptWait(DWORD ms);
__declspec(dllimport) void shvKeyboardHandlerRegister(HostKeyboardHandler handler);
__declspec(dllimport) void shvKeyboardHandlerUnregister(HostKeyboardHandler handler);
__declspec(dllimport) void shvNativeInit(std::uint64_t hash);
__declspec(dllimport) void shvNativePush64(std::uint64_t value);
__declspec(dllimport) std::uint64_t* shvNativeCall();
__declspec(dllimport) int shvWorldGetAllPeds(int* handles, int capacity);
__declspec(dllimport) int shvWorldGetAllVehicles(int* handles, int capacity);
}

namespace {

// The plug-in's keyboard handler, called by the trampoline the host holds.
std::atomic<tavrel::host::KeyboardHandler> keyboard_handler{nullptr};

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

void scriptRegister(void* module, ScriptMain script) { shvScriptRegister(static_cast<HINSTANCE>(module), script); }

void scriptRegisterAdditionalThread(void* module, ScriptMain script) {
    shvScriptRegisterAdditionalThread(static_cast<HINSTANCE>(module), script);
}

void scriptUnregister(void* module) { shvScriptUnregister(static_cast<HINSTANCE>(module)); }

void scriptWait(std::uint32_t ms) { shvScriptWait(ms); }

// The host holds one trampoline; the plug-in's handler sits behind it. Only
// one plug-in handler is live at a time (the plug-in registers one).
void keyboardHandlerRegister(KeyboardHandler handler) {
    if (handler == nullptr) return;
    keyboard_handler.store(handler, std::memory_order_release);
    shvKeyboardHandlerRegister(&keyboardTrampoline);
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    if (keyboard_handler.load(std::memory_order_acquire) != handler) return;
    shvKeyboardHandlerUnregister(&keyboardTrampoline);
    keyboard_handler.store(nullptr, std::memory_order_release);
}

void nativeInit(std::uint64_t hash) { shvNativeInit(hash); }

void nativePush64(std::uint64_t value) { shvNativePush64(value); }

std::uint64_t* nativeCall() { return shvNativeCall(); }

int worldGetAllPeds(int* handles, int capacity) { return shvWorldGetAllPeds(handles, capacity); }

int worldGetAllVehicles(int* handles, int capacity) { return shvWorldGetAllVehicles(handles, capacity); }

}  // namespace tavrel::host

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        // The records' load state: static initialisation gives the constant
        // part; the stamps taken at load (the first world pass comes 300 ms
        // after it, not at the first frame) need the clock.
        tavrel::resetPluginState();
        tavrel::pluginEntry(instance, tavrel::kProcessAttach);
    } else if (reason == DLL_PROCESS_DETACH) {
        // `reserved` set: the process is ending, not the library being freed.
        tavrel::pluginEntry(instance, tavrel::kProcessDetach, reserved != nullptr);
    }
    return TRUE;
}
