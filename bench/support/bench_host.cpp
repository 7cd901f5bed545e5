#include "bench/support/bench_host.h"

#include <cstring>
#include <unordered_map>

#include "host/host_binding.h"
#include "sim/protocol/crt_random.h"

namespace tavrel {

namespace {

std::unordered_map<std::uint64_t, std::uint32_t> answers;
std::uint64_t current_hash = 0;
std::uint64_t slots[4] = {};
std::uint64_t call_count = 0;
int ped_count = 0;
int vehicle_count = 0;
std::uint32_t tick = 3600000;
sim::CrtRandom generator;  // the C runtime's generator, as the game has it

int fillHandles(int* handles, int capacity, int count) {
    const int n = count < capacity ? count : capacity;
    for (int i = 0; i < n; ++i) handles[i] = i + 1;
    return n;
}

}  // namespace

namespace bench {

void setAnswer(std::uint64_t hash, std::uint32_t value) { answers[hash] = value; }
void setFloatAnswer(std::uint64_t hash, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    answers[hash] = bits;
}
void clearAnswers() { answers.clear(); }
void setPedCount(int count) { ped_count = count; }
void setVehicleCount(int count) { vehicle_count = count; }
void setTick(std::uint32_t value) { tick = value; }
void advanceTick(std::uint32_t ms) { tick += ms; }
std::uint64_t nativeCallCount() { return call_count; }
void resetNativeCallCount() { call_count = 0; }

}  // namespace bench

namespace host::binding {

void scriptRegister(void*, ScriptMain) {}
void scriptRegisterAdditionalThread(void*, ScriptMain) {}
void scriptUnregister(void*) {}
void scriptWait(std::uint32_t) {}
void keyboardHandlerRegister(KeyboardHandler) {}
void keyboardHandlerUnregister(KeyboardHandler) {}
void nativeInit(std::uint64_t hash) { current_hash = hash; }
void nativePush64(std::uint64_t) {}
std::uint64_t* nativeCall() {
    ++call_count;
    const auto found = answers.find(current_hash);
    slots[0] = slots[1] = slots[2] = slots[3] = found == answers.end() ? 0 : found->second;
    return slots;
}
int worldGetAllPeds(int* handles, int capacity) { return fillHandles(handles, capacity, ped_count); }
int worldGetAllVehicles(int* handles, int capacity) { return fillHandles(handles, capacity, vehicle_count); }
std::uint32_t getTickCount() { return tick; }
void seedRandom(std::uint32_t seed) { generator.seed(seed); }
int nextRandom() { return generator.next(); }

}  // namespace host::binding
}  // namespace tavrel
