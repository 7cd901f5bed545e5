// The host ABI: what the plug-in calls in the script hook and what the host
// calls back. One binding is linked behind these declarations: the real
// ScriptHookV exports on Windows (win/), the simulator on Linux (sim/).
//
// Threading: every function here is called from a script fibre, except
// keyMessageTick, the keyboard handler's clock on the window thread.
//
// These are the recorder's (host/recorder*.cpp): each records what crosses
// the boundary, then calls the binding's function of the same name
// (host_binding.h).
#pragma once
#include <cstdint>

namespace tavrel::host {

using ScriptMain = void (*)();
// key (virtual-key code), repeats, scan code, isExtended, isWithAlt,
// wasDownBefore, isUpNow.
using KeyboardHandler = void (*)(std::uint32_t, std::uint16_t, std::uint8_t, int, int, int, int);

void scriptRegister(void* module, ScriptMain script);
void scriptRegisterAdditionalThread(void* module, ScriptMain script);
void scriptUnregister(void* module);
// 0 yields until the next frame; otherwise the fibre sleeps at least ms.
void scriptWait(std::uint32_t ms);
void keyboardHandlerRegister(KeyboardHandler handler);
void keyboardHandlerUnregister(KeyboardHandler handler);

// Native protocol: nativeInit(hash), one nativePush64 per argument left to
// right, nativeCall(), then at most one read of the result slots before the
// next call.
void nativeInit(std::uint64_t hash);
void nativePush64(std::uint64_t value);
std::uint64_t* nativeCall();

// Fill `handles` with up to `capacity` handles; returns the count written.
int worldGetAllPeds(int* handles, int capacity);
int worldGetAllVehicles(int* handles, int capacity);

// Milliseconds since the host started (Windows GetTickCount); wraps at 2^32.
std::uint32_t getTickCount();
// The same clock, read by the keyboard handler for the message it stores
// (on the window thread); only the handler calls it.
std::uint32_t keyMessageTick();

// The standard pseudo-random generator (the C runtime's srand/rand on
// Windows; the simulator reproduces that sequence). One state per process.
void seedRandom(std::uint32_t seed);
int nextRandom();  // 0 ... 32767

}  // namespace tavrel::host
