// The host's entry points, written once for both hosts: the Linux binding
// of src/host/ (host_binding.cpp) and the exports of the Windows
// ScriptHookV.dll (windows/host_exports_windows.cpp) are one-line calls of
// these. Each forwards to the live Simulator; without one, scripts and
// handlers are not kept, natives answer zeros and the clock reads `idle`.
//
// A call from a fibre the host has stopped is not seen, as a stopped fibre
// of the game never runs again: on Linux a stopped script is unwound by an
// exception and may still call natives on its way out; on Windows it is
// deleted where it waits and cannot.
#pragma once
#include <cstdint>

#include "host/host_abi.h"

namespace tavrel::sim::forward {

void scriptRegister(void* module, host::ScriptMain script, bool main);
void scriptUnregister(void* module);
void scriptWait(std::uint32_t ms);
void keyboardRegister(host::KeyboardHandler handler);
void keyboardUnregister(host::KeyboardHandler handler);
void nativeInit(std::uint64_t hash);
void nativePush(std::uint64_t value);
std::uint64_t* nativeCall();
int worldPeds(int* handles, int capacity);
int worldVehicles(int* handles, int capacity);
std::uint32_t clockRead(std::uint32_t idle);
void seedRandom(std::uint32_t seed);
int nextRandom();

}  // namespace tavrel::sim::forward
