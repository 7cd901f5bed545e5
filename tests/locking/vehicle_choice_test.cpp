// Which car a lock or unlock acts on: the nearest eligible one within the
// distance and height limits, the one the player is in, or the last one.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/plugin_fixture.h"

namespace tavrel::testing {
namespace {

class VehicleChoiceTest : public PluginTest {
protected:
    // Locks with the given world and returns the ID of the locked vehicle (0: none).
    int lockedId(const std::string& world, const std::string& ini_lines = "") {
        sandbox.writeIni(immediateIni(ini_lines));
        scenario("player 0 0 0\n" + world + "start\ntap L\n");
        int found = 0;
        for (auto& [id, v] : sim.world().vehicles) {
            if (v.lock >= 2) {
                EXPECT_EQ(found, 0) << "only one car is locked";
                found = id;
            }
        }
        return found;
    }
};

TEST_F(VehicleChoiceTest, NearestCarWins) {
    EXPECT_EQ(lockedId("vehicle 1 car 20 0 0\nvehicle 2 car 0 6 0\nvehicle 3 car -9 0 0\n"), 2);
}

TEST_F(VehicleChoiceTest, DistanceLimitIsInclusive) {
    EXPECT_EQ(lockedId("vehicle 1 car 41 0 0\n"), 0) << "41 m with the default 40";
}

TEST_F(VehicleChoiceTest, CarExactlyAtTheLimitIsTaken) { EXPECT_EQ(lockedId("vehicle 1 car 0 40 0\n"), 1); }

TEST_F(VehicleChoiceTest, ConfiguredDistanceLimit) {
    EXPECT_EQ(lockedId("vehicle 1 car 12 0 0\n", "max_distance_to_vehicle=10\r\n"), 0);
}

TEST_F(VehicleChoiceTest, HeightAboveTheGroundBelowIsLimited) {
    // 31 m above the ground below it (default limit 30): not taken, although closer.
    EXPECT_EQ(lockedId("vehicle 1 heli 0 0 31 ground=0\nvehicle 2 car 35 0 0\n"), 2);
}

TEST_F(VehicleChoiceTest, HeightIsMeasuredFromTheGroundBelowTheVehicle) {
    // On a roof 20 m up, standing on it: height 0 above that ground.
    EXPECT_EQ(lockedId("vehicle 1 car 0 5 20 ground=20\n"), 1);
}

TEST_F(VehicleChoiceTest, ABoatIsTakenWhateverTheDepthOfTheWaterBelowIt) {
    // Over water the ground found below is the seabed, 40 m down.
    EXPECT_EQ(lockedId("vehicle 1 boat 0 5 0 water=40\nvehicle 2 car 20 0 0\n"), 1);
}

TEST_F(VehicleChoiceTest, WhereNoGroundIsFoundTheHeightIsNotTested) {
    // A car on a hill 120 m up, the player beside it: the game finds no ground
    // below (not loaded); measuring to height 0 would drop it.
    EXPECT_EQ(lockedId("player 0 0 120\nvehicle 1 car 0 5 120 ground=none\n"), 1);
}

TEST_F(VehicleChoiceTest, WithoutGroundTheDistanceLimitAndTheNearestStillDecide) {
    EXPECT_EQ(lockedId("player 0 0 120\nvehicle 1 car 0 30 120 ground=none\nvehicle 2 car 0 8 120 ground=120\n"
                       "vehicle 3 car 0 45 120 ground=none\nvehicle 4 heli 0 9 160 ground=120\n"),
              2);
}

TEST_F(VehicleChoiceTest, OnlyDriveableVehiclesOfTheEligibleKinds) {
    EXPECT_EQ(lockedId("vehicle 1 car 2 0 0 driveable=0\nvehicle 2 other 3 0 0\nvehicle 3 jetski 4 0 0\n"
                       "vehicle 4 plane 30 0 0\n"),
              4);
}

TEST_F(VehicleChoiceTest, EveryEligibleKindCanBeChosen) {
    for (const char* kind : {"car", "bike", "quad", "heli", "plane", "boat", "bicycle"}) {
        SCOPED_TRACE(kind);
        sim.resetWorld();
        sandbox.writeIni(kImmediateIni);
        scenario(std::string("player 0 0 0\nvehicle 1 ") + kind + " 5 0 0\n");
        if (!sim.started()) sim.start();
        sim.waitMs(1100);
        sim.tap(kVkL);
        EXPECT_GE(vehicle(1).lock, 2);
    }
}

TEST_F(VehicleChoiceTest, TiesGoToTheLaterVehicleOfTheWorldList) {
    EXPECT_EQ(lockedId("vehicle 1 car 3 0 0\nvehicle 2 car -3 0 0\nvehicle 3 car 0 3 0\n"), 3);
}

TEST_F(VehicleChoiceTest, VehicleThePlayerSitsInWinsOverNearerOnes) {
    EXPECT_EQ(lockedId("vehicle 1 car 1 0 0\nvehicle 2 car 30 0 0\nsit 2\n"), 2);
    EXPECT_FALSE(vehicle(2).alarm) << "locked from inside";
}

// Tugging at a locked door the player is not in the car: the unlock is one
// from outside (gesture, beeps), of that car, not of a nearer one.
TEST_F(VehicleChoiceTest, AnUnlockAtALockedDoorIsOfThatCarFromOutside) {
    sandbox.writeIni(
        "[Vehicle]\r\nnotification_sound_signal=1\r\nnotification_sound_times_when_unlocking=1\r\n"
        "remote_control_fob_sound=0\r\nlight_notification=0\r\nunbreakable_locks_for_player=0\r\n[Animation]\r\nanimation=1\r\n");
    scenario("player 0 0 0\nvehicle 1 car 1.5 0 0 lock=2\nvehicle 2 car -2.5 0 0 lock=2\nenter 2\nstart\ntap U\nwait 1500\n");
    EXPECT_EQ(vehicle(2).lock, 0);
    EXPECT_EQ(vehicle(1).lock, 2) << "the nearer car stays locked";
    EXPECT_EQ(sim.world().player.anim, "fob_click");
    EXPECT_EQ(std::count_if(sim.sounds().begin(), sim.sounds().end(),
                            [](const sim::SoundEvent& e) { return e.name == "Remote_Control_Open" && e.source_id == 2; }),
              1);
}

TEST_F(VehicleChoiceTest, LastVehicleOptionPicksItFromAnyDistance) {
    EXPECT_EQ(lockedId("vehicle 1 car 2000 0 0\nvehicle 2 car 2 0 0\nsit 1\nexit\nplayer 0 0 0\n",
                       "use_players_last_vehicle=1\r\n"),
              1);
    EXPECT_TRUE(vehicle(1).alarm) << "locked from outside";
}

TEST_F(VehicleChoiceTest, VanishedVehiclesAreSkipped) {
    sandbox.writeIni(kImmediateIni);
    scenario("player 0 0 0\nvehicle 1 car 2 0 0\nvehicle 2 car 9 0 0\nstart\ndelete 1\ntap L\n");
    EXPECT_EQ(vehicle(2).lock, 4);
}

}  // namespace
}  // namespace tavrel::testing
