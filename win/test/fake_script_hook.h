// A stand-in for ScriptHookV.dll, for loading Tavrel.asi outside the game.
// It exports the script-hook functions under their decorated names (see
// script_hook_full.def), records every call, and runs the registered scripts on two
// threads that take turns like the host's fibres: one runs at a time, and
// they switch only inside scriptWait. Natives do nothing and return zeros.
// The test driver reads the record through the extern "C" functions below.
#pragma once
#include <cstdint>

namespace fake_hook {

using ScriptMain = void (*)();
// The host's handler type: DWORD key, WORD repeats, BYTE scan code, then four BOOLs.
using KeyboardHandler = void (*)(unsigned long, unsigned short, unsigned char, int, int, int, int);

struct Report {
    int script_register_calls = 0;
    int additional_thread_calls = 0;
    int script_unregister_calls = 0;
    int keyboard_register_calls = 0;
    int keyboard_unregister_calls = 0;
    void* script_module = nullptr;      // module passed to scriptRegister
    void* additional_module = nullptr;  // module passed to scriptRegisterAdditionalThread
    void* unregister_module = nullptr;  // module passed to scriptUnregister
    ScriptMain main_script = nullptr;
    ScriptMain additional_thread = nullptr;
    KeyboardHandler keyboard_registered = nullptr;
    KeyboardHandler keyboard_unregistered = nullptr;
    long frames = 0;  // scriptWait calls so far
};

using ReportFn = void (*)(Report*);
using StartFn = void (*)();
using SawTextFn = int (*)(const char*);
using ParkFn = int (*)(int);

}  // namespace fake_hook

extern "C" {
// Copies the call record.
void fakeHookReport(fake_hook::Report* out);
// Starts the registered main script and additional thread.
void fakeHookStartScripts();
// Nonzero once a native was called with `text` as its text argument.
int fakeHookSawText(const char* text);
// Stops both scripts at their next scriptWait, for good; nonzero when both
// stopped within `timeout_ms`.
int fakeHookParkScripts(int timeout_ms);
}
