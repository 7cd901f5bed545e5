// The world behind the natives: handles, controls, sitting, animation
// dictionaries, radio, screen capture and the vehicle rules that the game
// enforces (modification kit, mission entities, ground height).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/native_invoker.h"
#include "sim/protocol/simulator.h"

namespace tavrel::sim {
namespace {

TEST(WorldHandles, ScenarioIdsMapToHandlesOfTheSimulatorsOwn) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    World& w = sim.world();
    // IDs chosen to collide with the first handles the counter hands out.
    const int a = w.addVehicle(World::kFirstHandle + 1, VehicleKind::Car, {}).handle;
    const int b = w.addPed(World::kFirstHandle + 2, {}).handle;
    const int c = w.addVehicle(World::kFirstHandle + 4, VehicleKind::Boat, {}).handle;
    for (int h : {a, b, c, w.player.handle}) EXPECT_NE(h, 0);
    EXPECT_NE(a, World::kFirstHandle + 1);
    EXPECT_NE(b, World::kFirstHandle + 2);
    EXPECT_NE(c, World::kFirstHandle + 4);
    EXPECT_TRUE(invoke<bool>(nat::DOES_ENTITY_EXIST, a));
    ASSERT_TRUE(w.removeById(World::kFirstHandle + 1));
    EXPECT_FALSE(invoke<bool>(nat::DOES_ENTITY_EXIST, a));
    EXPECT_FALSE(invoke<bool>(nat::DOES_ENTITY_EXIST, 0));
    const int d = w.addVehicle(99, VehicleKind::Car, {}).handle;
    EXPECT_NE(d, a);  // handles are never reused

    int handles[8] = {};
    EXPECT_EQ(host::worldGetAllVehicles(handles, 8), 2);
    EXPECT_EQ(handles[0], c);  // creation order
    EXPECT_EQ(handles[1], d);
    EXPECT_EQ(host::worldGetAllVehicles(handles, 1), 1);
    EXPECT_EQ(host::worldGetAllPeds(handles, 8), 2);  // the player and the character
}

std::vector<int> controlLog;

void controlWatcher() {
    for (;;) {
        controlLog.push_back((invoke<bool>(nat::IS_CONTROL_PRESSED, 2, 51) ? 1 : 0) +
                             (invoke<bool>(nat::IS_CONTROL_JUST_PRESSED, 2, 51) ? 2 : 0) +
                             (invoke<bool>(nat::IS_CONTROL_JUST_RELEASED, 2, 51) ? 4 : 0) +
                             (invoke<bool>(nat::IS_CONTROL_PRESSED, 0, 51) ? 8 : 0));
        host::scriptWait(0);
    }
}

TEST(WorldControls, JustPressedAndJustReleasedHoldOnTheNextFrameOnly) {
    controlLog.clear();
    static char module;
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    host::scriptRegister(&module, &controlWatcher);
    sim.runFrame();
    sim.controlDown(51);
    sim.runFrames(3);
    sim.controlUp(51);
    sim.runFrames(2);
    // idle, pressed+just, pressed, pressed, just released, idle; group 0 never.
    EXPECT_EQ(controlLog, (std::vector<int>{0, 3, 1, 1, 4, 0}));
}

// Getting in by stages and the seats: game_quirks_test.cpp.
TEST(WorldVehicles, SittingAndTheLastVehicle) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    World& w = sim.world();
    const int player = w.player.handle;
    SimVehicle& v = w.addVehicle(5, VehicleKind::Car, {10, 0, 0});
    w.player.vehicle = v.handle;
    w.player.last_vehicle = v.handle;
    EXPECT_TRUE(invoke<bool>(nat::IS_PED_IN_VEHICLE, player, v.handle, false));
    EXPECT_EQ(invoke<int>(nat::GET_PED_IN_VEHICLE_SEAT, v.handle, -1, false), player);
    const Vector3 pos = invoke<Vector3>(nat::GET_ENTITY_COORDS, player, true);
    EXPECT_EQ(pos.x, 10.0f);  // the player is where its vehicle is
    w.removeById(5);
    EXPECT_EQ(invoke<int>(nat::GET_PLAYERS_LAST_VEHICLE), 0);
    EXPECT_FALSE(invoke<bool>(nat::IS_PED_IN_ANY_VEHICLE, player, true));
}

