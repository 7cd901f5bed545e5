// What the game does that a plain model would not: getting in by stages, a
// seat query that creates a character, the stopped threshold, a destroyed
// last vehicle, the colour of a new blip, ground over water, a short horn with
// the player inside, the end of a script's audio flags, long text components.
#include <gtest/gtest.h>

#include <string>

#include "host/native_invoker.h"
#include "sim/protocol/simulator.h"
#include "sim/report/reports.h"
#include "support/sandbox.h"

namespace tavrel::sim {
namespace {

class GameQuirks : public ::testing::Test {
protected:
    void SetUp() override { sim.allowNativeCallsFromHost(true); }  // probes the handlers directly
    Simulator sim;
    World& w = sim.world();
};

struct EntryCase {
    const char* what;
    bool seated;
    EntryStage stage;
    int lock;
    // What the natives answer for the player.
    bool in_any;          // IS_PED_IN_ANY_VEHICLE, at-get-in false
    bool in_any_get_in;   // ... at-get-in true
    bool in_this_get_in;  // IS_PED_IN_VEHICLE, at-get-in true
    bool getting_in;      // IS_PED_GETTING_INTO_A_VEHICLE
    bool locked_door;     // IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE
    bool engine_reads;    // GET_IS_VEHICLE_ENGINE_RUNNING of a running engine
};

TEST_F(GameQuirks, GettingInIsAtTheDoorThenClimbingInThenSeated) {
    const EntryCase cases[] = {
        {"at an unlocked door", false, EntryStage::Door, 1, false, false, false, true, false, true},
        {"at a locked door", false, EntryStage::Door, 2, false, false, false, true, true, true},
        {"at a door locked for players", false, EntryStage::Door, 3, false, false, false, true, true, true},
        {"at a door with the occupants kept in", false, EntryStage::Door, 4, false, false, false, true, true, true},
        {"climbing in", false, EntryStage::Climb, 1, false, true, true, true, false, false},
        {"climbing in, locked behind it", false, EntryStage::Climb, 2, false, true, true, true, false, false},
        {"seated", true, EntryStage::Door, 4, true, true, true, false, false, true},
        // By the lock, as the game goes on: a locked door keeps the player at
        // it; an unlocked one opens and the player climbs in.
        {"into a locked car", false, EntryStage::ByLock, 2, false, false, false, true, true, true},
        {"into an unlocked car", false, EntryStage::ByLock, 0, false, true, true, true, false, false},
    };
    const int player = w.player.handle;
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim.resetWorld();
        SimVehicle& v = w.addVehicle(5, VehicleKind::Car, {10, 0, 0});
        v.lock = c.lock;
        v.engine = true;
        w.player.vehicle = c.seated ? v.handle : 0;
        w.player.entering = c.seated ? 0 : v.handle;
        w.player.entry = c.stage;
        w.openUnlockedDoors();  // between frames
        EXPECT_EQ(invoke<bool>(nat::IS_PED_IN_ANY_VEHICLE, player, false), c.in_any);
        EXPECT_EQ(invoke<bool>(nat::IS_PED_IN_ANY_VEHICLE, player, true), c.in_any_get_in);
        EXPECT_EQ(invoke<bool>(nat::IS_PED_IN_VEHICLE, player, v.handle, false), c.in_any);
        EXPECT_EQ(invoke<bool>(nat::IS_PED_IN_VEHICLE, player, v.handle, true), c.in_this_get_in);
        EXPECT_EQ(invoke<bool>(nat::IS_PED_GETTING_INTO_A_VEHICLE, player), c.getting_in);
        EXPECT_EQ(invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, player), c.locked_door);
        EXPECT_EQ(invoke<bool>(nat::GET_IS_VEHICLE_ENGINE_RUNNING, v.handle), c.engine_reads);
        EXPECT_EQ(invoke<int>(nat::GET_VEHICLE_PED_IS_IN, player, true), v.handle) << "either stage, and seated";
    }
    // A character is kept out by 2 and up, except 3 (locked for players only):
    // at 3 its door opens between frames and it climbs in.
    sim.resetWorld();
    SimVehicle& v = w.addVehicle(5, VehicleKind::Car, {10, 0, 0});
    SimPed& p = w.addPed(6, {12, 0, 0});
    p.entering = v.handle;
    v.lock = 2;
    w.openUnlockedDoors();
    EXPECT_TRUE(invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, p.handle));
    v.lock = 3;
    EXPECT_FALSE(invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, p.handle));
    EXPECT_FALSE(invoke<bool>(nat::IS_PED_IN_VEHICLE, p.handle, v.handle, true)) << "the door opens between frames";
    w.openUnlockedDoors();
    EXPECT_TRUE(invoke<bool>(nat::IS_PED_IN_VEHICLE, p.handle, v.handle, true));
    v.lock = 2;
    EXPECT_FALSE(invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, p.handle)) << "past the open door";
}

