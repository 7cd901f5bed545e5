// The clock and the generator as the plug-in calls them: recorded, then
// forwarded to the binding.
#include "host/host_abi.h"
#include "host/host_binding.h"
#include "host/recorder_core.h"

namespace tavrel::host {

using namespace rec_core;

std::uint32_t getTickCount() {
    const std::uint32_t now = binding::getTickCount();
    if (recording()) recordTick(now);
    return now;
}

void seedRandom(std::uint32_t seed) {
    binding::seedRandom(seed);
    if (recording()) recordNumber(rec::kTagSeed, seed);
}

int nextRandom() {
    const int value = binding::nextRandom();
    if (recording()) recordNumber(rec::kTagRandom, static_cast<std::uint32_t>(value));
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
