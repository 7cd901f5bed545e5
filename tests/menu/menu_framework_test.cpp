// The menu driver: opening and closing, the main page, navigation with
// wrap-around, the wait windows, resuming where the menu closed, nested pages
// and the close request, the appearance settings read at opening.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"
#include "menu_fixture.h"

namespace tavrel::testing {
namespace {

using MenuFramework = MenuTest;

const std::vector<std::string> kMainEntries = {"LOCKS",  "DOORS", "LIGHTS", "SOUNDS", "COLOR CHANGER",
                                               "ENGINE", "MISC",  "MENU UI SETTINGS"};

const std::vector<int> kEntryPages = {1, 2, 4, 6, 7, 8, 9, 10};

TEST_F(MenuFramework, MainPageShowsTitleAndEightEntriesWithTheFirstSelected) {
    startWith(menuIni());
    openMenu();
    EXPECT_EQ(title(), "Tavrel 2.2");
    EXPECT_EQ(rows(), kMainEntries) << "drawn as they stand: no padding, no suffix";
    EXPECT_EQ(selected(), "LOCKS");
    EXPECT_EQ(sim.lastDrawing().rects.size(), 9u) << "one box per line";
    sim.waitMs(500);
    EXPECT_EQ(texts().size(), 9u) << "redrawn every frame while open";
}

TEST_F(MenuFramework, OpeningPlaysOneSoundForTheToggleAndOnePerInRangeAppearanceValue) {
    startWith(menuIni());
    markSounds();
    openMenu();
    EXPECT_EQ(newSounds(), 7u) << "toggle + size, width, red, green, blue, transparent";
}

TEST_F(MenuFramework, OpeningClampsAppearanceValuesSilentlyAboveAndBelowTheRanges) {
    std::string ini = menuIni();
    ini.replace(ini.find("menu_size=5.0"), 13, "menu_size=12");
    ini.replace(ini.find("menu_red=60"), 11, "menu_red=300");
    ini.replace(ini.find("menu_blue=166"), 13, "menu_blue=-4");
    startWith(ini);
    markSounds();
    openMenu();
    EXPECT_EQ(settings.menu_size, 10.0f);
    EXPECT_EQ(settings.menu_red, 255);
    EXPECT_EQ(settings.menu_blue, 0);
    EXPECT_EQ(newSounds(), 4u) << "toggle + width, green, transparent";
    EXPECT_NE(sandbox.readIni().find("menu_size=12\r\n"), std::string::npos) << "opening writes nothing";

    closeMenu();
    ini = menuIni();
    ini.replace(ini.find("menu_size=5.0"), 13, "menu_size=4.5");
    sandbox.writeIni(ini);
    openMenu();
    EXPECT_EQ(settings.menu_size, 4.5f) << "every opening reloads the file";
}

TEST_F(MenuFramework, MissingFileOpensAtTheLowerBoundsWithInvisibleBoxesAndNoClampSounds) {
    sim.start();  // no file: F9 still toggles
    resetMenuState();
    markSounds();
    openMenu();
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(settings.menu_size, 1.0f);
    EXPECT_EQ(settings.menu_width, 10.0f);
    EXPECT_EQ(settings.menu_transparent, 0);
    ASSERT_FALSE(sim.lastDrawing().rects.empty());
    for (const auto& r : sim.lastDrawing().rects) EXPECT_EQ(r.rgba[3], 0);
    EXPECT_EQ(title(), "Tavrel 2.2") << "the white text stays visible";
    EXPECT_FALSE(sandbox.iniExists()) << "the file is never created";
}

TEST_F(MenuFramework, UpAndDownWrapOverTheEightEntriesWithASoundEach) {
    startWith(menuIni());
    openMenu();
    markSounds();
    press(kVkUp);
    EXPECT_EQ(selected(), "MENU UI SETTINGS");
    press(kVkDown);
    EXPECT_EQ(selected(), "LOCKS");
    pressTimes(kVkDown, 3);
    EXPECT_EQ(selected(), "SOUNDS");
    EXPECT_EQ(main_page.selected, 3);
    EXPECT_EQ(newSounds(), 5u);
}

TEST_F(MenuFramework, BackAndToggleOnTheMainPageCloseWithOneSoundEach) {
    startWith(menuIni());
    openMenu();
    markSounds();
    press(kVkBack);
    sim.waitMs(100);
    EXPECT_TRUE(sim.lastDrawing().texts.empty()) << "closed";
    EXPECT_EQ(newSounds(), 1u);

    openMenu();
    markSounds();
    closeMenu();
    sim.waitMs(100);
    EXPECT_TRUE(sim.lastDrawing().texts.empty());
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(menu_state.current_page, kMainPage);
}

// Sound ticks while `vk` stays down for `ms`.
std::vector<std::uint32_t> heldSoundTicks(sim::Simulator& sim, std::uint32_t vk, std::uint32_t ms) {
    sim.waitMs(250);  // let the windows run out
    const std::size_t first = sim.sounds().size();
    sim.hold(vk, ms);
    std::vector<std::uint32_t> ticks;
    for (std::size_t i = first; i < sim.sounds().size(); ++i) ticks.push_back(sim.sounds()[i].tick);
    return ticks;
}

TEST_F(MenuFramework, AHeldKeyRepeatsEvery150MsPlusAtMostOneFrame) {
    startWith(menuIni());
    openMenu();
    const std::vector<std::uint32_t> ticks = heldSoundTicks(sim, kVkDown, 1000);
    ASSERT_GE(ticks.size(), 6u);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const std::uint32_t gap = ticks[i] - ticks[i - 1];
        EXPECT_GT(gap, 150u);
        EXPECT_LE(gap, 150u + sim::kDefaultFrameMs);
    }
}

TEST_F(MenuFramework, WaitWindowsHoldAcrossTheTickWrap) {
    sim.setStartTick(0xFFFFFFFFu - 400u);
    startWith(menuIni());
    openMenu();
    const std::vector<std::uint32_t> ticks = heldSoundTicks(sim, kVkDown, 1000);
    ASSERT_GE(ticks.size(), 6u);
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const std::uint32_t gap = ticks[i] - ticks[i - 1];
        EXPECT_GT(gap, 150u);
        EXPECT_LE(gap, 150u + sim::kDefaultFrameMs);
    }
}

