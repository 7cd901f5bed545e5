// The sound, colour changer, engine, misc and menu UI pages: labels and
// bounds, the radio's wrap, the horn preview, the reloads at entry, the
// step timing, the misc flags and the appearance edits with their sounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu_fixture.h"
#include "state/runtime_state.h"

namespace tavrel::testing {
namespace {

using SoundPage = MenuTest;
using ColourChangerPage = MenuTest;
using EnginePage = MenuTest;
using MiscPage = MenuTest;
using MenuUiPage = MenuTest;

// Tick of the first poll that acts on `vk`, pressed right after a step made
// in the frame before; 0 when none within 300 ms.
std::uint32_t ticksToNextStep(sim::Simulator& sim, std::uint32_t step_vk, std::uint32_t next_vk) {
    sim.waitMs(250);
    sim.keyDown(step_vk);
    sim.runFrame();
    const std::uint32_t step_tick = sim.now() - sim.frameMs();
    sim.keyUp(step_vk);
    const std::size_t sounds = sim.sounds().size();
    sim.keyDown(next_vk);
    std::uint32_t next = 0;
    for (int f = 0; f < 20 && next == 0; ++f) {
        sim.runFrame();
        if (sim.sounds().size() > sounds) next = sim.sounds()[sounds].tick;
    }
    sim.keyUp(next_vk);
    sim.runFrame();
    return next == 0 ? 0 : next - step_tick;
}

// [SECTION] Sound page

TEST_F(SoundPage, EntryReloadsTheFileAndShowsEveryRow) {
    startWith(menuIni("horn_type_index=-1\r\nradio_station_index=0\r\nloud_radio_on=1\r\n"));
    openMenu();
    markSounds();
    enterMain(3);
    EXPECT_EQ(newSounds(), 8u) << "4 presses + 4 reloaded counts in range";
    EXPECT_EQ(title(), "SOUND  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Horn Signal:  << -1. HORN_STOCK >>",
                          "Notification Sound Signal:     0. Off >>",
                          "Notification Sound Times When Unlocking:   << 1 >>",
                          "Notification Sound Times When Locking:   << 2 >>",
                          "Notification Sound Interval:   << 150 ms >>",
                          "Horn Duration:   << 80 ms >>",
                          "Remote Control Fob Sound [OFF]",
                          "Loud Radio         [ON]",  // 10 characters, 8 spaces
                          "Radio Station:  << Los Santos Rock Radio >>",
                      }));
}

TEST_F(SoundPage, WithoutAFileTheReloadsFallBackSilently) {
    sim.start();
    resetMenuState();
    settings.menu_down = 98;
    settings.menu_select = 101;
    settings.horn_type_index = 12;
    openMenu();
    markSounds();
    enterMain(3);
    EXPECT_EQ(newSounds(), 4u) << "the presses only";
    EXPECT_EQ(settings.horn_duration, 0);
    EXPECT_EQ(settings.horn_type_index, -1);
    EXPECT_EQ(settings.radio_station_index, -1);
    EXPECT_FALSE(settings.loud_radio_on);
}

TEST_F(SoundPage, RadioOffIsSentEvenWithNoCarTracked) {
    startWith(menuIni("radio_station_index=36\r\n"));  // no car in the world
    openMenu();
    enterMain(3);
    press(kVkUp);  // row 8
    sim.clearTrace();
    press(kVkRight);
    ASSERT_EQ(settings.radio_station_index, 37);
    std::size_t sent = 0;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.hash != nat::SET_VEH_RADIO_STATION) continue;
        ++sent;
        EXPECT_EQ(e.args[0].value, 0) << "to handle 0, where it does nothing";
        EXPECT_EQ(e.args[1].text.value_or(""), "OFF");
    }
    EXPECT_EQ(sent, 1u);
}

TEST_F(SoundPage, RadioWrapsBothWaysWithoutSoundAndTunesTheCar) {
    startWith(menuIni("radio_station_index=36\r\n"));
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    runtime.tracked_vehicle = car.handle;
    openMenu();
    enterMain(3);
    press(kVkUp);  // row 8
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.radio_station_index, 37);
    EXPECT_EQ(car.radio, "OFF");
    EXPECT_EQ(selected(), "Radio Station:  << OFF >>");
    press(kVkRight);
    EXPECT_EQ(settings.radio_station_index, -1);
    EXPECT_EQ(selected(), "Radio Station:  << Use Current >>");
    press(kVkLeft);
    EXPECT_EQ(settings.radio_station_index, 37);
    EXPECT_EQ(iniValue("radio_station_index"), "37");
    EXPECT_EQ(newSounds(), 0u);
    settings.radio_station_index = 2147483647;  // hand-edited extreme: no overflow
    press(kVkRight);
    EXPECT_EQ(settings.radio_station_index, -1);
    settings.radio_station_index = -2147483647 - 1;
    press(kVkLeft);
    EXPECT_EQ(settings.radio_station_index, 37);
    EXPECT_EQ(ticksToNextStep(sim, kVkRight, kVkDown) > 200u, true) << "200 ms after a radio step";
}

