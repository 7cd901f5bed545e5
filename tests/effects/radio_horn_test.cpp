// Radio station, loud radio and horn fitted to the car at each lock and unlock.
#include <gtest/gtest.h>

#include <string>

#include "effects/radio.h"
#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

using RadioHornTest = CarTest;

constexpr const char* kUntouched = "RADIO_07_DANCE_01";

struct StationCase {
    int index;
    const char* station;  // the car's station afterwards
};

TEST_F(RadioHornTest, UnlockTunesTheCarByStationIndex) {
    const StationCase cases[] = {
        {0, "RADIO_01_CLASS_ROCK"},      {13, "RADIO_20_THELAB"}, {17, "RADIO_11_TALK_02"},
        {18, "RADIO_19_USER"},           {36, "HIDDEN_RADIO_BIKER_HIP_HOP"},
        {37, "OFF"},                     {-2, kUntouched},        {-40, kUntouched},
    };
    for (const StationCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "index " << c.index);
        sim.resetWorld();
        addCar().radio = kUntouched;
        car().radio_enabled = false;
        startWith(carIni("radio_station_index=" + std::to_string(c.index) + "\r\n"));
        sim.clearTrace();
        unlock();
        EXPECT_EQ(car().radio, c.station);
        if (c.index < -1) {
            EXPECT_EQ(calls(nat::SET_VEH_RADIO_STATION), 0u);
            EXPECT_FALSE(car().radio_enabled) << "an untouched radio is not switched on either";
        }
        if (c.index >= 0 && c.index < 37) {
            EXPECT_TRUE(car().radio_enabled) << "a tuned radio is switched on";
        }
        sim.unload();
    }
}

TEST_F(RadioHornTest, UseCurrentTunesTheCarToTheStationThePlayerHears) {
    addCar(kCar).radio = "RADIO_01_CLASS_ROCK";
    addCar(2, sim::VehicleKind::Car, {0, 5, 0}).radio = "RADIO_04_PUNK";
    sit(2);
    startWith(carIni(""));
    runtime.tracked_vehicle = handleOf(kCar);
    settings.radio_station_index = -1;
    callDirectly(applyRadioStation);
    EXPECT_EQ(car(kCar).radio, "RADIO_04_PUNK");
}

struct LoudCase {
    bool loud;
    bool lock;  // applied by a lock rather than an unlock
    bool enabled_before;
    bool enabled_after;
};

TEST_F(RadioHornTest, LoudRadioFollowsTheSettingAndOnlyEverSwitchesTheRadioOn) {
    const LoudCase cases[] = {
        {true, false, false, true}, {true, true, false, true},
        {false, false, false, false}, {false, true, true, true},
    };
    for (const LoudCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "loud " << c.loud << (c.lock ? " at lock" : " at unlock"));
        sim.resetWorld();
        addCar().loud_radio = !c.loud;
        car().radio_enabled = c.enabled_before;
        startWith(carIni("radio_station_index=-2\r\nloud_radio_on=" + std::to_string(c.loud) + "\r\n"));
        c.lock ? lock() : unlock();
        EXPECT_EQ(car().loud_radio, c.loud);
        EXPECT_EQ(car().radio_enabled, c.enabled_after);
        sim.unload();
    }
}

struct HornCase {
    int index;
    int fitted;  // the car's horn modification afterwards (-1 stock: the game has horns 0 ... 51)
};

TEST_F(RadioHornTest, HornIsFittedByIndexAtLockAndUnlock) {
    constexpr int kFactoryFitted = 7;
    const HornCase cases[] = {{-2, kFactoryFitted}, {-9, kFactoryFitted}, {-1, -1}, {0, 0}, {51, 51}, {52, -1}, {65, -1}};
    for (const bool at_lock : {false, true}) {
        for (const HornCase& c : cases) {
            SCOPED_TRACE(::testing::Message() << "index " << c.index << (at_lock ? " at lock" : " at unlock"));
            sim.resetWorld();
            addCar().mods[sim::kHornModSlot] = kFactoryFitted;
            startWith(carIni("horn_type_index=" + std::to_string(c.index) + "\r\n"));
            at_lock ? lock() : unlock();
            EXPECT_EQ(car().mods[sim::kHornModSlot], c.fitted);
            EXPECT_EQ(car().mods.size(), 1u) << "no other modification slot touched";
            sim.unload();
        }
    }
}

TEST_F(RadioHornTest, NoCarInReachGetsNoHornOrLoudRadioCall) {
    world().placePlayer({0, 0, 0});
    addCar(kCar, sim::VehicleKind::Car, {500, 0, 0});
    startWith(carIni("horn_type_index=3\r\nloud_radio_on=1\r\nradio_station_index=4\r\n"));
    unlock();
    EXPECT_EQ(calls(nat::SET_VEHICLE_MOD), 0u);
    EXPECT_EQ(calls(nat::SET_VEHICLE_RADIO_LOUD), 0u);
    EXPECT_EQ(calls(nat::SET_VEH_RADIO_STATION), 0u);
    EXPECT_EQ(car().radio, "RADIO_01_CLASS_ROCK");
}

}  // namespace
}  // namespace tavrel::testing
