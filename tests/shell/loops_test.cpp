// The entry and the two script loops driven by the simulator: start-up
// notice, menu input block, reload at each request, the hotkey guard and the
// wrap of the tick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/settings.h"
#include "host/ticks.h"
#include "input/key_state.h"
#include "shell/entry.h"
#include "state/plugin_halt.h"
#include "support/plugin_fixture.h"
#include "support/trace_query.h"

namespace tavrel::testing {
namespace {

constexpr const char* kNotice = "Tavrel 2.2 by Kestrin";

using LoopsTest = PluginTest;

TEST_F(LoopsTest, EntryAlwaysSucceedsAndCallsNoNative) {
    int module = 0;
    for (std::uint32_t reason : {2u, 3u}) EXPECT_EQ(pluginEntry(&module, reason), 1);
    EXPECT_EQ(pluginEntry(&module, kProcessAttach), 1);
    EXPECT_EQ(pluginEntry(&module, kProcessDetach), 1);
    EXPECT_TRUE(sim.trace().empty());
}

TEST_F(LoopsTest, NoticeWaitsForTheLoadingScreenAndIsPostedExactlyOnce) {
    sim.world().loading_screen = true;
    sim.start();
    sim.waitMs(500);
    EXPECT_TRUE(sim.notifications().empty());
    sim.world().loading_screen = false;
    sim.runFrame();
    ASSERT_EQ(sim.notifications().size(), 1u);
    EXPECT_EQ(sim.notifications()[0], kNotice);
    sim.world().loading_screen = true;
    sim.waitMs(200);
    sim.world().loading_screen = false;
    sim.waitMs(1000);
    EXPECT_EQ(sim.notifications().size(), 1u);
}

TEST_F(LoopsTest, NoticeShowsOnTheFirstFrameWithoutLoadingScreen) {
    sim.start();
    ASSERT_EQ(sim.notifications().size(), 1u);
    EXPECT_EQ(calls(nat::BEGIN_TEXT_COMMAND_THEFEED_POST), 1u);
}

// The game was killed in the middle of a save, between its two renames (a
// file system without an exchange of names): no file, only the pair the
// save left. The next load puts the new bytes back, reads them, says so
// after the start-up notice, and leaves nothing else in the folder.
TEST_F(LoopsTest, ALoadThatPutsTheFileBackSaysSo) {
    const std::string save = "TavrelConfig.ini.4194305-4";  // above any Linux process id (2^22)
    std::ofstream(save + ".old", std::ios::binary) << "[Vehicle]\r\nnumber_of_lock_flashes=3\r\n";
    std::ofstream(save + ".tmp", std::ios::binary) << "[Vehicle]\r\nnumber_of_lock_flashes=5\r\n";
    sim.start();
    EXPECT_EQ(settings.number_of_lock_flashes, 5);
    ASSERT_EQ(sim.notifications().size(), 2u);
    EXPECT_EQ(sim.notifications()[0], kNotice);
    EXPECT_EQ(sim.notifications()[1], "Tavrel: TavrelConfig.ini was put back after an interrupted save");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(".")) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Tavrel.log", "TavrelConfig.ini"}));
    std::ifstream in("Tavrel.log", std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("removed 1 temporary file(s) of saves cut off by a crash"), std::string::npos) << log;
    EXPECT_NE(log.find(", put back at this load from a save cut off by a crash\r\n"), std::string::npos) << log;
}

// A new load owes no lock or unlock signal: with nothing pressed, no
// light flashes (with a car beside the player or none).
TEST_F(LoopsTest, ANewLoadFlashesNothingUntilARequest) {
    sandbox.writeIni("[Vehicle]\r\nlight_notification=1\r\nlock_flash_interval=100\r\nunlock_flash_interval=100\r\n");
    addCarBeside();
    sim.start();
    sim.waitMs(3000);
    EXPECT_EQ(calls(nat::SET_VEHICLE_INDICATOR_LIGHTS), 0u);
    EXPECT_EQ(calls(nat::SET_VEHICLE_BRAKE_LIGHTS), 0u);
}

TEST_F(LoopsTest, MenuInputBlockRemovesControlWhileOpenAndClearsTheFlagInMemory) {
    sandbox.writeIni("[Menu]\r\ngame_input_disabled_while_menu_is_open=1\r\n");
    sim.start();
    EXPECT_TRUE(settings.game_input_disabled_while_menu_is_open);
    sim.tap(kVkF9);
    sim.waitMs(300);
    EXPECT_FALSE(sim.world().player.control) << "control is taken while the menu is open";
    EXPECT_EQ(sim.world().player.control_flags, 256);
    sim.tap(kVkF9);
    sim.waitMs(300);
    EXPECT_TRUE(sim.world().player.control) << "control comes back at close";
    EXPECT_FALSE(settings.game_input_disabled_while_menu_is_open);
    EXPECT_EQ(sandbox.readIni(), "[Menu]\r\ngame_input_disabled_while_menu_is_open=1\r\n") << "the file keeps it";

    // Opened again before any lock or unlock: the flag is off in memory.
    sim.tap(kVkF9);
    sim.waitMs(300);
    EXPECT_TRUE(sim.world().player.control);
    sim.tap(kVkF9);
    sim.waitMs(300);
}

TEST_F(LoopsTest, EveryLockOrUnlockRequestReloadsTheIniFile) {
    sandbox.writeIni(immediateIni("number_of_lock_flashes=3\r\n"));
    sim.start();
    EXPECT_EQ(settings.number_of_lock_flashes, 3);

    sandbox.writeIni(immediateIni("number_of_lock_flashes=7\r\n"));
    sim.waitMs(2000);
    EXPECT_EQ(settings.number_of_lock_flashes, 3) << "no request, no reload";

    sim.tap(kVkL);
    EXPECT_EQ(settings.number_of_lock_flashes, 7);

    sandbox.writeIni(immediateIni("number_of_lock_flashes=9\r\n"));
    sim.waitMs(1100);
    sim.tap(kVkU);
    EXPECT_EQ(settings.number_of_lock_flashes, 9);
}

TEST_F(LoopsTest, HeldLockKeyFiresOncePerSecondGuard) {
    sandbox.writeIni(kImmediateIni);
    addCarBeside();  // each request acts on it (SET_VEHICLE_MOD_KIT counts them)
    sim.start();
    const Tick pressed = sim.now();
    sim.hold(kVkL, 2500);
    // Requests at the press, then each time the guard (1000 ms after the
    // stamp that follows the request's yield) has passed.
    const std::vector<std::uint32_t> served = callTicks(sim, nat::SET_VEHICLE_MOD_KIT);
    ASSERT_EQ(served.size(), 3u);
    EXPECT_GT(elapsedSince(pressed, served[2]), 2000u);
}

TEST_F(LoopsTest, RequestWhileGettingInIsRefusedButStillConsumesTheGuard) {
    sandbox.writeIni(kImmediateIni);
    sim.world().placePlayer({0, 0, 0});
    sim.world().addVehicle(1, sim::VehicleKind::Car, {2, 0, 0});
    sim.world().player.entering = sim.world().vehicleById(1)->handle;
    sim.start();
    sim.tap(kVkL);
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD_KIT), 0u) << "no lock while getting in";
    sim.world().player.entering = 0;
    sim.keyDown(kVkL);
    sim.waitMs(900);
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD_KIT), 0u) << "still guarded";
    sim.waitMs(300);
    sim.keyUp(kVkL);
    sim.runFrame();
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD_KIT), 1u);
}

