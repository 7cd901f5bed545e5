// Headlight and interior-light upkeep of the tracked car by the 300 ms world
// pass, with the latches the unlock resets.
#include <gtest/gtest.h>

#include "effects/vehicle_upkeep.h"
#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

constexpr int kNormal = 0;
constexpr int kForcedOff = 1;
constexpr int kForcedOn = 2;

using LightsTest = CarTest;

struct HeadlightCase {
    int mode;
    float speed;
    int before;  // state the car's headlights are left in after the unlock
    int after;   // state after a world pass
};

TEST_F(LightsTest, WorldPassSetsHeadlightsByMode) {
    const HeadlightCase cases[] = {
        {0, 0.0f, kNormal, kForcedOff},    {0, 12.0f, kNormal, kForcedOff},   // "Off"
        {1, 0.0f, kNormal, kForcedOff},    {1, 12.0f, kForcedOff, kNormal},   // off until moved
        {2, 0.0f, kNormal, kForcedOff},    {2, 12.0f, kForcedOff, kNormal},   // off when still
        {3, 0.0f, kForcedOn, kForcedOn},   {3, 12.0f, kForcedOff, kForcedOff},  // left to the game
        {4, 0.0f, kForcedOff, kForcedOff},                                    // set by the unlock only
        {5, 0.0f, kNormal, kForcedOn},     {5, 12.0f, kForcedOff, kForcedOn},  // always on
        {9, 12.0f, kForcedOn, kForcedOn},                                     // unknown mode: untouched
    };
    for (const HeadlightCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " speed " << c.speed);
        sim.resetWorld();
        addCar();
        startWith(carIni("headlights_at_movement=" + std::to_string(c.mode) + "\r\n"));
        unlock();
        car().headlights = c.before;
        car().speed = c.speed;
        worldPass();
        EXPECT_EQ(car().headlights, c.after);
        sim.unload();
    }
}

TEST_F(LightsTest, HeadlightMode1StaysOnOnceMovedUntilTheNextUnlock) {
    addCar();
    startWith(carIni("headlights_at_movement=1\r\n"));
    unlock();
    EXPECT_EQ(car().headlights, kForcedOff);
    car().speed = 8.0f;
    worldPass();
    EXPECT_EQ(car().headlights, kNormal);
    car().speed = 0.0f;
    sim.waitMs(1000);
    EXPECT_EQ(car().headlights, kNormal) << "stopped after moving: the latch keeps them on";
    unlock();
    EXPECT_EQ(car().headlights, kForcedOff) << "an unlock clears the latch";

    car().speed = 8.0f;
    worldPass();
    car().speed = 0.0f;
    callDirectly([] { updateHeadlights(true); });  // the light page after a change: latch reset too
    EXPECT_EQ(car().headlights, kForcedOff);
}

TEST_F(LightsTest, HeadlightMode3IsSetToNormalOnlyByAReset) {
    addCar();
    startWith(carIni("headlights_at_movement=3\r\n"));
    unlock();
    car().headlights = kForcedOn;
    callDirectly([] { updateHeadlights(true); });
    EXPECT_EQ(car().headlights, kNormal);
}

TEST_F(LightsTest, HeadlightMode4TurnsFullBeamOnOnlyAtAnUnlockFromOutside) {
    addCar().headlights = kForcedOff;
    startWith(carIni("headlights_at_movement=4\r\n"));
    unlock();
    EXPECT_EQ(car().headlights, kNormal);
    EXPECT_TRUE(car().full_beam);
    sim.unload();

    sim.resetWorld();
    addCar().headlights = kForcedOff;
    sit(kCar);
    startWith(carIni("headlights_at_movement=4\r\n"));
    unlock();
    EXPECT_EQ(car().headlights, kForcedOff) << "from the driver's seat nothing changes";
    EXPECT_FALSE(car().full_beam);
}

struct InteriorCase {
    int mode;
    float speed;
    bool before;
    bool after;
};

TEST_F(LightsTest, WorldPassSetsTheInteriorLightByModeWhileUnlocked) {
    const InteriorCase cases[] = {
        {0, 0.0f, true, false},                           // always off
        {1, 0.0f, false, false}, {1, 12.0f, true, true},  // left alone between unlocks
        {2, 0.0f, false, true},  {2, 12.0f, true, false}, // on until the car moves
        {3, 0.0f, false, true},  {3, 12.0f, true, false}, // on only when still
        {4, 0.0f, false, true},  {4, 12.0f, false, true}, // always on
    };
    for (const InteriorCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " speed " << c.speed);
        sim.resetWorld();
        addCar();
        startWith(carIni("interior_lights=" + std::to_string(c.mode) + "\r\n"));
        unlock();
        EXPECT_EQ(car().interior_light, c.mode != 0) << "after the unlock of a standing car";
        car().interior_light = c.before;
        car().speed = c.speed;
        worldPass();
        EXPECT_EQ(car().interior_light, c.after);
        sim.unload();
    }
}

TEST_F(LightsTest, InteriorMode2TurnsOffForGoodOnceMovedUntilTheNextUnlock) {
    addCar();
    startWith(carIni("interior_lights=2\r\n"));
    unlock();
    EXPECT_TRUE(car().interior_light);
    car().speed = 5.0f;
    worldPass();
    car().speed = 0.0f;
    sim.waitMs(1000);
    EXPECT_FALSE(car().interior_light);
    unlock();
    worldPass();
    EXPECT_TRUE(car().interior_light);
}

struct LockedInteriorCase {
    const char* what;
    bool allow_when_locked;
    bool flashing;      // the lock's flash series still runs
    int lock_override;  // lock status the game reports afterwards, -1: as the lock left it
    bool on;
};

TEST_F(LightsTest, InteriorLightStaysOffWhileLockedOrFlashingUnlessAllowed) {
    const LockedInteriorCase cases[] = {
        {"locked", false, false, -1, false},
        {"locked, allowed", true, false, -1, true},
        {"locked while flashing", false, true, -1, false},
        {"locked while flashing, allowed", true, true, -1, true},
        {"opened by the game while flashing", false, true, 1, false},
        {"opened by the game while flashing, allowed", true, true, 1, true},
        {"opened by the game, series over", false, false, 0, true},
        {"status 1 (unlocked) after the series", false, false, 1, true},
        {"status 2 (locked) after the series", false, false, 2, false},
        {"status 2 (locked) after the series, allowed", true, false, 2, true},
    };
    for (const LockedInteriorCase& c : cases) {
        SCOPED_TRACE(c.what);
        sim.resetWorld();
        addCar();
        std::string lines = "interior_lights=4\r\n";
        lines += "allow_interior_lights_when_outside_locked=" + std::to_string(c.allow_when_locked) + "\r\n";
        if (c.flashing) lines += "light_notification=1\r\nnumber_of_lock_flashes=100\r\nlock_flash_interval=1000\r\n";
        startWith(carIni(lines));
        lock();
        ASSERT_EQ(car().lock, 4);
        if (c.lock_override >= 0) car().lock = c.lock_override;
        car().interior_light = !c.on;
        worldPass();
        EXPECT_EQ(car().interior_light, c.on);
        EXPECT_EQ(car().brake_lights, c.flashing) << "the lock's flash series still runs";
        sim.unload();
    }
}

}  // namespace
}  // namespace tavrel::testing
