// The menu thread and the input layer end to end: control given back when
// the menu closes after its input block was switched on inside it, the
// order of the controller's two-control menu toggle, and key messages
// stamped at tick 0 of the wrapping clock.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "config/settings.h"
#include "menu/menu.h"
#include "support/plugin_fixture.h"

namespace tavrel::testing {
namespace {

constexpr std::uint32_t kVkSelect = 101;  // numeric keypad, as bound below
constexpr std::uint32_t kVkUp = 104;
constexpr std::uint32_t kVkDown = 98;

constexpr const char* kMenuKeys = "[Keys]\r\nmenu_up=104\r\nmenu_down=98\r\nmenu_select=101\r\n";

using MenuInputTest = PluginTest;

bool menuShown(const sim::Simulator& sim) { return !sim.lastDrawing().texts.empty(); }

// A navigation key pressed once the page's wait window has run out.
void press(sim::Simulator& sim, std::uint32_t vk) {
    sim.waitMs(250);
    sim.tap(vk);
}

TEST_F(MenuInputTest, ClosingTheMenuAfterBlockingInputInsideItGivesControlBack) {
    sandbox.writeIni(std::string(kMenuKeys) + "[Menu]\r\ngame_input_disabled_while_menu_is_open=0\r\n");
    sim.start();
    sim.tap(kVkF9);
    ASSERT_TRUE(menuShown(sim));
    EXPECT_TRUE(sim.world().player.control) << "opened without the block";
    for (int i = 0; i < 6; ++i) press(sim, kVkDown);  // MISC
    press(sim, kVkSelect);
    press(sim, kVkUp);  // its last row: the input block
    ASSERT_EQ(sim.lastDrawing().texts.back().text, "Game Input Disabled While In Menu [OFF]");
    press(sim, kVkSelect);
    ASSERT_FALSE(sim.world().player.control) << "switched on inside the menu: control goes at once";

    sim.waitMs(250);
    sim.tap(kVkF9);
    sim.waitMs(100);
    ASSERT_FALSE(menuShown(sim)) << "closed";
    EXPECT_TRUE(sim.world().player.control) << "control comes back when the menu closes";
    EXPECT_EQ(sim.world().player.control_flags, 0);
    EXPECT_FALSE(settings.game_input_disabled_while_menu_is_open) << "lifted in memory";
    EXPECT_NE(sandbox.readIni().find("game_input_disabled_while_menu_is_open=1"), std::string::npos)
        << "the file keeps the switch";

    // The main script gets its control back for good: nothing takes it again
    // while the menu stays closed.
    sim.waitMs(1000);
    EXPECT_TRUE(sim.world().player.control);
}

// The controller toggle: the first control held while the second is released.
struct ComboCase {
    const char* what;
    const char* controls;  // scenario commands
    bool opens;
};

TEST_F(MenuInputTest, ControllerToggleNeedsTheFirstControlHeldWhenTheSecondIsReleased) {
    const ComboCase cases[] = {
        {"first held, second pressed and released", "control down 20\ncontrol down 21\nframes 1\ncontrol up 21\n", true},
        {"second held, first pressed and released", "control down 21\ncontrol down 20\nframes 1\ncontrol up 20\n", false},
        {"first released before the second", "control down 20\ncontrol down 21\nframes 1\ncontrol up 20\nframes 1\n"
                                             "control up 21\n", false},
        {"first held, second pressed and still down", "control down 20\ncontrol down 21\nframes 1\n", false},
        {"second alone", "control down 21\nframes 1\ncontrol up 21\n", false},
    };
    for (const ComboCase& c : cases) {
        SCOPED_TRACE(c.what);
        sandbox.writeIni(
            "[Controller]\r\nactivate_controller=1\r\ncontroller_menu_toggle_switch_1_of_2=20\r\n"
            "controller_menu_toggle_switch_2_of_2=21\r\n");
        sim.start();
        scenario(c.controls);
        sim.runFrames(3);
        EXPECT_EQ(menuShown(sim), c.opens);
        scenario("control up 20\ncontrol up 21\n");
        sim.unload();
        sim.resetWorld();
    }
}

TEST_F(MenuInputTest, ControllerToggleIsIgnoredWithTheControllerSwitchedOff) {
    sandbox.writeIni(
        "[Controller]\r\nactivate_controller=0\r\ncontroller_menu_toggle_switch_1_of_2=20\r\n"
        "controller_menu_toggle_switch_2_of_2=21\r\n");
    sim.start();
    scenario("control down 20\ncontrol down 21\nframes 1\ncontrol up 21\n");
    sim.runFrames(3);
    EXPECT_FALSE(menuShown(sim));
}

// [SECTION] Tick 0

// A start tick from which frame `frames` runs at tick 0 (the clock wraps).
constexpr std::uint32_t startTickBeforeZero(std::uint32_t frames) {
    return 0u - frames * sim::kDefaultFrameMs;
}

// Runs frames until the next frame is the one at tick 0: a key message sent
// now is stamped 0.
void runUntilTheNextFrameIsAtTickZero(sim::Simulator& sim) {
    for (int i = 0; i < 1000 && sim.now() != 0; ++i) sim.runFrame();
    ASSERT_EQ(sim.now(), 0u);
}

TEST_F(MenuInputTest, AReleaseStampedAtTickZeroStillTogglesTheMenu) {
    sim.setStartTick(startTickBeforeZero(40));
    sandbox.writeIni(kMenuKeys);
    sim.start();
    sim.keyDown(kVkF9);
    runUntilTheNextFrameIsAtTickZero(sim);
    sim.keyUp(kVkF9);
    sim.runFrames(3);
    EXPECT_TRUE(menuShown(sim)) << "a release at tick 0 is a release, not an empty entry";
}

TEST_F(MenuInputTest, AKeyDownStampedAtTickZeroStillCountsAsHeld) {
    sim.setStartTick(startTickBeforeZero(40));
    sandbox.writeIni(kImmediateIni);
    sim.world().placePlayer({0, 0, 0});
    sim.world().addVehicle(1, sim::VehicleKind::Car, {3, 0, 0});
    sim.start();
    runUntilTheNextFrameIsAtTickZero(sim);
    sim.keyDown(kVkL);  // one message, no repeats: the stamp stays at tick 0
    sim.waitMs(2000);   // the one-second hotkey guard also counts from tick 0
    EXPECT_EQ(vehicle(1).lock, 4) << "the lock key held since tick 0 locks the car";
    sim.keyUp(kVkL);
}

}  // namespace
}  // namespace tavrel::testing
