// The lock, door, doors-opened, light and neon pages: rows, labels and bounds,
// toggles written at once, clamped steps at both ends, step timing and the
// previews on the tracked car.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu_fixture.h"
#include "state/runtime_state.h"

namespace tavrel::testing {
namespace {

using LockPage = MenuTest;
using DoorPages = MenuTest;
using LightPage = MenuTest;
using NeonPage = MenuTest;

// Gaps between consecutive navigation sounds while `vk` is held for `ms`.
std::vector<std::uint32_t> repeatGaps(sim::Simulator& sim, std::uint32_t vk, std::uint32_t ms) {
    sim.waitMs(250);
    const std::size_t first = sim.sounds().size();
    sim.hold(vk, ms);
    std::vector<std::uint32_t> gaps;
    for (std::size_t i = first + 1; i < sim.sounds().size(); ++i) {
        gaps.push_back(sim.sounds()[i].tick - sim.sounds()[i - 1].tick);
    }
    return gaps;
}

void expectGaps(const std::vector<std::uint32_t>& gaps, std::uint32_t window) {
    ASSERT_GE(gaps.size(), 3u);
    for (std::uint32_t gap : gaps) {
        EXPECT_GT(gap, window);
        EXPECT_LE(gap, window + sim::kDefaultFrameMs);
    }
}

// The tracked car, stopped, the player on foot beside it.
sim::SimVehicle& trackedCar(sim::Simulator& sim) {
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    car.mod_kit = 0;
    runtime.tracked_vehicle = car.handle;
    return car;
}

// [SECTION] Lock page

TEST_F(LockPage, RowsLabelsAndTheNarrowSelectedBox) {
    startWith(menuIni());
    openMenu();
    enterMain(0);
    EXPECT_EQ(title(), "LOCK  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Locks Are Unbreakable For Peds [OFF]",
                          "Locks Are Unbreakable For Player [OFF]",
                          "Use Player's Last Vehicle [OFF]",
                          "Player Can Leave Locked Door After Locking [OFF]",
                          "Max Distance To Vehicle:   << 40 m >>",
                      }));
    const auto& rects = sim.lastDrawing().rects;
    EXPECT_EQ(rects.back().w, rects[1].w) << "selected box menu_width on this page";
    press(kVkUp);
    EXPECT_EQ(selected(), "Max Distance To Vehicle:   << 40 m >>") << "up on row 0 wraps to the last row";
    press(kVkDown);
    EXPECT_EQ(selected(), "Locks Are Unbreakable For Peds [OFF]");
}

TEST_F(LockPage, ToggleWritesTheNewStateWithOneSound) {
    startWith(menuIni());
    openMenu();
    enterMain(0);
    pressTimes(kVkDown, 2);
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(selected(), "Use Player's Last Vehicle [ON]");
    EXPECT_TRUE(settings.use_players_last_vehicle);
    EXPECT_EQ(iniValue("use_players_last_vehicle"), "1");
    EXPECT_EQ(newSounds(), 1u);
    press(kVkSelect);
    EXPECT_EQ(iniValue("use_players_last_vehicle"), "0");
    EXPECT_FALSE(settings.use_players_last_vehicle);
}

TEST_F(LockPage, DistanceStepsAreClampedAtBothEndsAndRewrittenWhenStuck) {
    startWith(menuIni("", ""));
    openMenu();
    enterMain(0);
    press(kVkUp);  // row 4
    settings.max_distance_to_vehicle = 0;
    markSounds();
    press(kVkLeft);
    EXPECT_EQ(settings.max_distance_to_vehicle, 0);
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_EQ(iniValue("max_distance_to_vehicle"), "0") << "written again at the bound";
    EXPECT_EQ(selected(), "Max Distance To Vehicle:   0 m >>");

    settings.max_distance_to_vehicle = 899999;
    press(kVkRight);
    EXPECT_EQ(settings.max_distance_to_vehicle, 900000);
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(selected(), "Max Distance To Vehicle:   << 900000 m");
    press(kVkRight);
    EXPECT_EQ(settings.max_distance_to_vehicle, 900000);
    EXPECT_EQ(newSounds(), 1u);

    settings.max_distance_to_vehicle = 950000;  // hand-edited
    press(kVkLeft);
    EXPECT_EQ(settings.max_distance_to_vehicle, 900000) << "above the range: to the upper bound, silently";
    settings.max_distance_to_vehicle = -7;
    press(kVkRight);
    EXPECT_EQ(settings.max_distance_to_vehicle, 0) << "below the range: to the lower bound, silently";
    EXPECT_EQ(newSounds(), 1u);
}