TEST_F(SoundPage, HornStepsClampAndPreviewOnAnExistingCar) {
    startWith(menuIni("horn_type_index=51\r\n"));
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    car.mod_kit = 0;
    runtime.tracked_vehicle = car.handle;
    openMenu();
    enterMain(3);
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.horn_type_index, 52);
    EXPECT_EQ(selected(), "Horn Signal:  << 52. Stock >>");
    EXPECT_EQ(car.mods[14], -1) << "past the game's last horn, 51: the stock horn";
    settings.horn_type_index = 65;
    press(kVkRight);
    EXPECT_EQ(selected(), "Horn Signal:  << 65. Stock");
    EXPECT_EQ(newSounds(), 1u);
    settings.horn_type_index = -2;
    car.mods[14] = 9;
    press(kVkLeft);
    EXPECT_EQ(settings.horn_type_index, -2);
    EXPECT_EQ(selected(), "Horn Signal:     Use Current >>");
    EXPECT_EQ(car.mods[14], 9) << "-2 leaves the car alone";
    EXPECT_EQ(newSounds(), 1u);
    sim.world().removeById(7);
    press(kVkRight);
    EXPECT_EQ(settings.horn_type_index, -1) << "the step still happens without a car";
}

TEST_F(SoundPage, SignalCountsAndTimingOfTheNumberRows) {
    startWith(menuIni("notification_sound_signal=2\r\n"));
    openMenu();
    enterMain(3);
    press(kVkDown);
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.notification_sound_signal, 2);
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_EQ(selected(), "Notification Sound Signal:     << 2. Horn");
    pressTimes(kVkDown, 2);  // times when locking
    const std::uint32_t after_right = ticksToNextStep(sim, kVkRight, kVkDown);
    press(kVkUp);
    const std::uint32_t after_left = ticksToNextStep(sim, kVkLeft, kVkDown);
    EXPECT_GT(after_right, 100u);
    EXPECT_LE(after_right, 116u);
    EXPECT_GT(after_left, 150u);
    EXPECT_LE(after_left, 166u);
}

TEST_F(SoundPage, LoudRadioAndFobToggles) {
    startWith(menuIni());
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    runtime.tracked_vehicle = car.handle;
    openMenu();
    enterMain(3);
    pressTimes(kVkUp, 2);  // row 7
    markSounds();
    press(kVkSelect);
    EXPECT_TRUE(settings.loud_radio_on);
    EXPECT_TRUE(car.loud_radio);
    EXPECT_EQ(iniValue("loud_radio_on"), "1");
    EXPECT_EQ(selected(), "Loud Radio         [ON]");
    press(kVkUp);
    press(kVkSelect);
    EXPECT_EQ(iniValue("remote_control_fob_sound"), "1");
    EXPECT_EQ(newSounds(), 3u);
}

// [SECTION] Colour changer page

TEST_F(ColourChangerPage, RowsBoundsAndTheBaseStepOf50) {
    startWith(menuIni());
    openMenu();
    enterMain(4);
    EXPECT_EQ(title(), "COLOR  CHANGER  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Color Changer Speed Base Value:   << 500 >>",
                          "Color Changer Primary Color Speed:   << 2 >>",
                          "Color Changer Secondary Color Speed:   << 3 >>",
                          "Vehicle Speed Multiplier Value:   0 >>",
                          "Color Change Pauses By Locking [OFF]",
                      }));
    settings.color_changer_speed_base_value = 8999980;
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.color_changer_speed_base_value, 9000000);
    EXPECT_EQ(selected(), "Color Changer Speed Base Value:   << 9000000");
    settings.color_changer_speed_base_value = 30;
    press(kVkLeft);
    EXPECT_EQ(settings.color_changer_speed_base_value, 0);
    EXPECT_EQ(iniValue("color_changer_speed_base_value"), "0");
    EXPECT_EQ(newSounds(), 0u);
    press(kVkUp);
    EXPECT_EQ(selected(), "Color Change Pauses By Locking [OFF]");
    press(kVkSelect);
    EXPECT_EQ(iniValue("color_change_can_pause"), "1");
    EXPECT_EQ(newSounds(), 2u);
}

// [SECTION] Engine page

