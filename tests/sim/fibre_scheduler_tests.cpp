// The host's script fibres: one runs at a time, they switch only inside
// scriptWait, main before menu in every frame, sleeps measured in simulated
// ticks, and unloading ends and joins them. Scripts here are registered
// directly through the host ABI, without the plug-in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/host_abi.h"
#include "sim/simulator.h"

namespace tavrel::sim {
namespace {

using host::getTickCount;
using host::scriptWait;

char testModule;
char otherModule;

std::vector<std::string> events;   // written by the fibres, read by the host between frames
std::vector<std::uint32_t> wakeTicks;
int unwound = 0;

struct UnwindCounter {
    ~UnwindCounter() { ++unwound; }
};

void reset() {
    events.clear();
    wakeTicks.clear();
    unwound = 0;
}

void mainLoop() {
    for (int i = 0;; ++i) {
        events.push_back("main" + std::to_string(i) + "a");
        events.push_back("main" + std::to_string(i) + "b");  // no switch between a and b
        scriptWait(0);
    }
}

void menuLoop() {
    for (int i = 0;; ++i) {
        events.push_back("menu" + std::to_string(i));
        scriptWait(0);
    }
}

void sleeper() {
    UnwindCounter guard;
    for (;;) {
        wakeTicks.push_back(getTickCount());
        scriptWait(50);
    }
}

void neverYields() {
    UnwindCounter guard;
    for (;;) {
        host::nativeInit(0xD80958FC74E988A6ULL);  // PLAYER_PED_ID
        host::nativeCall();
    }
}

// Catches everything at the top, as the plug-in's loops do, then only yields.
void catchesEverything() {
    try {
        for (;;) scriptWait(0);
    } catch (...) {
        events.push_back("caught");
        host::nativeInit(0xD80958FC74E988A6ULL);  // PLAYER_PED_ID, on its way out
        host::nativeCall();
    }
    UnwindCounter guard;
    for (;;) scriptWait(0);
}

void returnsAtOnce() { events.push_back("ran"); }

void throwsOnce() { throw 42; }

void unregistersItself() {
    events.push_back("before");
    host::scriptUnregister(&otherModule);
    events.push_back("after");
    scriptWait(0);
    events.push_back("never");
}

TEST(FibreScheduler, MainRunsBeforeMenuAndEachYieldsOncePerFrame) {
    reset();
    Simulator sim;
    host::scriptRegisterAdditionalThread(&testModule, &menuLoop);  // registered first, still runs second
    host::scriptRegister(&testModule, &mainLoop);
    sim.runFrames(3);
    const std::vector<std::string> expected = {"main0a", "main0b", "menu0", "main1a", "main1b",
                                               "menu1",  "main2a", "main2b", "menu2"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(sim.frame(), 3u);
}

TEST(FibreScheduler, ScriptsAddedLaterStartAtTheNextFrame) {
    reset();
    Simulator sim;
    sim.runFrames(2);  // nothing registered: the clock still moves
    EXPECT_EQ(sim.now(), kDefaultStartTick + 2 * kDefaultFrameMs);
    host::scriptRegister(&testModule, &mainLoop);
    EXPECT_TRUE(events.empty());
    sim.runFrame();
    EXPECT_EQ(events.size(), 2u);
}

TEST(FibreScheduler, WaitSleepsUntilTheTicksHavePassed) {
    reset();
    Simulator sim;
    sim.setFrameMs(16);
    host::scriptRegister(&testModule, &sleeper);
    sim.runFrames(20);
    ASSERT_GE(wakeTicks.size(), 3u);
    for (std::size_t i = 1; i < wakeTicks.size(); ++i) {
        // The first frame at least 50 ms later: 64 ms at 16 ms a frame.
        EXPECT_EQ(wakeTicks[i] - wakeTicks[i - 1], 64u) << "wake " << i;
    }
}

TEST(FibreScheduler, WaitAcrossTheClockWrap) {
    reset();
    Simulator sim;
    sim.setStartTick(0xFFFFFFFFu - 40);
    sim.setFrameMs(10);
    host::scriptRegister(&testModule, &sleeper);
    sim.runFrames(12);
    ASSERT_GE(wakeTicks.size(), 2u);
    EXPECT_GT(wakeTicks[0], 0xFFFF0000u);
    EXPECT_LT(wakeTicks[1], 100u);  // wrapped past zero
    EXPECT_EQ(wakeTicks[1] - wakeTicks[0], 50u);
}

TEST(FibreScheduler, UnregisterUnwindsAndJoinsTheScripts) {
    reset();
    Simulator sim;
    host::scriptRegister(&testModule, &sleeper);
    host::scriptRegisterAdditionalThread(&otherModule, &menuLoop);
    sim.runFrames(2);
    host::scriptUnregister(&testModule);  // from the host thread: stops now
    EXPECT_EQ(unwound, 1);                // the script's stack was unwound
    const std::size_t sleeps = wakeTicks.size();
    const std::size_t menus = events.size();
    sim.runFrames(10);
    EXPECT_EQ(wakeTicks.size(), sleeps);
    EXPECT_EQ(events.size(), menus + 10);  // the other module's script goes on
    EXPECT_TRUE(sim.faults().empty());
}

TEST(FibreScheduler, AStoppedScriptThatCatchesTheUnwindIsUnwoundAgainAndNotHeard) {
    reset();
    Simulator sim;
    host::scriptRegister(&testModule, &catchesEverything);
    sim.runFrames(2);
    sim.clearTrace();
    host::scriptUnregister(&testModule);  // must neither hang nor let the script run on
    EXPECT_EQ(events, std::vector<std::string>{"caught"});
    EXPECT_EQ(unwound, 1);
    EXPECT_TRUE(sim.trace().empty()) << "a stopped script's calls are not made";
    sim.runFrames(3);
    EXPECT_TRUE(sim.faults().empty());
}

TEST(FibreScheduler, UnregisterFromInsideAFibreTakesEffectAfterTheFrame) {
    reset();
    Simulator sim;
    host::scriptRegister(&otherModule, &unregistersItself);
    sim.runFrames(3);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
    EXPECT_TRUE(sim.faults().empty());
}

TEST(FibreScheduler, ScriptThatReturnsOrThrowsEndsItsFibre) {
    reset();
    Simulator sim;
    host::scriptRegister(&testModule, &returnsAtOnce);
    host::scriptRegisterAdditionalThread(&testModule, &throwsOnce);
    sim.runFrames(3);
    EXPECT_EQ(events, std::vector<std::string>{"ran"});
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "menu");
}

TEST(FibreScheduler, ScriptThatNeverYieldsIsEndedWithAFault) {
    reset();
    Simulator sim;
    sim.setTraceKept(false);
    host::scriptRegister(&testModule, &neverYields);
    host::scriptRegisterAdditionalThread(&testModule, &menuLoop);
    sim.runFrames(2);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "main");
    EXPECT_NE(sim.faults()[0].message.find("without yielding"), std::string::npos);
    EXPECT_EQ(unwound, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"menu0", "menu1"}));  // the other fibre still runs
}