TEST_F(LockPage, AHeldDistanceKeyStepsEvery50Ms) {
    startWith(menuIni());
    openMenu();
    enterMain(0);
    press(kVkUp);
    expectGaps(repeatGaps(sim, kVkRight, 600), 50);
    EXPECT_GT(settings.max_distance_to_vehicle, 45);
}

TEST_F(LockPage, SelectOnTheValueRowDoesNothingAndSideKeysOnTogglesNeither) {
    startWith(menuIni());
    openMenu();
    enterMain(0);
    const std::string before = sandbox.readIni();
    markSounds();
    press(kVkLeft);
    press(kVkRight);
    EXPECT_EQ(selected(), "Locks Are Unbreakable For Peds [OFF]");
    press(kVkUp);
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_EQ(sandbox.readIni(), before);
    EXPECT_EQ(settings.max_distance_to_vehicle, 40);
}

// [SECTION] Door pages

TEST_F(DoorPages, DoorPageRowsAndTheNestedPageOfDoors) {
    startWith(menuIni());
    openMenu();
    enterMain(1);
    EXPECT_EQ(title(), "DOOR  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Choose Doors To Open At Unlock",
                          "Open Doors At Unlock While Inside [OFF]",
                          "Shut Doors Instantly [OFF]",
                          "Alter Roof On Convertibles From Outside [OFF]",
                          "Roll Down Windows Upon Unlock [OFF]",
                          "Roll Up Windows Upon Lock [OFF]",
                      }));
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(title(), "DOORS OPENED AT UNLOCK SETTINGS");
    EXPECT_EQ(rows().size(), 8u);
    EXPECT_EQ(rows()[4], "Hood               [OFF]") << "padded to 18 characters";
    EXPECT_EQ(rows()[0], "Front Left Door    [OFF]");
    const auto& rects = sim.lastDrawing().rects;
    EXPECT_GT(rects.back().w, rects[1].w) << "selected box menu_width + 1 on this page";
    press(kVkUp);
    EXPECT_EQ(selected(), "Back2              [OFF]");
    press(kVkBack);
    EXPECT_EQ(title(), "DOOR  SETTINGS");
    EXPECT_EQ(menu_state.current_page, kDoorPage);
}

TEST_F(DoorPages, TrunkToggleWritesAndTheFileIsReadAtEveryEntry) {
    startWith(menuIni("open_door_back2=5\r\n"));
    openMenu();
    enterMain(1);
    press(kVkSelect);
    EXPECT_EQ(rows()[7], "Back2              [ON]") << "any positive value is on";
    pressTimes(kVkDown, 5);
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(selected(), "Trunk              [ON]");
    EXPECT_EQ(iniValue("open_door_trunk"), "1");
    EXPECT_EQ(newSounds(), 1u);
    press(kVkBack);
    sandbox.writeIni(menuIni("open_door_trunk=0\r\n"));  // hand edit
    press(kVkSelect);
    EXPECT_EQ(rows()[5], "Trunk              [OFF]") << "reloaded from the file at entry";
}

TEST_F(DoorPages, WithoutAFileEveryDoorShowsOffAtEachEntry) {
    sim.start();
    resetMenuState();
    settings.menu_up = 104;
    settings.menu_down = 98;
    settings.menu_select = 101;
    settings.menu_back = 96;
    openMenu();
    enterMain(1);
    press(kVkSelect);
    press(kVkSelect);
    EXPECT_EQ(selected(), "Front Left Door    [ON]") << "held in memory";
    press(kVkBack);
    press(kVkSelect);
    EXPECT_EQ(rows()[0], "Front Left Door    [OFF]");
    EXPECT_FALSE(sandbox.iniExists());
}

TEST_F(DoorPages, SideKeysDoNothingOnEitherPage) {
    startWith(menuIni());
    openMenu();
    enterMain(1);
    const std::string before = sandbox.readIni();
    pressTimes(kVkDown, 1);
    markSounds();
    press(kVkLeft);
    press(kVkRight);
    press(kVkSelect);  // into nothing but a toggle: one sound
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_NE(sandbox.readIni(), before);
}

// [SECTION] Light page