TEST_F(GameQuirks, AskingWhoSitsInAnEmptySeatOfAnAmbientVehicleCreatesSomeone) {
    SimVehicle& ambient = w.addVehicle(1, VehicleKind::Car, {3, 0, 0});
    SimVehicle& mission = w.addVehicle(2, VehicleKind::Car, {6, 0, 0});
    mission.mission = true;
    SimVehicle& bicycle = w.addVehicle(3, VehicleKind::Bicycle, {9, 0, 0});
    SimPed& passenger = w.addPed(4, {});
    mission.seat(0) = passenger.handle;
    const auto seatFree = [](const SimVehicle& v, int seat) {
        return invoke<bool>(nat::IS_VEHICLE_SEAT_FREE, v.handle, seat, false);
    };
    const auto whoSits = [](const SimVehicle& v, int seat) {
        return invoke<int>(nat::GET_PED_IN_VEHICLE_SEAT, v.handle, seat, false);
    };
    // Asking first whether a seat is free creates nobody.
    EXPECT_TRUE(seatFree(ambient, -1));
    EXPECT_TRUE(seatFree(mission, -1));
    EXPECT_FALSE(seatFree(mission, 0));
    EXPECT_FALSE(seatFree(bicycle, 0)) << "a seat the bicycle lacks";
    EXPECT_EQ(w.peds.size(), 1u);

    EXPECT_EQ(whoSits(mission, -1), 0) << "a mission vehicle's empty seat stays empty";
    EXPECT_EQ(whoSits(mission, 0), passenger.handle);
    EXPECT_EQ(whoSits(bicycle, 0), 0) << "no such seat: nobody is made";
    EXPECT_EQ(w.peds.size(), 1u);

    const int stranger = whoSits(ambient, -1);
    ASSERT_NE(stranger, 0);
    const SimPed* made = w.pedById(World::kFirstCreatedId);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->handle, stranger);
    EXPECT_TRUE(made->created);
    EXPECT_EQ(whoSits(ambient, -1), stranger) << "and stays at the wheel";
    EXPECT_FALSE(seatFree(ambient, -1));
    EXPECT_EQ(w.vehicleOf(stranger), ambient.handle);
    EXPECT_NE(stateJson(sim).find("\"1000001\":{\"ragdolls\":0,\"anim\":null,\"vehicle\":1,\"seat\":-1"),
              std::string::npos);
    EXPECT_NE(vehicleStateValue(w, ambient).written.find("\"driver\":1000001"), std::string::npos);

    // The player at the wheel is who sits there.
    w.player.vehicle = bicycle.handle;
    EXPECT_FALSE(seatFree(bicycle, -1));
    EXPECT_EQ(whoSits(bicycle, -1), w.player.handle);
}

TEST_F(GameQuirks, AVehicleIsStoppedOnlyAtACreep) {
    struct Case {
        float speed;
        bool handbrake;
        bool stopped;
    };
    const Case cases[] = {{0.0f, false, true},   {0.02f, false, true},  {-0.02f, false, true}, {0.021f, false, false},
                          {0.05f, false, false}, {0.09f, false, false}, {0.05f, true, true},   {0.051f, true, false}};
    SimVehicle& v = w.addVehicle(1, VehicleKind::Car, {});
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.speed << " m/s, handbrake " << c.handbrake);
        v.speed = c.speed;
        v.handbrake = c.handbrake;
        EXPECT_EQ(invoke<bool>(nat::IS_VEHICLE_STOPPED, v.handle), c.stopped);
    }
}

