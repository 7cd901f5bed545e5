// A scripted host for benchmarks: the host ABI with canned native answers, so
// a benchmark measures the plug-in's own work and not a simulator's. Every
// native answers 0 unless told otherwise; scriptWait returns at once; the
// clock moves only when the benchmark moves it.
#pragma once
#include <cstdint>

namespace tavrel::bench {

// The answer of a native in result slot 0 (a 32-bit value or float pattern).
void setAnswer(std::uint64_t hash, std::uint32_t value);
void setFloatAnswer(std::uint64_t hash, float value);
void clearAnswers();

// World enumeration: handles 1 ... count.
void setPedCount(int count);
void setVehicleCount(int count);

void setTick(std::uint32_t tick);
void advanceTick(std::uint32_t ms);

// Native calls made since the last reset.
std::uint64_t nativeCallCount();
void resetNativeCallCount();

}  // namespace tavrel::bench
