// The notification signals after a lock or unlock: beeps, horn, the flash
// series with its restore, and the neon signal during the series.
#include <gtest/gtest.h>

#include <array>

#include "config/settings.h"
#include "support/plugin_fixture.h"
#include "support/trace_query.h"

namespace tavrel::testing {
namespace {

using SignalsTest = PluginTest;

// Requests act at once; `lines` add [Vehicle] keys.
void immediateWith(const Sandbox& box, const std::string& lines) { box.writeIni(immediateIni(lines)); }

TEST_F(SignalsTest, HornSoundsTheConfiguredTimesWithItsDuration) {
    // Horn signals do not delay the request (only the beep does).
    immediateWith(sandbox,
                  "notification_sound_signal=2\r\nhorn_duration=250\r\nnotification_sound_times_when_locking=3\r\n"
                  "notification_sound_interval=400\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap L\nwait 1500\n");
    ASSERT_EQ(sim.horns().size(), 3u);
    for (const sim::HornEvent& h : sim.horns()) {
        EXPECT_EQ(h.vehicle_id, 1);
        EXPECT_EQ(h.ms, 250);
    }
    EXPECT_GT(sim.horns()[1].tick - sim.horns()[0].tick, 400u);
    EXPECT_LE(sim.horns()[1].tick - sim.horns()[0].tick, 416u);
    const auto modes = callArgs(sim, nat::START_VEHICLE_HORN);
    EXPECT_EQ(static_cast<std::uint32_t>(modes[0][2]), sim.world().hashName("HELDDOWN"));
}

TEST_F(SignalsTest, ZeroHornDurationInTheFileKeepsThePreviousDuration) {
    immediateWith(sandbox, "notification_sound_signal=2\r\nhorn_duration=0\r\nnotification_sound_times_when_locking=1\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap L\nwait 500\n");
    ASSERT_EQ(sim.horns().size(), 1u);
    EXPECT_EQ(sim.horns()[0].ms, 10) << "the initial 10 ms";
}

TEST_F(SignalsTest, SignalOffPlaysNothingButCountsDown) {
    immediateWith(sandbox, "notification_sound_times_when_locking=4\r\nnotification_sound_interval=50\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap L\nwait 500\n");
    EXPECT_TRUE(sim.horns().empty());
    EXPECT_TRUE(sim.sounds().empty() || sim.sounds().back().set != "PI_Menu_Sounds");
    // The count ran down all the same: the horn switched on now (as the sound
    // page does) has nothing left to sound.
    settings.notification_sound_signal = 2;
    sim.waitMs(500);
    EXPECT_TRUE(sim.horns().empty());
}

TEST_F(SignalsTest, LockBeepsCloseAndUnlockBeepsOpenFromTheCar) {
    sandbox.writeIni(
        "[Vehicle]\r\nnotification_sound_signal=1\r\nnotification_sound_times_when_locking=2\r\n"
        "notification_sound_times_when_unlocking=1\r\nnotification_sound_interval=100\r\nlight_notification=0\r\n"
        "[Animation]\r\nanimation=0\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap L\nwait 1600\ntap U\nwait 1500\n");
    std::vector<std::string> names;
    for (const sim::SoundEvent& s : sim.sounds()) {
        EXPECT_EQ(s.set, "PI_Menu_Sounds");
        EXPECT_EQ(s.source, "id");
        EXPECT_EQ(s.source_id, 1);
        names.push_back(s.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Remote_Control_Close", "Remote_Control_Close", "Remote_Control_Open"}));
}

TEST_F(SignalsTest, NoSignalWhenLockingFromInside) {
    sandbox.writeIni(
        "[Vehicle]\r\nnotification_sound_signal=2\r\nnotification_sound_times_when_locking=2\r\n[Animation]\r\nanimation=0\r\n");
    scenario("player 0 0 0\nvehicle 1 car 0 0 0\nsit 1\nstart\ntap L\nwait 1000\n");
    EXPECT_EQ(vehicle(1).lock, 4);
    EXPECT_TRUE(sim.horns().empty());
}

TEST_F(SignalsTest, LockFlashSeriesRestoresLightsNeonEngineAndHeadlights) {
    immediateWith(sandbox,
                  "light_notification=1\r\nnumber_of_lock_flashes=3\r\nlock_flash_interval=150\r\n"
                  "neon_notification=1\r\nheadlights_when_locking=0\r\n");
    // (the first step waits one interval after the flash stamp set at start)
    scenario("player 0 0 0\nvehicle 1 car 3 0 0 neon=1010\nstart\nwait 500\ntap L\n");
    const int car = vehicle(1).handle;
    EXPECT_TRUE(vehicle(1).engine) << "the engine runs so the lights can flash";
    EXPECT_TRUE(vehicle(1).brake_lights);
    EXPECT_EQ(vehicle(1).neon, (std::array<bool, 4>{false, true, false, true})) << "first step inverts the neon";
    sim.waitMs(1000);
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {car, 1}).size(), 3u);
    EXPECT_FALSE(vehicle(1).brake_lights);
    EXPECT_EQ(vehicle(1).indicators, (std::array<bool, 2>{false, false}));
    EXPECT_EQ(vehicle(1).neon, (std::array<bool, 4>{true, false, true, false})) << "saved sides back";
    EXPECT_FALSE(vehicle(1).engine);
    EXPECT_EQ(vehicle(1).headlights, 0);
}

TEST_F(SignalsTest, ZeroLockFlashesStillRestoreAfterTheInterval) {
    immediateWith(sandbox, "light_notification=1\r\nnumber_of_lock_flashes=0\r\nlock_flash_interval=300\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0 neon=1100\nstart\n");
    const std::uint32_t before = sim.now();
    sim.tap(kVkL);
    sim.waitMs(600);
    const int car = vehicle(1).handle;
    EXPECT_TRUE(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {car, 1}).empty()) << "no flash step";
    const auto restores = callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {car, 0});
    ASSERT_EQ(restores.size(), 1u);
    EXPECT_GT(restores[0] - before, 0u);
    EXPECT_EQ(vehicle(1).neon, (std::array<bool, 4>{true, true, false, false}));
    EXPECT_FALSE(vehicle(1).engine);
}