TEST_F(EnginePage, OneRowClampedAndSelectIgnored) {
    startWith(menuIni("engine_on_after_unlocking=4\r\n"));
    openMenu();
    enterMain(5);
    EXPECT_EQ(title(), "ENGINE  SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{"After Unlock From Outside:\t<< Always On"}));
    markSounds();
    press(kVkRight);
    press(kVkSelect);
    EXPECT_EQ(newSounds(), 0u);
    press(kVkUp);
    press(kVkDown);
    EXPECT_EQ(newSounds(), 2u);
    EXPECT_EQ(rows().size(), 1u);
    settings.engine_on_after_unlocking = 1;
    press(kVkLeft);
    EXPECT_EQ(selected(), "After Unlock From Outside:\t     Off >>");
    press(kVkLeft);
    EXPECT_EQ(iniValue("engine_on_after_unlocking"), "0");
    EXPECT_EQ(newSounds(), 3u);
}

// [SECTION] Misc page

TEST_F(MiscPage, BlipAndPersistenceLeaveTheirFlagsForTheNextRequest) {
    startWith(menuIni("current_player_vehicle_blip=1\r\n"));
    const int car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0}).handle;
    sim.tap(kVkL);
    sim.waitMs(1100);
    ASSERT_NE(sim.world().blipOf(car), nullptr) << "the lock marked the car";
    openMenu();
    enterMain(6);
    EXPECT_EQ(title(), "MISC  SETTINGS");
    EXPECT_EQ(rows()[3], "Animation:       0. No Animation >>");
    press(kVkDown);
    EXPECT_EQ(selected(), "Current Vehicle Blip [ON]");
    press(kVkSelect);
    EXPECT_EQ(iniValue("current_player_vehicle_blip"), "0");
    press(kVkSelect);
    EXPECT_EQ(iniValue("current_player_vehicle_blip"), "1");
    press(kVkDown);
    press(kVkSelect);
    EXPECT_EQ(iniValue("current_player_vehicle_persistent"), "1");
    press(kVkUp);
    press(kVkUp);
    press(kVkUp);
    EXPECT_EQ(selected(), "Game Input Disabled While In Menu [OFF]") << "up on row 0 wraps to row 5";
    // Switched off once more: the next request takes the blip off the car.
    pressTimes(kVkDown, 2);
    press(kVkSelect);
    EXPECT_EQ(iniValue("current_player_vehicle_blip"), "0");
    closeMenu();
    sim.waitMs(1100);
    ASSERT_NE(sim.world().blipOf(car), nullptr) << "until the next request";
    sim.tap(kVkU);
    sim.waitMs(1100);
    EXPECT_EQ(sim.world().blipOf(car), nullptr);
    EXPECT_TRUE(vehicle(7).mission) << "persistence switched on";
}

// [SECTION] A write that fails

constexpr const char* kSaveFailed = "Tavrel: TavrelConfig.ini could not be saved";

