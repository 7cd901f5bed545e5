#include "sim/protocol/host_forward.h"

#include "sim/protocol/simulator.h"

namespace tavrel::sim::forward {

namespace {
std::uint64_t idleSlots[4] = {};
CrtRandom idleRandom;

std::uint64_t* idleCall() {
    for (std::uint64_t& slot : idleSlots) slot = 0;
    return idleSlots;
}
}  // namespace

void scriptRegister(void* module, host::ScriptMain script, bool main) {
    if (Simulator* s = Simulator::current()) s->hostScriptRegister(module, script, main);
}

void scriptUnregister(void* module) {
    if (Simulator* s = Simulator::current()) s->hostScriptUnregister(module);
}

void scriptWait(std::uint32_t ms) {
    if (Simulator* s = Simulator::current()) s->hostScriptWait(ms);
}

void keyboardRegister(host::KeyboardHandler handler) {
    if (Simulator* s = Simulator::current()) s->hostKeyboardRegister(handler);
}

void keyboardUnregister(host::KeyboardHandler handler) {
    if (Simulator* s = Simulator::current()) s->hostKeyboardUnregister(handler);
}

void nativeInit(std::uint64_t hash) {
    if (FibreScheduler::currentIsStopped()) return;
    if (Simulator* s = Simulator::current()) s->hostNativeInit(hash);
}

void nativePush(std::uint64_t value) {
    if (FibreScheduler::currentIsStopped()) return;
    if (Simulator* s = Simulator::current()) s->hostNativePush(value);
}

std::uint64_t* nativeCall() {
    Simulator* s = Simulator::current();
    if (s == nullptr || FibreScheduler::currentIsStopped()) return idleCall();
    return s->hostNativeCall();
}

int worldPeds(int* handles, int capacity) {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostWorldPeds(handles, capacity) : 0;
}

int worldVehicles(int* handles, int capacity) {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostWorldVehicles(handles, capacity) : 0;
}

std::uint32_t clockRead(std::uint32_t idle) {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostClockRead() : idle;
}

void seedRandom(std::uint32_t seed) {
    if (Simulator* s = Simulator::current()) {
        s->hostSeedRandom(seed);
    } else {
        idleRandom.seed(seed);
    }
}

int nextRandom() {
    Simulator* s = Simulator::current();
    return s != nullptr ? s->hostNextRandom() : idleRandom.next();
}

}  // namespace tavrel::sim::forward
