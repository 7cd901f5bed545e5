// Tick arithmetic. Ticks are GetTickCount milliseconds held as unsigned 32-bit
// values that wrap every 49.7 days. Every timer compares elapsed time
// (now - stamp, unsigned), never now against stamp + delay: the sum wraps and
// would stall a timer for up to 49 days.
#pragma once
#include <cstdint>

namespace tavrel {

using Tick = std::uint32_t;

// Milliseconds from `stamp` to `now`, correct across the wrap.
constexpr Tick elapsedSince(Tick stamp, Tick now) { return now - stamp; }

// The delay has passed: now is later than stamp + delay (wrap-safe).
constexpr bool hasElapsed(Tick stamp, Tick delay, Tick now) { return elapsedSince(stamp, now) > delay; }

// Still inside a window of `window` ms that opened at `stamp`: now < stamp + window.
constexpr bool isWithin(Tick stamp, Tick window, Tick now) { return elapsedSince(stamp, now) < window; }

}  // namespace tavrel
