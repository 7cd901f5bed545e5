// KeyStateTable: the last keyboard message of each virtual key, written by the
// keyboard handler on the window thread and read by the script fibres.
// Every field is its own aligned 32-bit atomic, so the two sides share the
// table without a lock (a reader may see one field of a newer message and
// another of an older one, as with plain aligned stores).
#pragma once
#include <atomic>
#include <cstdint>

namespace tavrel {

inline constexpr int kKeyCount = 255;  // codes 0 ... 254

struct KeyState {
    std::atomic<std::uint32_t> tick{0};  // GetTickCount() of the last message; 0 = none
    std::atomic<std::uint32_t> is_with_alt{0};      // stored, never read
    std::atomic<std::uint32_t> was_down_before{0};  // nonzero: a key repeat (read by the log only)
    std::atomic<std::uint32_t> is_up_now{0};        // nonzero: the last message was a release
};

struct KeyStateTable {
    KeyState keys[kKeyCount];
};

extern KeyStateTable keyStateTable;

void resetKeyStateTable();

}  // namespace tavrel