TEST_F(LightPage, ElevenRowsWithTheirRenderedLabels) {
    startWith(menuIni("light_multiplier=20\r\nlock_flash_interval=100\r\nunlock_flash_interval=0\r\n"
                      "headlights_at_movement=5\r\n"));
    openMenu();
    markSounds();
    enterMain(2);
    EXPECT_EQ(newSounds(), 4u) << "3 presses + interior_lights reloaded in range";
    EXPECT_EQ(title(), "LIGHT  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Interior Lights:\t<< 1. Normal On/Off >>",
                          "Outside Locking Allows Interior Lights [OFF]",
                          "Light Notification [OFF]",
                          "Notification Lock Flashes:   << 2 >>",
                          "Notification Unlock Flashes:   << 1 >>",
                          "Notification Lock Flash Interval:   << 100 ms >>",
                          "Notification Unlock Flash Interval:   0 ms >>",
                          "Headlights: << 4. Always On",
                          "Allow Headlights On When Locking From Outside [OFF]",
                          "Headlight Multiplier:  << 20 >>",
                          "Neon Lights Settings",
                      }));
    press(kVkUp);
    EXPECT_EQ(selected(), "Neon Lights Settings");
    press(kVkDown);
    EXPECT_EQ(selected(), "Interior Lights:\t<< 1. Normal On/Off >>");
}

TEST_F(LightPage, EntryReloadClampsInteriorLightsSilentlyAndKeepsRawFlashCounts) {
    std::string ini = menuIni();
    ini.replace(ini.find("interior_lights=1"), 17, "interior_lights=9");
    ini.replace(ini.find("number_of_lock_flashes=2"), 24, "number_of_lock_flashes=-3");
    startWith(ini);
    openMenu();
    markSounds();
    enterMain(2);
    EXPECT_EQ(newSounds(), 3u) << "only the presses";
    EXPECT_EQ(settings.interior_lights, 4);
    EXPECT_EQ(settings.number_of_lock_flashes, -3);
    EXPECT_EQ(rows()[0], "Interior Lights:\t<< 4. Always On");
    EXPECT_EQ(rows()[3], "Notification Lock Flashes:   << -3 >>");
}

TEST_F(LightPage, InteriorAndHeadlightStepsPreviewOnTheTrackedCar) {
    startWith(menuIni());
    sim::SimVehicle& car = trackedCar(sim);
    openMenu();
    enterMain(2);
    car.interior_light = true;
    markSounds();
    press(kVkLeft);  // 1 -> 0
    EXPECT_EQ(settings.interior_lights, 0);
    EXPECT_FALSE(car.interior_light);
    EXPECT_EQ(selected(), "Interior Lights:\t   0. Always Off >>");
    car.interior_light = true;
    press(kVkLeft);  // stays 0: no sound, written again, still previewed
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_FALSE(car.interior_light);
    EXPECT_EQ(iniValue("interior_lights"), "0");

    pressTimes(kVkDown, 7);  // headlights
    settings.headlights_at_movement = 4;
    press(kVkRight);
    EXPECT_EQ(settings.headlights_at_movement, 5);
    EXPECT_EQ(car.headlights, 2) << "mode 5 forces them on";
    const std::size_t sounds = navSounds();
    press(kVkRight);
    EXPECT_EQ(settings.headlights_at_movement, 5);
    EXPECT_EQ(navSounds(), sounds);
    EXPECT_EQ(selected(), "Headlights: << 4. Always On");
}

TEST_F(LightPage, FlashIntervalsStepByTenEvery50MsAndClampTheOvershoot) {
    startWith(menuIni());
    openMenu();
    enterMain(2);
    pressTimes(kVkDown, 5);
    settings.lock_flash_interval = 899995;
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.lock_flash_interval, 900000);
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_EQ(selected(), "Notification Lock Flash Interval:   << 900000 ms");
    settings.lock_flash_interval = 100;
    expectGaps(repeatGaps(sim, kVkLeft, 400), 50);
    EXPECT_EQ(settings.lock_flash_interval % 10, 0);
    EXPECT_LT(settings.lock_flash_interval, 100);
}

TEST_F(LightPage, MultiplierSwitchesPrefixAndSetsTheCarsLights) {
    startWith(menuIni());
    settings.light_multiplier = -5;  // the load rules turn a negative file value into 20
    sim::SimVehicle& car = trackedCar(sim);
    openMenu();
    enterMain(2);
    pressTimes(kVkUp, 2);  // row 9
    EXPECT_EQ(selected(), "Headlight Multiplier:   -5 >>");
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.light_multiplier, -4);
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(selected(), "Headlight Multiplier:  << -4 >>");
    EXPECT_EQ(car.light_multiplier, -4.0f);
    EXPECT_EQ(iniValue("light_multiplier"), "-4");
    settings.light_multiplier = 9000000;
    press(kVkRight);
    EXPECT_EQ(selected(), "Headlight Multiplier:   << 9000000");
}

