// CrtRandom: the Windows C runtime's srand/rand, bit for bit, so that a
// scenario draws the same numbers on Linux, under Wine and in the game.
#pragma once
#include <cstdint>

namespace tavrel::sim {

class CrtRandom {
public:
    void seed(std::uint32_t s) { state_ = s; }
    // 0 ... 32767.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }
    std::uint32_t state() const { return state_; }

private:
    std::uint32_t state_ = 1;  // the runtime's state before any srand
};

}  // namespace tavrel::sim
