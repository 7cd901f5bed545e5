#include "state/plugin_halt.h"

#include <atomic>

namespace tavrel {

namespace {

std::atomic<bool> halted{false};

}  // namespace

bool pluginHalted() { return halted.load(std::memory_order_relaxed); }

void haltPlugin() noexcept { halted.store(true, std::memory_order_relaxed); }

void resetHalt() { halted.store(false, std::memory_order_relaxed); }

}  // namespace tavrel