// A request that waited for a slowly streaming dictionary stamps the guard
// again as it ends: a held key fires again a whole guard window after that,
// not as soon as the window from the request's start has passed.
TEST_F(LoopsTest, TheGuardRunsFromTheEndOfARequestThatWaitedForStreaming) {
    sandbox.writeIni("[Vehicle]\r\nnotification_sound_signal=0\r\nremote_control_fob_sound=0\r\nlight_notification=0\r\n"
                     "[Animation]\r\nanimation=1\r\n");
    addCarBeside();
    sim.world().dicts_never.insert("anim@mp_player_intmenu@key_fob@");
    sim.start();
    sim.keyDown(kVkL);
    sim.waitMs(2500);                 // the request waits for the gesture's dictionary
    sim.world().dicts_never.clear();  // which streams in now
    sim.keyDown(kVkL, true);
    sim.waitMs(2000);
    const auto requests = callTicks(sim, nat::IS_PED_GETTING_INTO_A_VEHICLE);
    const auto gestures = callTicks(sim, nat::TASK_PLAY_ANIM);
    ASSERT_GE(requests.size(), 2u);
    ASSERT_GE(gestures.size(), 1u);
    EXPECT_GT(gestures[0] - requests[0], 2000u) << "the first request waited";
    EXPECT_GT(requests[1] - gestures[0], 1000u) << "a whole guard window after the first request ended";
}

// The flash timer starts when the scripts do: a lock right after loading
// flashes one interval after the load, not in the frame of the lock.
TEST_F(LoopsTest, ALockRightAfterLoadingFlashesOneIntervalAfterTheLoad) {
    sandbox.writeIni(immediateIni("light_notification=1\r\nnumber_of_lock_flashes=2\r\nlock_flash_interval=400\r\n"));
    addCarBeside();
    const Tick loaded = sim.now();
    sim.start();
    sim.tap(kVkL);
    sim.waitMs(1000);
    const auto flashes = callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {sim.world().vehicleById(1)->handle, 1});
    ASSERT_FALSE(flashes.empty());
    EXPECT_GT(flashes[0] - loaded, 400u);
    EXPECT_LE(flashes[0] - loaded, 416u);
}

TEST_F(LoopsTest, GuardsAndKeysSurviveTheWrapOfTheTick) {
    sandbox.writeIni(kImmediateIni);
    addCarBeside();  // each request acts on it (SET_VEHICLE_MOD_KIT counts them)
    sim.setStartTick(0xFFFFFFFFu - 1500u);
    sim.start();
    // Untouched keys never count as held, also in the first seconds after the wrap.
    sim.waitMs(8000);
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD_KIT), 0u);
    EXPECT_LT(sim.now(), 0x10000u) << "the clock wrapped";
}

