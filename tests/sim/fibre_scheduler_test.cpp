// The host's script fibres: one runs at a time, they switch only inside
// scriptWait, main before menu in every frame, sleeps measured in simulated
// ticks, and unloading ends and joins them. Scripts here are registered
// directly through the host ABI, without the plug-in.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/host_abi.h"
#include "sim/protocol/simulator.h"

namespace tavrel::sim {

void PrintTo(FibreBackend backend, std::ostream* os) { *os << fibreBackendName(backend); }

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

std::vector<std::thread::id> scriptThreads;

void recordsItsThread() {
    scriptThreads.push_back(std::this_thread::get_id());
    for (;;) scriptWait(0);
}

// Fills a good part of its stack with its own byte, yields a few frames
// while the other fibre does the same, then checks that nothing changed.
template <unsigned char Mark>
void keepsItsStack() {
    std::array<volatile unsigned char, 96 * 1024> block;
    for (auto& b : block) b = Mark;
    scriptWait(0);
    scriptWait(0);
    std::size_t changed = 0;
    for (const auto& b : block) changed += b != Mark ? 1 : 0;
    events.push_back(std::to_string(Mark) + (changed == 0 ? " kept" : " changed"));
    for (;;) scriptWait(0);
}

// Yields inside a catch handler; after the other fibre has thrown and caught
// its own exception meanwhile, the one being handled here is still its own.
template <const char* Name>
void waitsInsideAHandler() {
    try {
        throw std::runtime_error(Name);
    } catch (const std::exception&) {
        scriptWait(0);
        scriptWait(0);
        try {
            std::rethrow_exception(std::current_exception());
        } catch (const std::runtime_error& e) {
            events.push_back(std::string(Name) + " handles " + e.what());
        }
    }
    events.push_back(std::string(Name) + " uncaught " + std::to_string(std::uncaught_exceptions()));
    for (;;) scriptWait(0);
}
constexpr char kFirst[] = "first";
constexpr char kSecond[] = "second";

void throwsAfterWaiting() {
    UnwindCounter guard;
    scriptWait(0);
    scriptWait(100);
    throw std::logic_error("late");
}

void throwsOnce() { throw 42; }

void unregistersItself() {
    events.push_back("before");
    host::scriptUnregister(&otherModule);
    events.push_back("after");
    scriptWait(0);
    events.push_back("never");
}

// Every fibre test runs on both Linux backends.
class Fibres : public ::testing::TestWithParam<FibreBackend> {};

INSTANTIATE_TEST_SUITE_P(Backend, Fibres, ::testing::Values(FibreBackend::UserSpace, FibreBackend::Threads),
                         [](const auto& param) { return std::string(fibreBackendName(param.param)); });

TEST_P(Fibres, MainRunsBeforeMenuAndEachYieldsOncePerFrame) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    host::scriptRegisterAdditionalThread(&testModule, &menuLoop);  // registered first, still runs second
    host::scriptRegister(&testModule, &mainLoop);
    sim.runFrames(3);
    const std::vector<std::string> expected = {"main0a", "main0b", "menu0", "main1a", "main1b",
                                               "menu1",  "main2a", "main2b", "menu2"};
    EXPECT_EQ(events, expected);
    EXPECT_EQ(sim.frame(), 3u);
}

TEST_P(Fibres, ScriptsAddedLaterStartAtTheNextFrame) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    sim.runFrames(2);  // nothing registered: the clock still moves
    EXPECT_EQ(sim.now(), kDefaultStartTick + 2 * kDefaultFrameMs);
    host::scriptRegister(&testModule, &mainLoop);
    EXPECT_TRUE(events.empty());
    sim.runFrame();
    EXPECT_EQ(events.size(), 2u);
}

TEST_P(Fibres, WaitSleepsUntilTheTicksHavePassed) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    sim.setFrameMs(16);
    host::scriptRegister(&testModule, &sleeper);
    sim.runFrames(20);
    ASSERT_GE(wakeTicks.size(), 3u);
    for (std::size_t i = 1; i < wakeTicks.size(); ++i) {
        // The first frame at least 50 ms later: 64 ms at 16 ms a frame.
        EXPECT_EQ(wakeTicks[i] - wakeTicks[i - 1], 64u) << "wake " << i;
    }
}

TEST_P(Fibres, WaitAcrossTheClockWrap) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    sim.setStartTick(0xFFFFFFFFu - 40);
    sim.setFrameMs(10);
    host::scriptRegister(&testModule, &sleeper);
    sim.runFrames(12);
    ASSERT_GE(wakeTicks.size(), 2u);
    EXPECT_GT(wakeTicks[0], 0xFFFF0000u);
    EXPECT_LT(wakeTicks[1], 100u);  // wrapped past zero
    EXPECT_EQ(wakeTicks[1] - wakeTicks[0], 50u);
}

TEST_P(Fibres, UnregisterUnwindsAndJoinsTheScripts) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
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

TEST_P(Fibres, AStoppedScriptThatCatchesTheUnwindIsUnwoundAgainAndNotHeard) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
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

TEST_P(Fibres, UnregisterFromInsideAFibreTakesEffectAfterTheFrame) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    host::scriptRegister(&otherModule, &unregistersItself);
    sim.runFrames(3);
    EXPECT_EQ(events, (std::vector<std::string>{"before", "after"}));
    EXPECT_TRUE(sim.faults().empty());
}

TEST_P(Fibres, ScriptThatReturnsOrThrowsEndsItsFibre) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    host::scriptRegister(&testModule, &returnsAtOnce);
    host::scriptRegisterAdditionalThread(&testModule, &throwsOnce);
    sim.runFrames(3);
    EXPECT_EQ(events, std::vector<std::string>{"ran"});
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "menu");
}

