// The colour changer: paint drifting towards random targets while the car
// drives, neon after the primary colour and tyre smoke after the secondary.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "effects/colour_changer.h"
#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

using sim::Rgb;

struct ComponentCase {
    int current;
    int target;
    int step;
    int after;
};

TEST(StepComponentTest, MovesByAtMostTheStepAndLandsOnTheTarget) {
    const ComponentCase cases[] = {
        {250, 255, 10, 255},  // closer than a step
        {200, 210, 10, 210},  // exactly a step away
        {199, 210, 10, 209},
        {0, 255, 1000000, 255},
        {255, 0, 1000000, 0},
        {100, 50, 10, 90},
        {55, 50, 10, 50},
        {60, 50, 10, 50},
        {61, 50, 10, 51},
        {77, 77, 10, 77},
        {0, 255, 0, 0},  // speed 0: never moves
        {255, 0, 0, 255},
        {0, 255, 2147483647, 255},
    };
    for (const ComponentCase& c : cases) {
        EXPECT_EQ(stepComponent(c.current, c.target, c.step), c.after)
            << c.current << " -> " << c.target << " by " << c.step;
    }
}

// The changer as described for the player: targets drawn from the C runtime's
// rand (primary red, green, blue, then secondary), each colour moved towards
// its target by at most its speed, a new target once it is reached.
struct ChangerModel {
    sim::CrtRandom rand;
    int primary_speed;
    int secondary_speed;
    Rgb primary_target, secondary_target, primary, secondary;

    Rgb draw() {
        const int r = rand.next() % 256;
        const int g = rand.next() % 256;
        const int b = rand.next() % 256;
        return {r, g, b};
    }
    static int towards(int c, int t, int s) { return c + std::clamp(t - c, -s, s); }
    static Rgb towards(Rgb c, Rgb t, int s) { return {towards(c.r, t.r, s), towards(c.g, t.g, s), towards(c.b, t.b, s)}; }
    void step() {
        if (primary_target == Rgb{} && secondary_target == Rgb{}) {
            primary_target = draw();
            secondary_target = draw();
        }
        if (primary == primary_target) primary_target = draw();
        if (secondary == secondary_target) secondary_target = draw();
        primary = towards(primary, primary_target, primary_speed);
        secondary = towards(secondary, secondary_target, secondary_speed);
    }
};

class ColourChangerTest : public CarTest {
protected:
    // Unlocks a standing car with the changer configured; `lines` add to it.
    void unlockWith(const std::string& lines) {
        addCar();
        startWith(carIni(lines));
        unlock();
        sim.clearTrace();
    }
    std::vector<sim::TraceEntry> paintCalls() { return scriptCalls(nat::SET_VEHICLE_CUSTOM_PRIMARY_COLOUR); }
    static Rgb rgbOf(const sim::TraceEntry& e) { return {e.args[1].value, e.args[2].value, e.args[3].value}; }
};

TEST_F(ColourChangerTest, PaintNeonAndTyreSmokeFollowTargetsDrawnInOrder) {
    for (const auto& [primary_speed, secondary_speed] : {std::pair{7, 40}, std::pair{1000000, 1000000},
                                                        std::pair{0, 25}}) {
        SCOPED_TRACE(::testing::Message() << "speeds " << primary_speed << ", " << secondary_speed);
        sim.resetWorld();
        unlockWith("color_changer_speed_base_value=100\r\nvehicle_speed_multiplier_value=0\r\n"
                   "color_changer_primary_color_speed=" + std::to_string(primary_speed) +
                   "\r\ncolor_changer_secondary_color_speed=" + std::to_string(secondary_speed) + "\r\n");
        ChangerModel model{sim.random(), primary_speed, secondary_speed, {}, {}, {}, {}};
        car().speed = 6.0f;
        for (int step = 0; step < 40; ++step) {
            const std::size_t done = paintCalls().size();
            ASSERT_TRUE(runUntil([&] { return paintCalls().size() > done; })) << "step " << step;
            model.step();
            ASSERT_EQ(car().primary, model.primary) << "step " << step;
            ASSERT_EQ(car().secondary, model.secondary) << "step " << step;
            ASSERT_EQ(car().neon_rgb, model.primary) << "step " << step;
            ASSERT_EQ(car().tyre_smoke, model.secondary) << "step " << step;
        }
        if (primary_speed == 0) {
            EXPECT_EQ(car().primary, (Rgb{})) << "a primary speed of 0 keeps it black";
        }
        sim.unload();
    }
}