TEST_F(GameQuirks, TheLastVehicleIsNoneOnceDestroyed) {
    SimVehicle& wreck = w.addVehicle(1, VehicleKind::Car, {});
    w.player.last_vehicle = wreck.handle;
    EXPECT_EQ(invoke<int>(nat::GET_PLAYERS_LAST_VEHICLE), wreck.handle);
    wreck.driveable = false;
    EXPECT_EQ(invoke<int>(nat::GET_PLAYERS_LAST_VEHICLE), 0);
    EXPECT_EQ(invoke<int>(nat::GET_VEHICLE_PED_IS_IN, w.player.handle, true), wreck.handle)
        << "the last vehicle the character was in, destroyed or not";
}

TEST_F(GameQuirks, ANewBlipIsRedInTheReportAndThePicture) {
    SimVehicle& v = w.addVehicle(1, VehicleKind::Car, {20, 10, 0});
    const int blip = invoke<int>(nat::ADD_BLIP_FOR_ENTITY, v.handle);
    invoke(nat::SET_BLIP_SPRITE, blip, 225);
    EXPECT_NE(vehicleStateValue(w, v).written.find("\"blip_colour\":1"), std::string::npos);
    const std::string picture = screenSvg(sim.lastDrawing(), 1280, 720, &w);
    EXPECT_NE(picture.find("fill=\"rgb(224,50,50)\""), std::string::npos) << picture;
    EXPECT_EQ(screenSvg(sim.lastDrawing(), 1280, 720).find("rgb(224,50,50)"), std::string::npos)
        << "the map only where the world is given";
}

TEST_F(GameQuirks, GroundMeasuredOverWaterIsTheSeabed) {
    SimVehicle& boat = w.addVehicle(1, VehicleKind::Boat, {3, 4, 0});
    boat.water_depth = 40.0f;
    float ground = 1.0f;
    EXPECT_TRUE(invoke<bool>(nat::GET_GROUND_Z_FOR_3D_COORD, 3.0f, 4.0f, 0.0f, &ground, false, false));
    EXPECT_EQ(ground, -40.0f);
    invoke(nat::GET_GROUND_Z_FOR_3D_COORD, 3.0f, 4.0f, 0.0f, &ground, true, false);
    EXPECT_EQ(ground, 0.0f) << "the water's surface counts with the flag";
}

TEST_F(GameQuirks, AHornStartedWithThePlayerInsideIsAShortBlast) {
    SimVehicle& v = w.addVehicle(1, VehicleKind::Car, {});
    const auto mode = invoke<std::uint32_t>(nat::GET_HASH_KEY, "HELDDOWN");
    invoke(nat::START_VEHICLE_HORN, v.handle, 800, mode, false);
    w.player.vehicle = v.handle;
    invoke(nat::START_VEHICLE_HORN, v.handle, 800, mode, false);
    invoke(nat::START_VEHICLE_HORN, v.handle, 40, mode, false);
    ASSERT_EQ(sim.horns().size(), 3u);
    EXPECT_EQ(sim.horns()[0].ms, 800);
    EXPECT_EQ(sim.horns()[1].ms, 100);
    EXPECT_EQ(sim.horns()[2].ms, 40);
}

TEST_F(GameQuirks, AScriptsAudioFlagsEndWithItAndTextComponentsHold99Characters) {
    const testing::Sandbox sandbox;  // the plug-in's folder
    sim.start();
    invoke(nat::SET_AUDIO_FLAG, "LoadMPData", true);
    EXPECT_TRUE(w.mp_audio);
    sim.unload();
    EXPECT_FALSE(w.mp_audio);

    invoke(nat::BEGIN_TEXT_COMMAND_THEFEED_POST, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, std::string(120, 'x').c_str());
    invoke(nat::END_TEXT_COMMAND_THEFEED_POST_TICKER, true, true);
    EXPECT_EQ(sim.notifications().back(), std::string(99, 'x'));
}

}  // namespace
}  // namespace tavrel::sim