TEST(WorldVehicles, RulesTheGameEnforces) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    World& w = sim.world();
    SimVehicle& v = w.addVehicle(7, VehicleKind::Bike, {3, 4, 40});
    v.ground = 9.0f;
    // A modification needs kit 0 first.
    invoke(nat::SET_VEHICLE_MOD, v.handle, 14, 5, false);
    EXPECT_TRUE(v.mods.empty());
    invoke(nat::SET_VEHICLE_MOD_KIT, v.handle, 0);
    invoke(nat::SET_VEHICLE_MOD, v.handle, 14, 5, false);
    EXPECT_EQ(v.mods[14], 5);
    // Marked as a mission entity whatever the flag; released only explicitly.
    invoke(nat::SET_ENTITY_AS_MISSION_ENTITY, v.handle, false, true);
    EXPECT_TRUE(invoke<bool>(nat::IS_ENTITY_A_MISSION_ENTITY, v.handle));
    int copy = v.handle;
    invoke(nat::SET_ENTITY_AS_NO_LONGER_NEEDED, &copy);
    EXPECT_FALSE(v.mission);
    // Ground height below the vehicle, flat 0 elsewhere.
    float ground = -1.0f;
    invoke(nat::GET_GROUND_Z_FOR_3D_COORD, 3.0f, 4.0f, 40.0f, &ground, false, false);
    EXPECT_EQ(ground, 9.0f);
    EXPECT_TRUE(invoke<bool>(nat::GET_GROUND_Z_FOR_3D_COORD, 30.0f, 4.0f, 40.0f, &ground, false, false));
    EXPECT_EQ(ground, 0.0f);
    // No ground found below a vehicle with ground=none: false, height 0.
    SimVehicle& high = w.addVehicle(8, VehicleKind::Car, {50, 4, 300});
    high.ground = 280.0f;
    high.ground_known = false;
    ground = -1.0f;
    EXPECT_FALSE(invoke<bool>(nat::GET_GROUND_Z_FOR_3D_COORD, 50.0f, 4.0f, 300.0f, &ground, false, false));
    EXPECT_EQ(ground, 0.0f);
    // Model kinds: a motorbike is only a motorbike.
    const auto model = invoke<std::uint32_t>(nat::GET_ENTITY_MODEL, v.handle);
    EXPECT_TRUE(invoke<bool>(nat::IS_THIS_MODEL_A_BIKE, model));
    EXPECT_FALSE(invoke<bool>(nat::IS_THIS_MODEL_A_CAR, model));
    EXPECT_FALSE(invoke<bool>(nat::IS_THIS_MODEL_A_BICYCLE, model));
    // Plates keep eight characters.
    invoke(nat::SET_VEHICLE_NUMBER_PLATE_TEXT, v.handle, "ABCDEFGHIJ");
    EXPECT_EQ(v.plate, "ABCDEFGH");
    // Natives on a vanished vehicle do nothing and answer zeros.
    const int gone = v.handle;
    w.removeById(7);
    invoke(nat::SET_VEHICLE_DOORS_LOCKED, gone, 2);
    EXPECT_EQ(invoke<int>(nat::GET_VEHICLE_DOOR_LOCK_STATUS, gone), 0);
    EXPECT_TRUE(sim.faults().empty());
}

TEST(WorldAnimations, DictionariesLoadAFewFramesAfterTheRequest) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    World& w = sim.world();
    w.dicts_never.insert("never@");
    invoke(nat::REQUEST_ANIM_DICT, "cellphone@");
    invoke(nat::REQUEST_ANIM_DICT, "never@");
    invoke(nat::TASK_PLAY_ANIM, w.player.handle, "cellphone@", "cellphone_horizontal_intro", 1.0f, 1.0f, -1, 0,
           0.0f, false, false, false);
    EXPECT_FALSE(w.player.anim.has_value());  // not loaded yet: the task does nothing
    std::vector<bool> loaded;
    for (int i = 0; i < 4; ++i) {
        loaded.push_back(invoke<bool>(nat::HAS_ANIM_DICT_LOADED, "cellphone@"));
        sim.runFrame();
    }
    EXPECT_EQ(loaded, (std::vector<bool>{false, false, false, true}));
    invoke(nat::TASK_PLAY_ANIM, w.player.handle, "cellphone@", "cellphone_horizontal_intro", 1.0f, 1.0f, -1, 0,
           0.0f, false, false, false);
    EXPECT_EQ(w.player.anim, "cellphone_horizontal_intro");
    sim.runFrames(50);
    EXPECT_FALSE(invoke<bool>(nat::HAS_ANIM_DICT_LOADED, "never@"));
    EXPECT_FALSE(invoke<bool>(nat::HAS_ANIM_DICT_LOADED, "never-requested@"));
}

TEST(WorldModels, ObjectsAreCreatedOnlyFromLoadedModels) {
    Simulator sim;
    World& w = sim.world();
    const std::uint32_t fob = w.hashName("lr_prop_carkey_fob");
    const std::uint32_t never = w.hashName("prop_never");
    w.models_never.insert(never);
    const auto create = [](std::uint32_t model) {
        return invoke<int>(nat::CREATE_OBJECT, model, 1.0f, 2.0f, 3.0f, true, false, false);
    };
    EXPECT_EQ(create(fob), 0) << "never requested";
    invoke(nat::REQUEST_MODEL, fob);
    invoke(nat::REQUEST_MODEL, never);
    std::vector<bool> loaded;
    for (int i = 0; i < 4; ++i) {
        loaded.push_back(invoke<bool>(nat::HAS_MODEL_LOADED, fob));
        sim.runFrame();
    }
    EXPECT_EQ(loaded, (std::vector<bool>{false, false, false, true}));
    const int prop = create(fob);
    EXPECT_NE(prop, 0);
    ASSERT_NE(w.prop(prop), nullptr);
    EXPECT_EQ(w.prop(prop)->model, fob);
    invoke(nat::SET_MODEL_AS_NO_LONGER_NEEDED, fob);
    EXPECT_FALSE(invoke<bool>(nat::HAS_MODEL_LOADED, fob));
    EXPECT_EQ(create(fob), 0) << "released";
    sim.runFrames(50);
    EXPECT_FALSE(invoke<bool>(nat::HAS_MODEL_LOADED, never));
    EXPECT_EQ(create(never), 0);
    EXPECT_EQ(w.props.size(), 1u);
    EXPECT_EQ(w.refused_objects, 3);
}

