// The running neon light: its pace follows the car's speed, it runs left,
// front, right, back (the other way when rolling backwards), and its pace
// stays exact after days of uptime.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;
constexpr int kFront = 2;
constexpr int kBack = 3;

class SequentialNeonTest : public CarTest {
protected:
    // Frames of 1 ms, so a step interval shows as interval + 1 between steps.
    void startRunningLight(std::uint32_t start_tick, float speed, float forward) {
        sim.setStartTick(start_tick);
        sim.setFrameMs(1);
        addCar();
        car().speed = speed;
        car().forward = forward;
        startWith(carIni("sequential_neon_lights=1\r\n"));
        unlock(20);
        sim.clearTrace();
    }

    struct Step {
        Tick tick;
        int side;
    };
    // The sides the light moved to on the car, in order.
    std::vector<Step> steps() {
        std::vector<Step> out;
        for (const sim::TraceEntry& e : scriptCalls(nat::SET_VEHICLE_NEON_ENABLED)) {
            if (e.args[0].value == sim.world().vehicleById(kCar)->handle && e.args[2].value != 0) {
                out.push_back({e.tick, e.args[1].value});
            }
        }
        return out;
    }
};

struct PaceCase {
    std::uint32_t start_tick;
    float speed;     // m/s
    Tick gap;        // ms between steps with 1 ms frames: the interval + 1
};

TEST_F(SequentialNeonTest, StepIntervalIs500MinusThreeTimesWholeKmh) {
    constexpr std::uint32_t kFortyDays = 3456000000u;  // beyond what a float tick can hold to the millisecond
    const PaceCase cases[] = {
        {sim::kDefaultStartTick, 0.0f, 501},   // standing
        {sim::kDefaultStartTick, 0.9f, 501},   // below 1 m/s counts as 0 km/h
        {sim::kDefaultStartTick, 10.0f, 393},  // 36 km/h: 500 - 108
        {sim::kDefaultStartTick, 16.67f, 330}, // 16 m/s = 57 km/h: 500 - 171
        {sim::kDefaultStartTick, 46.9f, 6},    // 165 km/h: 500 - 495
        {sim::kDefaultStartTick, 47.0f, 1},    // 169 km/h: every frame
        {sim::kDefaultStartTick, 300.0f, 1},
        {kFortyDays, 0.0f, 501},
        {kFortyDays, 16.67f, 330},
        {kFortyDays + 77u, 10.0f, 393},
        {0xFFFFFFFFu - 900u, 0.0f, 501},       // across the wrap of the tick
    };
    for (const PaceCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "start " << c.start_tick << " speed " << c.speed);
        sim.resetWorld();
        startRunningLight(c.start_tick, c.speed, c.speed);
        sim.waitMs(510 + 4 * c.gap);  // the first step may still wait out a standing interval
        const std::vector<Step> s = steps();
        ASSERT_GE(s.size(), 3u);
        // The first step after the unlock still ran on the interval of a
        // standing car; from the second on the car's speed sets the pace.
        for (std::size_t i = 2; i < s.size(); ++i) EXPECT_EQ(s[i].tick - s[i - 1].tick, c.gap) << "step " << i;
        sim.unload();
    }
}

TEST_F(SequentialNeonTest, LightRunsLeftFrontRightBackAndReversesWhenRollingBackwards) {
    const int forwards[] = {kLeft, kFront, kRight, kBack};
    for (const float forward : {5.0f, 0.0f, -5.0f}) {
        SCOPED_TRACE(::testing::Message() << "forward " << forward);
        sim.resetWorld();
        startRunningLight(sim::kDefaultStartTick, 5.0f, forward);
        sim.waitMs(3000);
        const std::vector<Step> s = steps();
        ASSERT_GE(s.size(), 6u);
        for (std::size_t i = 1; i < s.size(); ++i) {
            const auto at = std::find(std::begin(forwards), std::end(forwards), s[i - 1].side) - std::begin(forwards);
            const int next = forwards[(at + (forward < 0.0f ? 3 : 1)) % 4];
            EXPECT_EQ(s[i].side, next) << "step " << i;
        }
        EXPECT_EQ(std::count(car().neon.begin(), car().neon.end(), true), 1) << "one side lit at a time";
        sim.unload();
    }
}

TEST_F(SequentialNeonTest, OnlyTheRunningLightDrivesTheNeon) {
    // With the running light on, the neon mode and the unlock leave the sides alone.
    sim.setFrameMs(1);
    addCar().neon = {true, true, true, true};
    startWith(carIni("sequential_neon_lights=1\r\nneon_lights=1\r\nneon_affects_all_cars=1\r\n"));
    unlock(20);
    sim.waitMs(2000);
    EXPECT_EQ(std::count(car().neon.begin(), car().neon.end(), true), 1)
        << "each step switches one side off; mode 1 would have switched them all back on";
}

}  // namespace
}  // namespace tavrel::testing