TEST_F(LightPage, SelectOnAValueRowIsSilentAndTheNextPollComes200MsLater) {
    startWith(menuIni());
    openMenu();
    enterMain(2);
    pressTimes(kVkDown, 3);
    sim.waitMs(250);
    markSounds();
    sim.keyDown(kVkSelect);
    sim.runFrame();
    const std::uint32_t select_tick = sim.now() - sim.frameMs();
    sim.keyUp(kVkSelect);
    EXPECT_EQ(newSounds(), 0u);
    sim.keyDown(kVkDown);
    std::uint32_t moved = 0;
    for (int f = 0; f < 30 && moved == 0; ++f) {
        sim.runFrame();
        if (newSounds() == 1u) moved = sim.sounds().back().tick;
    }
    sim.keyUp(kVkDown);
    ASSERT_NE(moved, 0u);
    EXPECT_GT(moved - select_tick, 200u);
    EXPECT_LE(moved - select_tick, 200u + sim::kDefaultFrameMs);
}

// [SECTION] Neon page

TEST_F(NeonPage, RowsLabelsAndBackToTheLightPage) {
    startWith(menuIni("neon_lights=0\r\nneon_notification=2\r\nneon_default_color=0\r\n"));
    openMenu();
    enterMain(2);
    press(kVkUp);
    press(kVkSelect);
    EXPECT_EQ(title(), "NEON  LIGHTS  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Neon Lights:   0. Off >>",
                          "Neon Notification:   << 2. Sequential",
                          "Default Color:\t     0. System Default (Pink) >>",
                          "Can Enable Neon On Cars Without Neon [OFF]",
                          "Sequential Neon Lights [OFF]",
                      }));
    press(kVkBack);
    EXPECT_EQ(title(), "LIGHT  SETTINGS");
    press(kVkBack);
    EXPECT_EQ(title(), "Tavrel 2.2");
}

TEST_F(NeonPage, ModeAndColourStepsPreviewOnTheCar) {
    startWith(menuIni("neon_lights=0\r\nneon_default_color=6\r\nneon_affects_all_cars=1\r\n"));
    sim::SimVehicle& car = trackedCar(sim);
    car.secondary = sim::Rgb{10, 20, 30};
    openMenu();
    enterMain(2);
    press(kVkUp);
    press(kVkSelect);
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.neon_lights, 1);
    EXPECT_EQ(car.neon, (std::array<bool, 4>{true, true, true, true})) << "mode 1 lights every side at once";
    settings.neon_lights = 3;
    press(kVkRight);
    EXPECT_EQ(settings.neon_lights, 4);
    EXPECT_EQ(iniValue("neon_lights"), "4");
    EXPECT_EQ(selected(), "Neon Lights:   << 4. Off When Outside");
    EXPECT_EQ(car.neon, (std::array<bool, 4>{})) << "mode 4 with the player outside";
    EXPECT_EQ(newSounds(), 2u);

    pressTimes(kVkDown, 2);
    markSounds();
    press(kVkRight);  // 6 stays 6
    EXPECT_EQ(settings.neon_default_color, 6);
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_EQ(iniValue("neon_default_color"), "6");
    EXPECT_EQ(car.neon_rgb, (sim::Rgb{10, 20, 30})) << "the colour rule ran again";
    EXPECT_EQ(selected(), "Default Color:\t<< 6. Same As Vehicle Secondary");
}

TEST_F(NeonPage, NotificationAtZeroAndOutOfBoundsValues) {
    startWith(menuIni("neon_notification=0\r\nneon_lights=17\r\nneon_default_color=-2\r\n"));
    openMenu();
    enterMain(2);
    press(kVkUp);
    press(kVkSelect);
    EXPECT_EQ(rows()[0], "Neon Lights:   << Out Of Bounds >>");
    EXPECT_EQ(rows()[2], "Default Color:\t<< Out of bounds >>");
    markSounds();
    press(kVkLeft);
    EXPECT_EQ(settings.neon_lights, 4) << "from above to the upper bound";
    press(kVkDown);
    press(kVkLeft);
    EXPECT_EQ(settings.neon_notification, 0);
    EXPECT_EQ(selected(), "Neon Notification:   0. Off >>");
    EXPECT_EQ(newSounds(), 1u) << "only the down press";
}

}  // namespace
}  // namespace tavrel::testing
