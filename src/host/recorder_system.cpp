// The clock and the generator as the plug-in calls them: recorded, then
// forwarded to the binding.
#include "host/host_abi.h"
#include "host/host_binding.h"
#include "host/recorder_core.h"

namespace tavrel::host {

using namespace rec_core;

namespace {

void recordNumber(std::uint8_t tag, std::uint32_t value) {
    if (!beginRecord(6)) return;
    *g.w++ = tag;
    g.w = putVarint(g.w, value);
}

}  // namespace

std::uint32_t getTickCount() {
    const std::uint32_t now = binding::getTickCount();
    if (g.on.load(std::memory_order_relaxed)) recordTick(now);
    return now;
}

void seedRandom(std::uint32_t seed) {
    binding::seedRandom(seed);
    if (g.on.load(std::memory_order_relaxed)) recordNumber(rec::kTagSeed, seed);
}

int nextRandom() {
    const int value = binding::nextRandom();
    if (g.on.load(std::memory_order_relaxed)) recordNumber(rec::kTagRandom, static_cast<std::uint32_t>(value));
    return value;
}

std::uint32_t keyMessageTick() {
    if (!in_message.load(std::memory_order_relaxed)) return binding::getTickCount();
    std::uint32_t now = 0;
    try {
        now = binding::getTickCount();
    } catch (...) {
        message.flags |= rec::kKeyTickThrew;
        throw;
    }
    message.tick = now;
    message.flags |= rec::kKeyTick;
    return now;
}

}  // namespace tavrel::host