TEST(FibreScheduler, WaitOutsideAFibreIsAFault) {
    reset();
    Simulator sim;
    scriptWait(0);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "host");
}

TEST(FibreScheduler, RepeatedConstructionJoinsEveryThread) {
    for (int round = 0; round < 40; ++round) {
        reset();
        Simulator sim;
        host::scriptRegister(&testModule, &sleeper);
        host::scriptRegisterAdditionalThread(&testModule, &menuLoop);
        sim.runFrames(round % 4);  // some never launched, some mid-sleep
        // The destructor stops and joins both fibres.
    }
    EXPECT_EQ(Simulator::current(), nullptr);
}

TEST(FibreScheduler, KeyboardHandlerRunsOnTheHostThreadWithTheNextFrameTick) {
    static std::vector<std::uint32_t> seen;
    seen.clear();
    Simulator sim;
    const host::KeyboardHandler handler = [](std::uint32_t key, std::uint16_t, std::uint8_t, int, int, int wasDown,
                                             int isUp) {
        seen.insert(seen.end(), {key, static_cast<std::uint32_t>(wasDown), static_cast<std::uint32_t>(isUp),
                                 getTickCount()});
    };
    host::keyboardHandlerRegister(handler);
    sim.runFrame();
    sim.keyDown(0x55);
    sim.keyDown(0x55, true);
    sim.keyUp(0x55);
    const std::uint32_t t = kDefaultStartTick + kDefaultFrameMs;
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0x55, 0, 0, t, 0x55, 1, 0, t, 0x55, 1, 1, t}));
    host::keyboardHandlerUnregister(handler);
    sim.keyDown(0x55);
    EXPECT_EQ(seen.size(), 12u);
}

TEST(FibreScheduler, HoldRepeatsTheKeyEvery33Ms) {
    static std::vector<std::uint32_t> downTicks;
    static int ups = 0;
    downTicks.clear();
    ups = 0;
    Simulator sim;
    host::keyboardHandlerRegister([](std::uint32_t, std::uint16_t, std::uint8_t, int, int, int, int isUp) {
        if (isUp) ++ups;
        else downTicks.push_back(getTickCount());
    });
    const std::uint32_t start = sim.now();
    sim.hold(0x4C, 200);
    ASSERT_EQ(ups, 1);
    ASSERT_GE(downTicks.size(), 5u);
    EXPECT_EQ(downTicks.front(), start);
    for (std::size_t i = 1; i < downTicks.size(); ++i) {
        EXPECT_GE(downTicks[i] - downTicks[i - 1], kKeyRepeatMs);
        EXPECT_LT(downTicks[i] - downTicks[i - 1], kKeyRepeatMs + kDefaultFrameMs);
    }
    EXPECT_GE(sim.now() - start, 200u);
}

}  // namespace
}  // namespace tavrel::sim
