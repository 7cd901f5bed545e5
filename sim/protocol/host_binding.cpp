// The host ABI's binding (src/host/host_binding.h) on Linux: each entry
// point forwards to the live Simulator. Without one, scripts and handlers are not kept, natives
// answer zeros and the clock reads 0.
#include "host/host_binding.h"
#include "sim/protocol/simulator.h"

namespace tavrel::sim {

void attachHostBinding() {}

namespace {
std::uint64_t idleSlots[4] = {};
CrtRandom idleRandom;
}  // namespace

// A script the host has stopped is unwound here (on Linux a stopped fibre
// leaves by an exception); whatever it still calls on its way out is not
// seen, as a stopped fibre of the game never runs again.
bool callerIsStopped() {
    const FibreScheduler::Fibre* f = FibreScheduler::currentFibre();
    return f != nullptr && f->stop;
}

std::uint64_t* idleCall() {
    for (std::uint64_t& slot : idleSlots) slot = 0;
    return idleSlots;
}

}  // namespace tavrel::sim

namespace tavrel::host::binding {

using sim::Simulator;

void scriptRegister(void* module, ScriptMain script) {
    if (Simulator* s = Simulator::current()) s->hostScriptRegister(module, script, true);
}

void scriptRegisterAdditionalThread(void* module, ScriptMain script) {
    if (Simulator* s = Simulator::current()) s->hostScriptRegister(module, script, false);
}

void scriptUnregister(void* module) {
    if (Simulator* s = Simulator::current()) s->hostScriptUnregister(module);
}

void scriptWait(std::uint32_t ms) {
    if (Simulator* s = Simulator::current()) s->hostScriptWait(ms);
}

void keyboardHandlerRegister(KeyboardHandler handler) {
    if (Simulator* s = Simulator::current()) s->hostKeyboardRegister(handler);
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    if (Simulator* s = Simulator::current()) s->hostKeyboardUnregister(handler);
}

void nativeInit(std::uint64_t hash) {
    if (sim::callerIsStopped()) return;
    if (Simulator* s = Simulator::current()) s->hostNativeInit(hash);
}

void nativePush64(std::uint64_t value) {
    if (sim::callerIsStopped()) return;
    if (Simulator* s = Simulator::current()) s->hostNativePush(value);
}

std::uint64_t* nativeCall() {
    if (sim::callerIsStopped()) return sim::idleCall();
    Simulator* s = Simulator::current();
    if (s == nullptr) return sim::idleCall();
    s->throwIfInjectedAtCall();
    return s->hostNativeCall();
}

int worldGetAllPeds(int* handles, int capacity) {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostWorldPeds(handles, capacity) : 0;
}

int worldGetAllVehicles(int* handles, int capacity) {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostWorldVehicles(handles, capacity) : 0;
}

std::uint32_t getTickCount() {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostClockRead() : 0;
}

void seedRandom(std::uint32_t seed) {
    if (Simulator* s = Simulator::current()) {
        s->hostSeedRandom(seed);
    } else {
        sim::idleRandom.seed(seed);
    }
}

int nextRandom() {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostNextRandom() : sim::idleRandom.next();
}

}  // namespace tavrel::host::binding
