// Lock and unlock from inside and from outside, the immediate and the
// delayed path with their delays, and the refusals while getting in.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "support/plugin_fixture.h"
#include "support/trace_query.h"

namespace tavrel::testing {
namespace {

using SequenceTest = PluginTest;

// Lock states the plug-in gave a vehicle, in order.
std::vector<std::int32_t> lockStates(const sim::Simulator& sim, int handle) {
    std::vector<std::int32_t> states;
    for (const auto& args : callArgs(sim, nat::SET_VEHICLE_DOORS_LOCKED)) {
        if (args[0] == handle) states.push_back(args[1]);
    }
    return states;
}

TEST_F(SequenceTest, LockFromOutsideArmsTheAlarmStopsTheEngineAndKeepsOccupantsIn) {
    sandbox.writeIni(immediateIni("roll_up_windows_upon_lock=1\r\nengine_on_after_unlocking=1\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\n");
    vehicle(1).engine = true;
    vehicle(1).windows_down = {true, true, true, true};
    sim.tap(kVkL);
    const int car = vehicle(1).handle;
    EXPECT_EQ(lockStates(sim, car), (std::vector<std::int32_t>{2, 4}));
    EXPECT_EQ(vehicle(1).lock, 4);
    EXPECT_TRUE(vehicle(1).alarm);
    EXPECT_FALSE(vehicle(1).engine);
    EXPECT_EQ(vehicle(1).windows_down, (std::array<bool, 4>{}));
    // Headlights forced off at the lock; the restore that follows a lock
    // without light notification puts them back to normal.
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_LIGHTS, {car, 1}).size(), 1u);
    sim.runFrames(2);
    EXPECT_EQ(vehicle(1).headlights, 0);
}

TEST_F(SequenceTest, BikesBoatsQuadsAndBicyclesOnlyGetTheSimpleLock) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 bike 2 0 0\nvehicle 2 boat 0 30 0\nvehicle 3 quad 0 -30 0\n"
             "vehicle 4 bicycle -30 0 0\nvehicle 5 car 30 0 0\nstart\n");
    for (int id = 1; id <= 5; ++id) {
        sim::SimVehicle& v = vehicle(id);
        scenario("sit " + std::to_string(id) + "\n");
        sim.waitMs(1100);
        sim.tap(kVkL);
        const std::vector<std::int32_t> expected = id == 5 ? std::vector<std::int32_t>{2, 4} : std::vector<std::int32_t>{2};
        EXPECT_EQ(lockStates(sim, v.handle), expected) << "vehicle " << id;
    }
}