TEST_P(Fibres, ScriptThatNeverYieldsIsEndedWithAFault) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
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

TEST_P(Fibres, WaitOutsideAFibreIsAFault) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    scriptWait(0);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "host");
}

TEST_P(Fibres, RepeatedConstructionJoinsEveryThread) {
    for (int round = 0; round < 40; ++round) {
        reset();
        Simulator sim;
        sim.setFibreBackend(GetParam());
        host::scriptRegister(&testModule, &sleeper);
        host::scriptRegisterAdditionalThread(&testModule, &menuLoop);
        sim.runFrames(round % 4);  // some never launched, some mid-sleep
        // The destructor stops and joins both fibres.
    }
    EXPECT_EQ(Simulator::current(), nullptr);
}

TEST_P(Fibres, ScriptsRunOnTheHostThreadAsUserSpaceFibresOnThreadsOfTheirOwnOtherwise) {
    reset();
    scriptThreads.clear();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    EXPECT_EQ(sim.fibreBackend(), GetParam());
    host::scriptRegister(&testModule, &recordsItsThread);
    host::scriptRegisterAdditionalThread(&testModule, &recordsItsThread);
    sim.runFrames(2);
    ASSERT_EQ(scriptThreads.size(), 2u);
    const std::thread::id host = std::this_thread::get_id();
    if (GetParam() == FibreBackend::UserSpace) {
        EXPECT_EQ(scriptThreads[0], host);
        EXPECT_EQ(scriptThreads[1], host);
    } else {
        EXPECT_NE(scriptThreads[0], host);
        EXPECT_NE(scriptThreads[1], host);
        EXPECT_NE(scriptThreads[0], scriptThreads[1]);
    }
}

TEST_P(Fibres, EachFibreKeepsItsOwnStackAndItsOwnExceptionAcrossSwitches) {
    reset();
    {
        Simulator sim;
        sim.setFibreBackend(GetParam());
        host::scriptRegister(&testModule, &keepsItsStack<0x5A>);
        host::scriptRegisterAdditionalThread(&testModule, &keepsItsStack<0xA5>);
        sim.runFrames(4);
        EXPECT_EQ(events, (std::vector<std::string>{"90 kept", "165 kept"}));
    }
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    host::scriptRegister(&testModule, &waitsInsideAHandler<kFirst>);
    host::scriptRegisterAdditionalThread(&testModule, &waitsInsideAHandler<kSecond>);
    sim.runFrames(4);
    EXPECT_EQ(events, (std::vector<std::string>{"first handles first", "first uncaught 0", "second handles second",
                                                "second uncaught 0"}));
    EXPECT_EQ(std::uncaught_exceptions(), 0);
    EXPECT_EQ(std::current_exception(), nullptr) << "the host handles no exception of a script";
    EXPECT_TRUE(sim.faults().empty());
}

TEST_P(Fibres, AScriptThatThrowsAfterWaitingIsUnwoundAndTheOtherGoesOn) {
    reset();
    Simulator sim;
    sim.setFibreBackend(GetParam());
    host::scriptRegister(&testModule, &throwsAfterWaiting);
    host::scriptRegisterAdditionalThread(&testModule, &menuLoop);
    sim.runFrames(12);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "main");
    EXPECT_EQ(unwound, 1);
    EXPECT_EQ(events.size(), 12u) << "the menu fibre ran every frame";
    EXPECT_TRUE(sim.fibreBackend() == GetParam());
}

// The backend a Simulator starts with: the environment's choice, else user
// space (threads under ThreadSanitizer); a wrong name or a late change stops
// the program rather than run on the other backend unnoticed.
TEST(FibreBackendChoice, TheEnvironmentChoosesAndTheBuildDecidesOtherwise) {
    const char* before = std::getenv("TAVREL_SIM_FIBRES");
    const std::string saved = before != nullptr ? before : "";
    setenv("TAVREL_SIM_FIBRES", "threads", 1);
    EXPECT_EQ(defaultFibreBackend(), FibreBackend::Threads);
    {
        Simulator sim;
        EXPECT_EQ(sim.fibreBackend(), FibreBackend::Threads);
    }
    setenv("TAVREL_SIM_FIBRES", "user", 1);
    EXPECT_EQ(defaultFibreBackend(), FibreBackend::UserSpace);
    unsetenv("TAVREL_SIM_FIBRES");
#if defined(__SANITIZE_THREAD__)
    EXPECT_EQ(defaultFibreBackend(), FibreBackend::Threads);
#else
    EXPECT_EQ(defaultFibreBackend(), FibreBackend::UserSpace);
#endif
    setenv("TAVREL_SIM_FIBRES", "fibres", 1);
    EXPECT_DEATH(defaultFibreBackend(), "TAVREL_SIM_FIBRES is \"fibres\"; it takes user or threads");
    if (before != nullptr) setenv("TAVREL_SIM_FIBRES", saved.c_str(), 1);
    else unsetenv("TAVREL_SIM_FIBRES");
}

TEST(FibreBackendChoice, ChangingTheBackendAfterAScriptRanStopsTheProgram) {
    EXPECT_DEATH(
        {
            Simulator sim;
            sim.setFibreBackend(FibreBackend::UserSpace);
            host::scriptRegister(&testModule, &menuLoop);
            sim.runFrame();
            sim.setFibreBackend(FibreBackend::UserSpace);  // the same: allowed
            sim.setFibreBackend(FibreBackend::Threads);
        },
        "the fibre backend is chosen before the first script runs");
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