std::size_t countOf(const std::vector<std::string>& texts, const std::string& text) {
    return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

TEST_F(MiscPage, AFailedWriteIsReportedOncePerMenuSessionAndTheFileStaysAsItWas) {
    startWith(menuIni());
    const std::string before = sandbox.readIni();
    std::filesystem::permissions(Sandbox::kIni, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    openMenu();
    enterMain(6);
    press(kVkSelect);  // "Make Vehicle Belong To Player" on, in memory only
    EXPECT_TRUE(settings.make_vehicle_belong_to_player);
    EXPECT_EQ(countOf(sim.notifications(), kSaveFailed), 1u);
    press(kVkSelect);
    press(kVkSelect);
    EXPECT_EQ(countOf(sim.notifications(), kSaveFailed), 1u) << "once per menu session";
    closeMenu();
    openMenu();
    press(kVkSelect);
    EXPECT_EQ(countOf(sim.notifications(), kSaveFailed), 2u) << "again in the next session";
    closeMenu();
    EXPECT_EQ(sandbox.readIni(), before);
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini.tmp"));
    std::filesystem::permissions(Sandbox::kIni, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(MiscPage, NoFailureNoticeForASavedChangeOrAMissingFile) {
    startWith(menuIni());
    openMenu();
    enterMain(6);
    press(kVkSelect);
    EXPECT_EQ(iniValue("make_vehicle_belong_to_player"), "1");
    closeMenu();
    sandbox.removeIni();  // without a file nothing is saved, by design, silently
    openMenu();
    press(kVkSelect);
    closeMenu();
    EXPECT_FALSE(sandbox.iniExists());
    EXPECT_EQ(countOf(sim.notifications(), kSaveFailed), 0u);
}

TEST_F(MiscPage, AnimationClampsAndSelectOnItDoesNothing) {
    startWith(menuIni("", ""));
    openMenu();
    enterMain(6);
    pressTimes(kVkDown, 3);
    settings.animation = 3;
    const std::string before = sandbox.readIni();
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(sandbox.readIni(), before);
    press(kVkRight);
    EXPECT_EQ(settings.animation, 3);
    EXPECT_EQ(selected(), "Animation:  << 3. Animation 2");
    EXPECT_EQ(newSounds(), 0u);
    EXPECT_NE(sandbox.readIni().find("[Animation]\r\nanimation=3"), std::string::npos);
    press(kVkDown);
    const std::string toggles = sandbox.readIni();
    press(kVkLeft);
    press(kVkRight);
    EXPECT_EQ(sandbox.readIni(), toggles) << "side keys on a toggle row do nothing";
}

// [SECTION] Menu UI page

TEST_F(MenuUiPage, SizeAndWidthStepsWithTheirSounds) {
    startWith(menuIni());
    openMenu();
    enterMain(7);
    EXPECT_EQ(title(), "MENU UI SETTINGS");
    EXPECT_EQ(rows(), (std::vector<std::string>{
                          "Menu Size:\t<< 5.0 >>",
                          "Menu Width:\t<< 350.0 >>",
                          "Red:\t<< 60 >>     ",  // padded to 18 characters
                          "Green:\t<< 104 >>  ",
                          "Blue:\t<< 166 >>   ",
                          "Transparent:\t<< 180 >>",
                          "Reset This Menu Page",
                      }));
    settings.menu_size = 9.95f;
    markSounds();
    press(kVkRight);
    EXPECT_EQ(settings.menu_size, 10.0f);
    EXPECT_EQ(newSounds(), 1u) << "clamped: only the extra sound";
    EXPECT_EQ(selected(), "Menu Size:\t<< 10.0");
    EXPECT_EQ(iniValue("menu_size"), "10.0");
    press(kVkLeft);
    EXPECT_EQ(newSounds(), 3u) << "inside: two sounds";
    EXPECT_NEAR(settings.menu_size, 9.9f, 1e-5f);

    press(kVkDown);
    settings.menu_width = 12.0f;
    markSounds();
    press(kVkLeft);
    EXPECT_EQ(settings.menu_width, 10.0f);
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(iniValue("menu_width"), "10");
    EXPECT_EQ(selected(), "Menu Width:\t10.0 >>");
    EXPECT_GT(ticksToNextStep(sim, kVkRight, kVkRight), 125u);
}

TEST_F(MenuUiPage, HoldingRightOnTransparentReaches255In75StepsAbout25MsApart) {
    startWith(menuIni());
    openMenu();
    enterMain(7);
    pressTimes(kVkDown, 5);
    sim.waitMs(250);
    const std::size_t first = sim.sounds().size();
    sim.hold(kVkRight, 75 * 32 + 200);
    EXPECT_EQ(settings.menu_transparent, 255);
    EXPECT_EQ(selected(), "Transparent:\t<< 255");
    std::size_t steps = 0;
    std::uint32_t last = 0;
    for (std::size_t i = first; i < sim.sounds().size(); ++i) {
        const std::uint32_t t = sim.sounds()[i].tick;
        if (t == last) continue;  // two sounds per step inside the range
        if (last != 0) {
            EXPECT_GT(t - last, 25u);
            EXPECT_LE(t - last, 25u + sim::kDefaultFrameMs);
        }
        last = t;
        ++steps;
    }
    EXPECT_GT(steps, 75u) << "75 steps up, then one sound per step at 255";
    EXPECT_EQ(sim.lastDrawing().rects[1].rgba[3], 255) << "drawn with the new alpha at once";
}

TEST_F(MenuUiPage, ResetRestoresTheDefaultsAndWritesThem) {
    std::string ini = menuIni();
    ini.replace(ini.find("menu_red=60"), 11, "menu_red=7");
    startWith(ini);
    openMenu();
    enterMain(7);
    press(kVkUp);
    markSounds();
    press(kVkSelect);
    EXPECT_EQ(newSounds(), 7u);
    EXPECT_EQ(iniValue("menu_size"), "4.8");
    EXPECT_EQ(iniValue("menu_width"), "350");
    EXPECT_EQ(iniValue("menu_red"), "60");
    EXPECT_EQ(iniValue("menu_transparent"), "180");
    EXPECT_EQ(rows()[0], "Menu Size:\t<< 4.8 >>");
    EXPECT_EQ(rows()[2], "Red:\t<< 60 >>     ");
    sim.runFrame();
    EXPECT_EQ(sim.lastDrawing().rects[1].rgba, (sim::Rgba{60, 104, 166, 180}));
}

}  // namespace
}  // namespace tavrel::testing
