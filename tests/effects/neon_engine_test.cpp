// Neon sides and the engine of the tracked car as the world pass keeps them.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

using Sides = std::array<bool, 4>;  // left, right, front, back
constexpr Sides kAllOff{false, false, false, false};
constexpr Sides kAllOn{true, true, true, true};

using NeonUpkeepTest = CarTest;

struct NeonCase {
    int mode;
    bool all_cars;
    bool inside;
    float speed;
    Sides before;
    Sides after;
};

TEST_F(NeonUpkeepTest, WorldPassSetsNeonByMode) {
    const NeonCase cases[] = {
        {0, true, false, 0.0f, kAllOn, kAllOff},   {0, false, false, 0.0f, kAllOn, kAllOn},
        {1, true, false, 0.0f, kAllOff, kAllOn},   {1, false, false, 0.0f, kAllOff, kAllOff},
        {2, true, false, 0.0f, kAllOn, kAllOff},   {2, true, false, 9.0f, kAllOff, kAllOn},
        {3, true, false, 0.0f, kAllOn, kAllOff},   {3, true, false, 9.0f, kAllOff, kAllOn},
        {3, false, false, 9.0f, kAllOff, kAllOff}, {4, true, false, 9.0f, kAllOn, kAllOff},
        {4, true, true, 9.0f, kAllOff, kAllOn},    {4, true, true, 0.0f, kAllOn, kAllOff},
    };
    for (const NeonCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " all cars " << c.all_cars << " inside "
                                          << c.inside << " speed " << c.speed);
        sim.resetWorld();
        addCar();
        if (c.inside) sit(kCar);
        startWith(carIni("neon_lights=" + std::to_string(c.mode) + "\r\nneon_affects_all_cars=" +
                         (c.all_cars ? "1" : "-1") + "\r\n"));
        unlock();
        car().neon = c.before;
        car().speed = c.speed;
        worldPass();
        EXPECT_EQ(car().neon, c.after);
        sim.unload();
    }
}

TEST_F(NeonUpkeepTest, OffUntilFirstMoveStaysOnAfterStoppingUntilTheNextUnlock) {
    for (const int mode : {2, 4}) {
        SCOPED_TRACE(::testing::Message() << "mode " << mode);
        sim.resetWorld();
        addCar();
        sit(kCar);  // mode 4 lights only with the player inside
        startWith(carIni("neon_lights=" + std::to_string(mode) + "\r\nneon_affects_all_cars=1\r\n"));
        car().neon = kAllOn;
        unlock();
        EXPECT_EQ(car().neon, kAllOff) << "still after the unlock";
        car().speed = 6.0f;
        worldPass();
        EXPECT_EQ(car().neon, kAllOn);
        car().speed = 0.0f;
        sim.waitMs(1000);
        EXPECT_EQ(car().neon, kAllOn) << "the move latch holds";
        unlock();
        EXPECT_EQ(car().neon, kAllOff) << "the unlock clears the latch";
        sim.unload();
    }
}

struct EngineCase {
    int mode;
    bool locked;
    bool restarted;
};

TEST_F(NeonUpkeepTest, EngineIsKeptRunningOnlyInModes3WhileUnlockedAnd4) {
    const EngineCase cases[] = {
        {0, false, false}, {1, false, false}, {2, false, false}, {3, false, true},
        {3, true, false},  {4, false, true},  {4, true, true},   {1, true, false},
    };
    for (const EngineCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.mode << (c.locked ? " locked" : " unlocked"));
        sim.resetWorld();
        addCar();
        startWith(carIni("engine_on_after_unlocking=" + std::to_string(c.mode) + "\r\n"));
        unlock();
        if (c.locked) lock();
        for (int stall = 0; stall < 3; ++stall) {
            car().engine = false;
            worldPass();
            EXPECT_EQ(car().engine, c.restarted) << "after stall " << stall;
        }
        sim.unload();
    }
}

TEST_F(NeonUpkeepTest, UpkeepSkipsAVanishedCar) {
    addCar();
    startWith(carIni("neon_lights=1\r\nneon_affects_all_cars=1\r\nheadlights_at_movement=5\r\n"
                     "interior_lights=4\r\nengine_on_after_unlocking=4\r\n"));
    unlock();
    const std::size_t before = calls(nat::SET_VEHICLE_LIGHTS) + calls(nat::SET_VEHICLE_NEON_ENABLED) +
                               calls(nat::SET_VEHICLE_INTERIORLIGHT) + calls(nat::SET_VEHICLE_ENGINE_ON);
    world().removeById(kCar);
    sim.waitMs(1000);
    EXPECT_EQ(calls(nat::SET_VEHICLE_LIGHTS) + calls(nat::SET_VEHICLE_NEON_ENABLED) +
                  calls(nat::SET_VEHICLE_INTERIORLIGHT) + calls(nat::SET_VEHICLE_ENGINE_ON),
              before);
}

}  // namespace
}  // namespace tavrel::testing
