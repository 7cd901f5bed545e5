// Neon colour chosen at unlock, and the neon sides put back after a flash
// series.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

#include "support/car_fixture.h"

namespace tavrel::testing {
namespace {

using sim::Rgb;

constexpr Rgb kPink{255, 0, 255};
constexpr Rgb kNearlyPink{255, 0, 254};
constexpr Rgb kOwn{1, 2, 3};
constexpr Rgb kPrimary{10, 20, 30};
constexpr Rgb kSecondary{40, 50, 60};

using NeonColourTest = CarTest;

struct ColourCase {
    std::optional<int> rule;  // nullopt: key absent
    Rgb before;
    std::optional<Rgb> after;  // nullopt: random
    int rule_after;            // Settings.neon_default_color afterwards
};

TEST_F(NeonColourTest, UnlockColoursTheNeonByRule) {
    const ColourCase cases[] = {
        {0, kOwn, kPink, 0},
        {1, kOwn, kOwn, 1},
        {2, kPink, std::nullopt, 2},      {2, kNearlyPink, kNearlyPink, 2},
        {3, kPink, kPrimary, 3},          {3, kOwn, kOwn, 3},
        {4, kOwn, std::nullopt, 4},       {4, kPink, std::nullopt, 4},
        {5, kOwn, kPrimary, 5},           {6, kPink, kSecondary, 6},
        {std::nullopt, kOwn, kOwn, 1},    {7, kPink, kPink, 1},   {-5, kOwn, kOwn, 1},
    };
    for (const ColourCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "rule " << (c.rule ? std::to_string(*c.rule) : "absent"));
        sim.resetWorld();
        sim::SimVehicle& v = addCar();
        v.neon_rgb = c.before;
        v.primary = kPrimary;
        v.secondary = kSecondary;
        const std::string line = c.rule ? "neon_default_color=" + std::to_string(*c.rule) + "\r\n" : "";
        startWith(carIni(line));
        sim::CrtRandom rand = sim.random();
        unlock();
        Rgb expected;
        if (c.after) {
            expected = *c.after;
        } else {  // blue, green, then red
            expected.b = rand.next() % 256;
            expected.g = rand.next() % 256;
            expected.r = rand.next() % 256;
        }
        EXPECT_EQ(car().neon_rgb, expected);
        EXPECT_EQ(settings.neon_default_color, c.rule_after);
        if (c.rule) {
            EXPECT_NE(sandbox.readIni().find(line), std::string::npos) << "the file keeps its value";
        }
        sim.unload();
    }
}

using Sides = std::array<bool, 4>;  // left, right, front, back

struct SeriesCase {
    bool lock;
    int neon_notification;  // 1 flashing, 2 running light
    Sides sides;
};

TEST_F(NeonColourTest, FlashSeriesEndsWithTheNeonSidesAsTheyWere) {
    const SeriesCase cases[] = {
        {false, 1, {true, false, true, false}}, {false, 2, {false, true, false, false}},
        {true, 1, {true, true, false, true}},   {true, 2, {false, false, false, false}},
        {false, 1, {true, true, true, true}},
    };
    for (const SeriesCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << (c.lock ? "lock" : "unlock") << " signal " << c.neon_notification
                                          << " sides " << c.sides[0] << c.sides[1] << c.sides[2] << c.sides[3]);
        sim.resetWorld();
        addCar().neon = c.sides;
        startWith(carIni("light_notification=1\r\nnumber_of_lock_flashes=5\r\nnumber_of_unlock_flashes=5\r\n"
                         "lock_flash_interval=60\r\nunlock_flash_interval=60\r\nneon_notification=" +
                         std::to_string(c.neon_notification) + "\r\n"));
        c.lock ? lock(0) : unlock(0);
        bool blinked = false;
        for (int frame = 0; frame < 70; ++frame) {
            sim.runFrame();
            blinked = blinked || car().neon != c.sides;
        }
        EXPECT_TRUE(blinked) << "the series ran on the neon";
        EXPECT_EQ(car().neon, c.sides);
        sim.unload();
    }
}

}  // namespace
}  // namespace tavrel::testing
