// The host functions Windows itself provides: the clock and the C runtime's
// generator. Apart from the script-hook binding, so the file store's checks
// and benchmarks link them without importing ScriptHookV.dll.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "host/host_binding.h"

namespace tavrel::host::binding {

std::uint32_t getTickCount() { return GetTickCount(); }

// The C runtime's generator, the one the game process itself draws from.
void seedRandom(std::uint32_t seed) { std::srand(seed); }

int nextRandom() { return std::rand(); }

}  // namespace tavrel::host::binding