struct WaitCase {
    std::uint32_t start_tick;
    int base;
    int multiplier;
    float speed;
    Tick gap;  // between steps, with 1 ms frames: the wait + 1
};

TEST_F(ColourChangerTest, WaitShrinksWithSpeedDownToEveryFrame) {
    const WaitCase cases[] = {
        {sim::kDefaultStartTick, 1000, 0, 3.0f, 1001}, {sim::kDefaultStartTick, 1000, 50, 10.0f, 501},
        {sim::kDefaultStartTick, 1000, 50, 10.9f, 501}, {sim::kDefaultStartTick, 1000, 50, 20.0f, 1},
        {sim::kDefaultStartTick, 1000, 50, 35.0f, 1},   {sim::kDefaultStartTick, 2, 0, 1.0f, 3},
        {0xFFFFFFFFu - 1500u, 1000, 50, 10.0f, 501},  // across the wrap of the tick
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.base << " - " << c.speed << " x " << c.multiplier);
        sim.resetWorld();
        sim.setStartTick(c.start_tick);
        sim.setFrameMs(1);
        unlockWith("color_changer_speed_base_value=" + std::to_string(c.base) + "\r\nvehicle_speed_multiplier_value=" +
                   std::to_string(c.multiplier) + "\r\ncolor_changer_primary_color_speed=1\r\n");
        car().speed = c.speed;
        sim.waitMs(4 * c.gap + 2);
        const auto steps = paintCalls();
        ASSERT_GE(steps.size(), 3u);
        for (std::size_t i = 1; i < steps.size(); ++i) EXPECT_EQ(steps[i].tick - steps[i - 1].tick, c.gap);
        sim.unload();
    }
}

TEST_F(ColourChangerTest, NothingChangesWhileTheCarStandsOrCrawlsOrWithoutABase) {
    struct Case {
        const char* base;
        float speed;
    };
    for (const Case c : {Case{"100", 0.0f}, Case{"100", 0.9f}, Case{"0", 10.0f}, Case{"-100", 10.0f}}) {
        SCOPED_TRACE(::testing::Message() << "base " << c.base << " speed " << c.speed);
        sim.resetWorld();
        unlockWith(std::string("color_changer_speed_base_value=") + c.base +
                   "\r\ncolor_changer_primary_color_speed=50\r\n");
        car().primary = {1, 2, 3};
        car().speed = c.speed;
        sim.waitMs(2000);
        EXPECT_EQ(calls(nat::SET_VEHICLE_CUSTOM_PRIMARY_COLOUR), 0u);
        EXPECT_EQ(car().primary, (Rgb{1, 2, 3}));
        sim.unload();
    }
}

TEST_F(ColourChangerTest, LockPausesTheChangerOnlyWhenSetToPause) {
    for (const bool can_pause : {true, false}) {
        SCOPED_TRACE(::testing::Message() << "can pause " << can_pause);
        sim.resetWorld();
        unlockWith("color_changer_speed_base_value=50\r\ncolor_changer_primary_color_speed=3\r\n"
                   "color_change_can_pause=" + std::to_string(can_pause) + "\r\n");
        car().speed = 5.0f;
        sim.waitMs(500);
        ASSERT_GT(paintCalls().size(), 0u);
        lock();
        const std::size_t at_lock = paintCalls().size();
        sim.waitMs(1000);
        if (can_pause) {
            EXPECT_EQ(paintCalls().size(), at_lock);
        } else {
            EXPECT_GT(paintCalls().size(), at_lock);
        }
        unlock();
        const std::size_t at_unlock = paintCalls().size();
        sim.waitMs(500);
        EXPECT_GT(paintCalls().size(), at_unlock) << "an unlock starts it again";
        sim.unload();
    }
}

}  // namespace
}  // namespace tavrel::testing