TEST_F(LoopsTest, HeldKeyKeepsFiringAcrossTheWrap) {
    sandbox.writeIni(kImmediateIni);
    addCarBeside();  // each request acts on it (SET_VEHICLE_MOD_KIT counts them)
    sim.setStartTick(0xFFFFFFFFu - 1200u);
    sim.start();
    sim.hold(kVkL, 3500);
    EXPECT_LT(sim.now(), 0x10000u) << "the clock wrapped during the hold";
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD_KIT), 4u) << "a lock every guard period, before and after the wrap";

    // The world pass goes on every 300 ms after the wrap.
    const std::size_t passes = calls(nat::DOES_ENTITY_EXIST);
    sim.waitMs(3000);
    EXPECT_GE(calls(nat::DOES_ENTITY_EXIST) - passes, 9u);
}

// [SECTION] An exception inside the plug-in stops it, never the game

class HaltTest : public PluginTest {
protected:
    // Native calls made by the plug-in's scripts in the next `frames` frames.
    std::size_t scriptCallsOver(int frames) {
        const std::size_t before = sim.trace().size();
        sim.runFrames(frames);
        std::size_t n = 0;
        for (std::size_t i = before; i < sim.trace().size(); ++i) n += sim.trace()[i].fibre != "host" ? 1 : 0;
        return n;
    }
    // After a halt: keys, the menu and the frames go on without the plug-in.
    // Both script functions stay in their loops, yielding: a script function
    // that returns would end the game's fibre under it.
    void expectThePluginStandsStill() {
        EXPECT_TRUE(pluginHalted());
        sim.runFrames(2);
        EXPECT_EQ(sim.runningScripts(), 2u) << "a script function returned";
        sim.waitMs(1100);
        const std::uint64_t frame = sim.frame();
        EXPECT_EQ(scriptCallsOver(60), 0u) << "the loops only yield";
        EXPECT_EQ(sim.frame(), frame + 60) << "the game's frames run on";
        sim.tap(kVkU);
        sim.tap(kVkF9);
        sim.waitMs(300);
        EXPECT_EQ(keyStateTable.keys[kVkU].tick.load(), 0u) << "the keyboard handler ignores messages";
        EXPECT_EQ(vehicle(1).lock, 1) << "no unlock";
        EXPECT_TRUE(sim.lastDrawing().texts.empty()) << "no menu";
    }
};

TEST_F(HaltTest, AnExceptionInTheMainScriptStopsThePluginAndTheGameRunsOn) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\nthrow SET_VEHICLE_DOORS_LOCKED\ntap L\n");
    EXPECT_EQ(vehicle(1).lock, 1) << "the lock was cut short by the exception";
    resetKeyStateTable();
    expectThePluginStandsStill();
    // TearDown: no fault (no exception reached the host) and the unload works.
}

TEST_F(HaltTest, AnExceptionInTheMenuGivesControlBackAndStopsThePlugin) {
    sandbox.writeIni(immediateIni() + "[Menu]\r\ngame_input_disabled_while_menu_is_open=1\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap F9\nwait 300\n");
    ASSERT_FALSE(sim.world().player.control) << "the menu took control";
    ASSERT_FALSE(sim.lastDrawing().texts.empty());
    scenario("throw DRAW_RECT\nframes 2\n");
    EXPECT_TRUE(sim.world().player.control) << "given back when the menu stopped";
    resetKeyStateTable();
    expectThePluginStandsStill();
}

TEST_F(HaltTest, AnExceptionInTheKeyboardHandlerStaysInThePlugin) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\nthrow key\ntap L\n");
    EXPECT_EQ(vehicle(1).lock, 1);
    expectThePluginStandsStill();
}

TEST_F(HaltTest, ANewLoadStartsAfresh) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\nthrow key\ntap L\nunload\nstart\ntap L\n");
    EXPECT_FALSE(pluginHalted());
    EXPECT_EQ(vehicle(1).lock, 4);
}

TEST(TickArithmeticTest, ElapsedTimeIsCorrectAcrossTheWrap) {
    const Tick before = 0xFFFFFF00u;
    const Tick after = 0x00000100u;
    EXPECT_EQ(elapsedSince(before, after), 0x200u);
    EXPECT_TRUE(hasElapsed(before, 0x1FFu, after));
    EXPECT_FALSE(hasElapsed(before, 0x200u, after)) << "strictly later than stamp + delay";
    EXPECT_TRUE(isWithin(before, 0x201u, after));
    EXPECT_FALSE(isWithin(before, 0x200u, after));
    // The sum stamp + delay wraps to a small number; the old comparison
    // (now > stamp + delay) would already call this delay passed.
    EXPECT_FALSE(hasElapsed(0xFFFFFFF0u, 1000u, 0xFFFFFFF8u));
}

}  // namespace
}  // namespace tavrel::testing