TEST_F(MenuFramework, SelectOpensThePageAndBackReturnsToTheMainPageAfter200Ms) {
    startWith(menuIni());
    openMenu();
    for (int i = 0; i < 8; ++i) {
        const int entry = i;
        enterMain(entry);
        EXPECT_NE(title(), "Tavrel 2.2") << kMainEntries[static_cast<std::size_t>(entry)];
        EXPECT_EQ(menu_state.current_page, kEntryPages[static_cast<std::size_t>(entry)]);
        press(kVkBack);
        EXPECT_EQ(title(), "Tavrel 2.2");
        EXPECT_EQ(menu_state.current_page, kMainPage);
        pressTimes(kVkUp, entry);  // back to LOCKS
    }
    // After back, the main page waits 200 ms before it reads input again.
    enterMain(0);
    sim.waitMs(250);
    sim.keyDown(kVkBack);
    sim.runFrame();
    const std::uint32_t back_tick = sim.now();
    sim.keyUp(kVkBack);
    sim.keyDown(kVkDown);
    std::uint32_t moved = 0;
    for (int f = 0; f < 30 && moved == 0; ++f) {
        sim.runFrame();
        if (selected() == "DOORS") moved = sim.now();
    }
    sim.keyUp(kVkDown);
    ASSERT_NE(moved, 0u);
    EXPECT_GT(moved - back_tick, 200u);
    EXPECT_LE(moved - back_tick, 200u + sim::kDefaultFrameMs);
}

TEST_F(MenuFramework, ReopensOnThePageAndRowWhereItClosed) {
    startWith(menuIni());
    openMenu();
    enterMain(2);  // LIGHTS
    pressTimes(kVkUp, 1);  // row 10: the neon link
    press(kVkSelect);
    EXPECT_EQ(title(), "NEON  LIGHTS  SETTINGS");
    pressTimes(kVkDown, 2);
    const std::string row = selected();
    closeMenu();
    sim.waitMs(100);
    EXPECT_TRUE(sim.lastDrawing().texts.empty());
    EXPECT_EQ(menu_state.current_page, kNeonPage);
    EXPECT_FALSE(menu_state.close_request);

    openMenu();
    EXPECT_EQ(title(), "NEON  LIGHTS  SETTINGS");
    EXPECT_EQ(selected(), row);
    press(kVkBack);
    EXPECT_EQ(title(), "LIGHT  SETTINGS") << "back from a resumed nested page goes to its parent";
    EXPECT_EQ(selected(), "Neon Lights Settings");
    press(kVkBack);
    EXPECT_EQ(title(), "Tavrel 2.2");
    EXPECT_EQ(selected(), "LIGHTS");
}

TEST_F(MenuFramework, TheToggleOnANestedPageClosesTheWholeMenu) {
    startWith(menuIni());
    openMenu();
    enterMain(1);      // DOORS
    press(kVkSelect);  // Choose Doors To Open At Unlock
    EXPECT_EQ(title(), "DOORS OPENED AT UNLOCK SETTINGS");
    markSounds();
    closeMenu();
    sim.waitMs(200);
    EXPECT_TRUE(sim.lastDrawing().texts.empty());
    EXPECT_EQ(newSounds(), 1u);
    EXPECT_EQ(menu_state.current_page, kDoorsOpenedPage);
    EXPECT_FALSE(menu_state.close_request);

    openMenu();
    EXPECT_EQ(title(), "DOORS OPENED AT UNLOCK SETTINGS");
    press(kVkBack);
    EXPECT_EQ(title(), "DOOR  SETTINGS");
    press(kVkBack);
    EXPECT_EQ(title(), "Tavrel 2.2");
}

TEST_F(MenuFramework, InputBlockFollowsTheSettingAndTheMiscPageSwitch) {
    startWith(menuIni());
    openMenu();
    EXPECT_TRUE(sim.world().player.control);
    enterMain(6);  // MISC
    pressTimes(kVkUp, 1);  // row 5
    EXPECT_EQ(selected(), "Game Input Disabled While In Menu [OFF]");
    press(kVkSelect);
    EXPECT_FALSE(sim.world().player.control) << "control goes at once, the menu still open";
    EXPECT_EQ(sim.world().player.control_flags, 256);
    EXPECT_EQ(iniValue("game_input_disabled_while_menu_is_open"), "1");
    press(kVkSelect);
    EXPECT_TRUE(sim.world().player.control);
    EXPECT_EQ(iniValue("game_input_disabled_while_menu_is_open"), "0");
    closeMenu();
}

TEST_F(MenuFramework, TheMainScriptKeepsRunningWhileTheMenuIsOpen) {
    startWith(menuIni());
    openMenu();
    const std::size_t before = sim.countCalls(nat::PLAYER_PED_ID);
    sim.waitMs(500);
    EXPECT_GT(sim.countCalls(nat::PLAYER_PED_ID), before);
}

}  // namespace
}  // namespace tavrel::testing