TEST(WorldRadio, StationsByIndexAndThePlayersStation) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    const auto name = [](int i) { return invoke<const char*>(nat::GET_RADIO_STATION_NAME, i); };
    EXPECT_STREQ(name(0), "RADIO_01_CLASS_ROCK");
    EXPECT_STREQ(name(13), "RADIO_20_THELAB");
    EXPECT_STREQ(name(18), "RADIO_19_USER");
    EXPECT_STREQ(name(19), "HIDDEN_RADIO_AMBIENT_TV_BRIGHT");
    EXPECT_STREQ(name(36), "HIDDEN_RADIO_BIKER_HIP_HOP");
    EXPECT_EQ(name(37), nullptr);
    EXPECT_EQ(name(-1), nullptr);

    World& w = sim.world();
    SimVehicle& v = w.addVehicle(1, VehicleKind::Car, {});
    EXPECT_EQ(invoke<const char*>(nat::GET_PLAYER_RADIO_STATION_NAME), nullptr);  // on foot
    w.player.vehicle = v.handle;
    invoke(nat::SET_VEH_RADIO_STATION, v.handle, "RADIO_02_POP");
    EXPECT_STREQ(invoke<const char*>(nat::GET_PLAYER_RADIO_STATION_NAME), "RADIO_02_POP");
    invoke(nat::SET_VEH_RADIO_STATION, v.handle, "OFF");
    EXPECT_EQ(invoke<const char*>(nat::GET_PLAYER_RADIO_STATION_NAME), nullptr);
}

TEST(WorldScreen, TextStyleAppliesToOneTextAndFramesAreCaptured) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);  // probes the handlers directly
    invoke(nat::SET_TEXT_FONT, 4);
    invoke(nat::SET_TEXT_SCALE, 0.0f, 0.5f);
    invoke(nat::SET_TEXT_COLOUR, 10, 20, 30, 40);
    invoke(nat::BEGIN_TEXT_COMMAND_DISPLAY_TEXT, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, "LOCKS");
    invoke(nat::END_TEXT_COMMAND_DISPLAY_TEXT, 0.1f, 0.2f, 0);
    invoke(nat::BEGIN_TEXT_COMMAND_DISPLAY_TEXT, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, "plain");
    invoke(nat::END_TEXT_COMMAND_DISPLAY_TEXT, 0.3f, 0.4f, 0);
    invoke(nat::DRAW_RECT, 0.5f, 0.5f, 0.2f, 0.1f, 1, 2, 3, 4, false);
    EXPECT_TRUE(sim.lastDrawing().texts.empty());  // the frame is not over yet
    sim.runFrame();
    const Drawing& d = sim.lastDrawing();
    ASSERT_EQ(d.texts.size(), 2u);
    EXPECT_EQ(d.texts[0].text, "LOCKS");
    EXPECT_EQ(d.texts[0].font, 4);
    EXPECT_EQ(d.texts[0].scale, 0.5f);
    EXPECT_EQ(d.texts[0].rgba, (Rgba{10, 20, 30, 40}));
    EXPECT_EQ(d.texts[1].font, 0);  // back to the defaults
    EXPECT_EQ(d.texts[1].rgba, (Rgba{255, 255, 255, 255}));
    ASSERT_EQ(d.rects.size(), 1u);
    EXPECT_EQ(d.rects[0].rgba, (Rgba{1, 2, 3, 4}));
    sim.runFrame();
    EXPECT_TRUE(sim.lastDrawing().texts.empty());

    // Metrics grow with the scale; a long text wraps onto more lines.
    const float small = invoke<float>(nat::GET_RENDERED_CHARACTER_HEIGHT, 0.3f, 0);
    EXPECT_GT(invoke<float>(nat::GET_RENDERED_CHARACTER_HEIGHT, 0.6f, 0), small);
    const auto lines = [](const char* text) {
        invoke(nat::SET_TEXT_SCALE, 0.0f, 1.0f);
        invoke(nat::BEGIN_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, "STRING");
        invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, text);
        return invoke<int>(nat::END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, 0.1f, 0.1f);
    };
    EXPECT_EQ(lines("Short"), 1);
    EXPECT_GT(lines(std::string(400, 'x').c_str()), 1);

    invoke(nat::BEGIN_TEXT_COMMAND_THEFEED_POST, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, "hello");
    invoke(nat::END_TEXT_COMMAND_THEFEED_POST_TICKER, true, true);
    EXPECT_EQ(sim.notifications(), std::vector<std::string>{"hello"});
}

}  // namespace
}  // namespace tavrel::sim
