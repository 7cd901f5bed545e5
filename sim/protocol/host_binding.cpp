// The host ABI's binding (src/host/host_binding.h) on Linux: the plug-in is
// linked in and calls these, which forward to the live Simulator
// (host_forward.h, shared with the Windows ScriptHookV.dll).
#include "host/host_binding.h"
#include "sim/protocol/host_forward.h"

namespace tavrel::sim {

void attachHostBinding() {}

}  // namespace tavrel::sim

namespace tavrel::host::binding {

namespace forward = sim::forward;

void scriptRegister(void* module, ScriptMain script) { forward::scriptRegister(module, script, true); }
void scriptRegisterAdditionalThread(void* module, ScriptMain script) { forward::scriptRegister(module, script, false); }
void scriptUnregister(void* module) { forward::scriptUnregister(module); }
void scriptWait(std::uint32_t ms) { forward::scriptWait(ms); }
void keyboardHandlerRegister(KeyboardHandler handler) { forward::keyboardRegister(handler); }
void keyboardHandlerUnregister(KeyboardHandler handler) { forward::keyboardUnregister(handler); }
void nativeInit(std::uint64_t hash) { forward::nativeInit(hash); }
void nativePush64(std::uint64_t value) { forward::nativePush(value); }
std::uint64_t* nativeCall() { return forward::nativeCall(); }
int worldGetAllPeds(int* handles, int capacity) { return forward::worldPeds(handles, capacity); }
int worldGetAllVehicles(int* handles, int capacity) { return forward::worldVehicles(handles, capacity); }
std::uint32_t getTickCount() { return forward::clockRead(0); }
void seedRandom(std::uint32_t seed) { forward::seedRandom(seed); }
int nextRandom() { return forward::nextRandom(); }

}  // namespace tavrel::host::binding