TEST_F(SignalsTest, UnlockRestoreStopsTheEngineOnlyInModesOffAndDuringNotification) {
    for (int mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        immediateWith(sandbox, "light_notification=1\r\nnumber_of_unlock_flashes=2\r\nunlock_flash_interval=100\r\n"
                               "engine_on_after_unlocking=" + std::to_string(mode) + "\r\n");
        scenario("vehicle " + std::to_string(10 + mode) + " car 0 3 0 lock=2\n");
        if (!sim.started()) scenario("player 0 0 0\nstart\n");
        sim::SimVehicle& car = vehicle(10 + mode);
        car.engine = true;
        sim.waitMs(1100);
        sim.tap(kVkU);
        sim.waitMs(600);
        EXPECT_EQ(car.lock, 0);
        EXPECT_EQ(car.engine, mode == 1 || mode == 3);
        scenario("delete " + std::to_string(10 + mode) + "\n");
    }
}

TEST_F(SignalsTest, SequentialNeonSignalRunsBackwardsOnLockAndForwardsOnUnlock) {
    immediateWith(sandbox, "light_notification=1\r\nnumber_of_lock_flashes=2\r\nnumber_of_unlock_flashes=2\r\n"
                           "lock_flash_interval=100\r\nunlock_flash_interval=100\r\nneon_notification=2\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\n");
    const int car = vehicle(1).handle;
    // Sides switched on during a series, in order: positions map to left,
    // front, right, back (sides 0, 2, 1, 3).
    const auto sidesOn = [&] {
        std::vector<std::int32_t> sides;
        for (const auto& args : callArgs(sim, nat::SET_VEHICLE_NEON_ENABLED)) {
            if (args[0] == car && args[2] == 1) sides.push_back(args[1]);
        }
        return sides;
    };
    sim.tap(kVkL);
    sim.waitMs(300);
    EXPECT_EQ(sidesOn(), (std::vector<std::int32_t>{3, 1})) << "from left backwards: back, right";
    sim.clearTrace();
    sim.waitMs(800);
    sim.tap(kVkU);
    sim.waitMs(300);
    EXPECT_EQ(sidesOn(), (std::vector<std::int32_t>{3, 0})) << "from right forwards: back, left";
}

TEST_F(SignalsTest, NewLockStopsARunningUnlockSeries) {
    immediateWith(sandbox, "light_notification=1\r\nnumber_of_unlock_flashes=50\r\nunlock_flash_interval=100\r\n"
                           "number_of_lock_flashes=1\r\nlock_flash_interval=100\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap U\nwait 1100\ntap L\nwait 1500\n");
    EXPECT_FALSE(vehicle(1).brake_lights) << "the lock's series ended with its restore";
    EXPECT_LT(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {vehicle(1).handle, 1}).size(), 20u);
}

// A lock or unlock in the middle of the other's flash series: the sides the
// series blinks are not taken for the car's own.
TEST_F(SignalsTest, ActionDuringAFlashSeriesGivesBackTheCarsOwnNeonSides) {
    using Sides = std::array<bool, 4>;
    const Sides own{true, true, false, false};
    for (const bool first_is_unlock : {true, false}) {
        SCOPED_TRACE(first_is_unlock ? "lock during an unlock series" : "unlock during a lock series");
        sim.resetWorld();
        immediateWith(sandbox, "light_notification=1\r\nnumber_of_unlock_flashes=40\r\nnumber_of_lock_flashes=40\r\n"
                               "unlock_flash_interval=100\r\nlock_flash_interval=100\r\nneon_notification=1\r\n");
        scenario("player 0 0 0\nvehicle 1 car 3 0 0 neon=1100\n");
        if (!sim.started()) scenario("start\n");
        sim.waitMs(1100);
        sim.tap(first_is_unlock ? kVkU : kVkL);
        sim.waitMs(1100);  // past the input guard; the series runs on
        for (int i = 0; i < 200 && vehicle(1).neon == own; ++i) sim.runFrame();
        ASSERT_EQ(vehicle(1).neon, (Sides{false, false, true, true})) << "caught mid-series, inverted";
        sim.tap(first_is_unlock ? kVkL : kVkU);
        sim.waitMs(5000);  // the second series and every restore are over
        EXPECT_EQ(vehicle(1).neon, own);
        scenario("delete 1\n");
    }
}

TEST_F(SignalsTest, AnotherCarChosenDuringASeriesHasItsOwnSidesSaved) {
    immediateWith(sandbox, "light_notification=1\r\nnumber_of_unlock_flashes=40\r\nnumber_of_lock_flashes=2\r\n"
                           "unlock_flash_interval=100\r\nlock_flash_interval=100\r\nneon_notification=1\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0 neon=1100\nvehicle 2 car 0 30 0 neon=0101\nstart\nwait 1100\n"
             "tap U\nwait 1300\nsit 2\ntap L\nwait 1000\n");
    EXPECT_EQ(vehicle(2).lock, 4);
    EXPECT_FALSE(vehicle(2).alarm) << "locked from inside";
    EXPECT_EQ(vehicle(2).neon, (std::array<bool, 4>{false, true, false, true}));
}

}  // namespace
}  // namespace tavrel::testing
