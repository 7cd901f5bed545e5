// The generator must match the Windows C runtime bit for bit, shared by both
// fibres; GET_HASH_KEY must match the game's lower-case one-at-a-time hash.
#include <gtest/gtest.h>

#include <vector>

#include "host/native_invoker.h"
#include "sim/protocol/crt_random.h"
#include "sim/protocol/simulator.h"
#include "sim/world/joaat.h"

namespace tavrel::sim {
namespace {

TEST(CrtRandom, MatchesTheWindowsRuntime) {
    CrtRandom r;
    r.seed(1);
    EXPECT_EQ((std::vector<int>{r.next(), r.next(), r.next(), r.next(), r.next()}),
              (std::vector<int>{41, 18467, 6334, 26500, 19169}));
    // Without srand the runtime behaves as after srand(1).
    CrtRandom unseeded;
    EXPECT_EQ(unseeded.next(), 41);
    // A large seed wraps the 32-bit state; values stay within 0 ... 32767.
    r.seed(0xFFFFFFFFu);
    for (int i = 0; i < 1000; ++i) {
        const int v = r.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 32767);
    }
}

std::vector<int> drawn;

void mainDraws() {
    host::seedRandom(1);
    for (;;) {
        drawn.push_back(host::nextRandom());
        host::scriptWait(0);
    }
}

void menuDraws() {
    for (;;) {
        drawn.push_back(host::nextRandom());
        host::scriptWait(0);
    }
}

TEST(CrtRandom, OneStateSharedByBothFibres) {
    drawn.clear();
    static char module;
    Simulator sim;
    host::scriptRegister(&module, &mainDraws);
    host::scriptRegisterAdditionalThread(&module, &menuDraws);
    sim.runFrames(2);
    EXPECT_EQ(drawn, (std::vector<int>{41, 18467, 6334, 26500}));
}

TEST(HashKey, OneAtATimeOfTheLowerCasedName) {
    static_assert(joaat("weapon_unarmed") == 0xA2719263u);
    EXPECT_EQ(joaat("WEAPON_UNARMED"), 0xA2719263u);
    EXPECT_EQ(joaat(""), 0u);
    EXPECT_EQ(joaat("a"), 0xCA2E9442u);
    Simulator sim;
    // Through the native, and the name is remembered for readable output.
    const auto h = invoke<std::uint32_t>(nat::GET_HASH_KEY, "WEAPON_PISTOL");
    EXPECT_EQ(h, joaat("weapon_pistol"));
    EXPECT_EQ(sim.world().nameOf(h), "WEAPON_PISTOL");
    EXPECT_EQ(invoke<std::uint32_t>(nat::GET_HASH_KEY, static_cast<const char*>(nullptr)), 0u);
}

}  // namespace
}  // namespace tavrel::sim