TEST_F(SequenceTest, CanLeaveWhileLockedKeepsTheSimpleLock) {
    sandbox.writeIni(immediateIni("can_leave_while_locked=1\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap L\n");
    EXPECT_EQ(lockStates(sim, vehicle(1).handle), std::vector<std::int32_t>{2});
}

TEST_F(SequenceTest, LockFromInsideLeavesAlarmEngineAndLightsAlone) {
    sandbox.writeIni(immediateIni("engine_on_after_unlocking=0\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 0 0 0\nsit 1\nstart\n");
    vehicle(1).engine = true;
    sim.tap(kVkL);
    sim.runFrames(3);
    EXPECT_EQ(vehicle(1).lock, 4);
    EXPECT_FALSE(vehicle(1).alarm);
    EXPECT_TRUE(vehicle(1).engine);
    EXPECT_EQ(calls(nat::SET_VEHICLE_LIGHTS), 0u);
}

TEST_F(SequenceTest, UnlockFromOutsideOpensDoorsAndWindowsAndSetsPlateEngineAndLights) {
    sandbox.writeIni(immediateIni(
        "open_door_front_left=1\r\nopen_door_trunk=1\r\nroll_down_windows_upon_unlock=1\r\nset_plate_text_on=1\r\n"
        "set_vehicle_license_plate_text=TAVREL 1\r\nengine_on_after_unlocking=1\r\nlight_multiplier=7\r\n"
        "headlights_at_movement=4\r\nmake_vehicle_belong_to_player=1\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 3 0 0 lock=2\nstart\n");
    vehicle(1).alarm = true;
    sim.tap(kVkU);
    const sim::SimVehicle& v = vehicle(1);
    EXPECT_EQ(v.lock, 0);
    EXPECT_FALSE(v.alarm);
    EXPECT_GT(v.doors[0], 0.0f);
    EXPECT_GT(v.doors[5], 0.0f);
    EXPECT_EQ(v.doors[1], 0.0f);
    EXPECT_EQ(v.windows_down, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(v.plate, "TAVREL 1");
    EXPECT_TRUE(v.engine);
    EXPECT_FLOAT_EQ(v.light_multiplier, 7.0f);
    EXPECT_TRUE(v.full_beam) << "mode 4 from outside";
    EXPECT_TRUE(v.owned);
}

// The roof follows the locks only from outside: raised at a lock, lowered at
// an unlock; not with the option off, not from the driver's seat, not on a
// car without a soft top.
struct RoofCase {
    const char* what;
    const char* lines;
    bool convertible;
    bool inside;
    bool moves;
};

TEST_F(SequenceTest, ConvertibleRoofGoesUpAtALockAndDownAtAnUnlockFromOutside) {
    const RoofCase cases[] = {
        {"outside", "alter_roof_on_convertibles=1\r\n", true, false, true},
        {"option off", "alter_roof_on_convertibles=0\r\n", true, false, false},
        {"from the driver's seat", "alter_roof_on_convertibles=1\r\n", true, true, false},
        {"no soft top", "alter_roof_on_convertibles=1\r\n", false, false, false},
    };
    for (const RoofCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim.clearTrace();
        sandbox.writeIni(immediateIni(c.lines));
        scenario(std::string("player 0 0 0\nvehicle 1 car ") + (c.inside ? "0" : "3") + " 0 0 convertible=" +
                 (c.convertible ? "1" : "0") + (c.inside ? "\nsit 1" : "") + "\nstart\n");
        vehicle(1).roof_down = true;
        sim.tap(kVkL);
        ASSERT_EQ(vehicle(1).lock, 4);
        EXPECT_EQ(vehicle(1).roof_down, !c.moves) << "at the lock";
        EXPECT_EQ(calls(nat::RAISE_CONVERTIBLE_ROOF), c.moves ? 1u : 0u);

        vehicle(1).roof_down = false;
        sim.waitMs(1100);
        sim.tap(kVkU);
        ASSERT_EQ(vehicle(1).lock, 0);
        EXPECT_EQ(vehicle(1).roof_down, c.moves) << "at the unlock";
        EXPECT_EQ(calls(nat::LOWER_CONVERTIBLE_ROOF), c.moves ? 1u : 0u);
        sim.unload();
        sim.resetWorld();
    }
}

// Asking the game who sits in an empty seat of a car that is not a mission
// entity seats a stranger there: the unlock asks whether a front seat is
// free first, and makes nobody sit anywhere.
TEST_F(SequenceTest, ACarBecomesThePlayersOwnOnlyWithItsFrontSeatsEmptyAndNobodyIsSeated) {
    struct Case {
        const char* what;
        const char* vehicle;
        bool persistent;
        bool owned;
    };
    const Case cases[] = {
        {"an empty parked car", "vehicle 1 car 3 0 0 lock=2", false, true},
        {"an empty parked car, kept", "vehicle 1 car 3 0 0 lock=2", true, true},
        {"someone at the wheel", "vehicle 1 car 3 0 0 lock=2 driver=9", false, false},
        {"someone beside the wheel", "vehicle 1 car 3 0 0 lock=2 passenger=0,9", false, false},
        {"someone in the back only", "vehicle 1 car 3 0 0 lock=2 passenger=2,9", false, true},
        {"a bicycle, one seat", "vehicle 1 bicycle 3 0 0 lock=2", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sim.resetWorld();
        sandbox.writeIni(immediateIni(std::string("make_vehicle_belong_to_player=1\r\ncurrent_player_vehicle_persistent=") +
                                      (c.persistent ? "1" : "0") + "\r\n"));
        scenario(std::string("player 0 0 0\nped 9 30 0 0\n") + c.vehicle + "\nstart\ntap U\n");
        EXPECT_EQ(vehicle(1).lock, 0);
        EXPECT_EQ(vehicle(1).owned, c.owned);
        EXPECT_EQ(sim.world().peds.size(), 1u) << "nobody made to sit in the car";
        sim.unload();
    }
}

TEST_F(SequenceTest, UnlockFromInsideOpensNoDoorUnlessAskedTo) {
    sandbox.writeIni(immediateIni("open_door_front_left=1\r\nheadlights_at_movement=4\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 0 0 0 lock=2\nsit 1\nstart\ntap U\n");
    EXPECT_EQ(vehicle(1).lock, 0);
    EXPECT_EQ(vehicle(1).doors[0], 0.0f);
    EXPECT_FALSE(vehicle(1).full_beam) << "mode 4 only from outside";

    sandbox.writeIni(immediateIni("open_door_front_left=1\r\nopen_doors_at_unlock_while_inside=1\r\n"));
    sim.waitMs(1100);
    sim.tap(kVkU);
    EXPECT_GT(vehicle(1).doors[0], 0.0f);
}

TEST_F(SequenceTest, ImmediatePathActsInTheFrameOfTheRequest) {
    // Animation 1 skips the gesture inside a vehicle; without sounds nothing delays.
    sandbox.writeIni("[Vehicle]\r\nnotification_sound_signal=0\r\nremote_control_fob_sound=0\r\n[Animation]\r\nanimation=1\r\n");
    scenario("player 0 0 0\nvehicle 1 car 0 0 0\nsit 1\nstart\n");
    sim.keyDown(kVkL);
    sim.runFrame();
    EXPECT_EQ(vehicle(1).lock, 4);
    EXPECT_FALSE(sim.world().mp_audio);
}

struct DelayCase {
    const char* name;
    const char* ini;
    bool inside;
    std::uint32_t delay;
    bool mp_audio;
};

class DelayedPathTest : public PluginTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(DelayedPathTest, LockWaitsForItsDelayAfterTheRequest) {
    const DelayCase& c = GetParam();
    sandbox.writeIni(c.ini);
    scenario(c.inside ? "player 0 0 0\nvehicle 1 car 0 0 0\nsit 1\nstart\n" : "player 0 0 0\nvehicle 1 car 3 0 0\nstart\n");
    // The request is taken when its gesture starts (once the dictionary has
    // loaded) or, without one, when the audio for the beeps or click goes on.
    const bool gesture = std::string(c.ini).find("animation=0") == std::string::npos;
    const auto taken = [&] { return gesture ? sim.world().player.anim.has_value() : sim.world().mp_audio; };
    sim.keyDown(kVkL);
    for (int i = 0; i < 60 && !taken(); ++i) sim.runFrame();
    sim.keyUp(kVkL);
    ASSERT_TRUE(taken());
    const std::vector<std::uint32_t> started = gesture ? callTicks(sim, nat::TASK_PLAY_ANIM) : multiplayerAudioTicks(sim, true);
    ASSERT_EQ(started.size(), 1u);
    const std::uint32_t requested = started[0];
    EXPECT_EQ(sim.world().mp_audio, c.mp_audio);
    EXPECT_TRUE(callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED).empty()) << "the lock waits";
    sim.waitMs(c.delay + 200);
    const auto ticks = callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED, {vehicle(1).handle, 2});
    ASSERT_EQ(ticks.size(), 1u);
    EXPECT_GT(ticks[0] - requested, c.delay);
    EXPECT_LE(ticks[0] - requested, c.delay + 16) << "the first frame after the delay";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, DelayedPathTest,
    ::testing::Values(
        DelayCase{"FobGestureOnFoot", "[Vehicle]\r\nnotification_sound_signal=0\r\n[Animation]\r\nanimation=1\r\n", false,
                  1000, false},
        DelayCase{"BeepInsideIsHalfASecond", "[Vehicle]\r\nnotification_sound_signal=1\r\n[Animation]\r\nanimation=0\r\n",
                  true, 500, true},
        DelayCase{"BeepOnFootIsASecond", "[Vehicle]\r\nnotification_sound_signal=1\r\n[Animation]\r\nanimation=0\r\n",
                  false, 1000, true},
        DelayCase{"PhoneInside", "[Vehicle]\r\nnotification_sound_signal=2\r\n[Animation]\r\nanimation=2\r\n", true, 500,
                  false},
        DelayCase{"FobClickOnFoot",
                  "[Vehicle]\r\nnotification_sound_signal=0\r\nremote_control_fob_sound=1\r\n[Animation]\r\nanimation=0\r\n",
                  false, 1000, true}),
    [](const ::testing::TestParamInfo<DelayCase>& p) { return std::string(p.param.name); });

TEST_F(SequenceTest, NewRequestWhilePendingRestartsTheWait) {
    // The controller combination has a 500 ms guard, shorter than the
    // 1000 ms delay on foot, so a second request can come while one waits.
    sandbox.writeIni(
        "[Vehicle]\r\nnotification_sound_signal=1\r\n[Animation]\r\nanimation=0\r\n"
        "[Controller]\r\nactivate_controller=1\r\ncontroller_lock_1_of_2=20\r\ncontroller_lock_2_of_2=21\r\n");
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ncontrol down 20\ncontrol down 21\nframes 1\ncontrol up 21\n");
    ASSERT_EQ(multiplayerAudioTicks(sim, true).size(), 1u) << "the first request is waiting";
    scenario("wait 600\ncontrol down 21\nframes 1\ncontrol up 21\n");
    const std::vector<std::uint32_t> requests = multiplayerAudioTicks(sim, true);
    ASSERT_EQ(requests.size(), 2u) << "the second request is taken";
    const std::uint32_t second = requests[1];
    EXPECT_GT(second - requests[0], 500u);
    sim.waitMs(1200);
    const auto ticks = callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED, {vehicle(1).handle, 2});
    ASSERT_EQ(ticks.size(), 1u) << "one lock, timed from the second request";
    EXPECT_GT(ticks[0] - second, 1000u);
    EXPECT_LE(ticks[0] - second, 1016u);
}

TEST_F(SequenceTest, LockWhileGettingInIsRefusedUnlockGoesAheadOnlyAtALockedDoor) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 2 0 0 lock=1\nenter 1\nstart\ntap L\n");
    EXPECT_EQ(calls(nat::SET_VEHICLE_DOORS_LOCKED), 0u);

    sim.waitMs(1100);
    sim.tap(kVkU);
    EXPECT_EQ(calls(nat::SET_VEHICLE_DOORS_LOCKED), 0u) << "getting into an unlocked car: nothing to do";

    vehicle(1).lock = 2;  // locked again, and the player back at its door
    scenario("enter 1\n");
    sim.waitMs(1100);
    sim.tap(kVkU);
    EXPECT_EQ(vehicle(1).lock, 0);
}

TEST_F(SequenceTest, DeadOrArrestedPlayerBlocksTheWholeTick) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ndead 1\n");
    sim.keyDown(kVkL);
    sim.waitMs(500);
    EXPECT_EQ(vehicle(1).lock, 1);
    scenario("dead 0\narrested 1\n");
    sim.keyDown(kVkL);
    sim.waitMs(500);
    EXPECT_EQ(vehicle(1).lock, 1);
    scenario("arrested 0\n");
    sim.keyDown(kVkL);
    sim.runFrames(2);
    EXPECT_EQ(vehicle(1).lock, 4);
}

// With no car in range a request changes nothing in the world: the car
// locked last keeps its blip and persistence (so the game keeps it) and no
// signal starts; only what comes before the choice (gesture, fob click) runs.
TEST_F(SequenceTest, RequestWithNoCarInRangeLeavesTheTrackedCarAndStartsNoSignal) {
    for (const bool with_gesture : {false, true}) {
        SCOPED_TRACE(with_gesture ? "fob gesture and click" : "immediate");
        sim.resetWorld();
        const std::string gesture = with_gesture ? "remote_control_fob_sound=1\r\n" : "";
        sandbox.writeIni("[Vehicle]\r\n" + gesture +
                         "current_player_vehicle_blip=1\r\ncurrent_player_vehicle_persistent=1\r\n"
                         "notification_sound_signal=2\r\nnotification_sound_times_when_locking=2\r\n"
                         "notification_sound_times_when_unlocking=2\r\nremote_control_fob_sound=0\r\n"
                         "light_notification=1\r\nnumber_of_lock_flashes=2\r\nnumber_of_unlock_flashes=2\r\n"
                         "[Animation]\r\nanimation=" + std::string(with_gesture ? "3" : "0") + "\r\n");
        scenario("player 0 0 0\nvehicle 1 car 3 0 0\n");
        if (!sim.started()) scenario("start\n");
        scenario("wait 1100\ntap L\nwait 3000\n");
        const int car = vehicle(1).handle;
        ASSERT_EQ(vehicle(1).lock, 4);
        ASSERT_NE(sim.world().blipOf(car), nullptr);
        ASSERT_TRUE(vehicle(1).mission);

        // The player walks 500 m away and unlocks: nothing there qualifies.
        scenario("player 500 0 0\n");
        sim.clearTrace();
        const std::size_t horns = sim.horns().size();
        const std::size_t sounds = sim.sounds().size();
        scenario("tap U\nwait 3000\n");
        EXPECT_NE(sim.world().blipOf(car), nullptr) << "still the tracked car: keeps its blip";
        EXPECT_TRUE(vehicle(1).mission) << "stays persistent";
        EXPECT_EQ(vehicle(1).lock, 4) << "stays locked";
        EXPECT_EQ(sim.horns().size(), horns) << "no horn";
        EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS).size(), 0u) << "no flash, no restore";
        EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_DOORS_LOCKED).size(), 0u);
        EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_MOD_KIT).size(), 0u);
        EXPECT_EQ(callTicks(sim, nat::REMOVE_BLIP).size(), 0u);
        EXPECT_EQ(callTicks(sim, nat::SET_ENTITY_AS_NO_LONGER_NEEDED).size(), 0u);
        std::size_t clicks = 0;
        for (std::size_t i = sounds; i < sim.sounds().size(); ++i) {
            EXPECT_EQ(sim.sounds()[i].name, "Remote_Control_Fob") << "no beep or other sound";
            ++clicks;
        }
        EXPECT_EQ(clicks, with_gesture ? 1u : 0u) << "the fob click comes before the choice";
        EXPECT_EQ(sim.world().player.anim.has_value(), with_gesture);
        scenario("delete 1\n");
    }
}

TEST_F(SequenceTest, RequestWithNoCarInRangeLetsARunningSignalEnd) {
    sandbox.writeIni(immediateIni("light_notification=1\r\nnumber_of_unlock_flashes=6\r\n"
                                  "unlock_flash_interval=400\r\nnotification_sound_signal=2\r\n"
                                  "notification_sound_times_when_unlocking=6\r\nnotification_sound_interval=400\r\n"));
    scenario("player 0 0 0\nvehicle 1 car 3 0 0 lock=2\nstart\nwait 1100\ntap U\nwait 1100\n");
    const std::size_t flashed = callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {vehicle(1).handle, 1}).size();
    ASSERT_GT(flashed, 0u);
    ASSERT_LT(flashed, 6u) << "the unlock's series is still running";
    scenario("player 500 0 0\ntap L\nwait 2500\n");
    EXPECT_EQ(vehicle(1).lock, 0);
    EXPECT_EQ(callTicks(sim, nat::SET_VEHICLE_BRAKE_LIGHTS, {vehicle(1).handle, 1}).size(), 6u) << "all six flashes";
    EXPECT_EQ(sim.horns().size(), 6u) << "all six horn signals";
    EXPECT_FALSE(vehicle(1).brake_lights) << "and the restore";
}

}  // namespace
}  // namespace tavrel::testing
