// One change on every page, then the file: it differs from before only in
// the keys changed, each in its place, and each reads back as Settings holds
// it.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu_fixture.h"

namespace tavrel::testing {
namespace {

using MenuWalk = MenuTest;

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST_F(MenuWalk, OneChangePerPageTouchesOnlyThoseKeysInPlace) {
    startWith(menuIni());
    const std::string before = sandbox.readIni();
    openMenu();

    enterMain(0);              // LOCKS: row 0 toggle
    press(kVkSelect);
    press(kVkBack);
    enterMain(1);              // DOORS: row 2 toggle, then the nested page's hood
    pressTimes(kVkDown, 2);
    press(kVkSelect);
    pressTimes(kVkUp, 2);
    press(kVkSelect);
    pressTimes(kVkDown, 4);
    press(kVkSelect);
    press(kVkBack);
    press(kVkBack);
    pressTimes(kVkUp, 1);
    enterMain(2);              // LIGHTS: interior up, then the neon page's notification
    press(kVkRight);
    press(kVkUp);
    press(kVkSelect);
    press(kVkDown);
    press(kVkRight);
    press(kVkBack);
    press(kVkBack);
    pressTimes(kVkUp, 2);
    enterMain(3);              // SOUNDS: horn duration down
    pressTimes(kVkDown, 5);
    press(kVkLeft);
    press(kVkBack);
    pressTimes(kVkUp, 3);
    enterMain(4);              // COLOR CHANGER: primary speed up
    press(kVkDown);
    press(kVkRight);
    press(kVkBack);
    pressTimes(kVkUp, 4);
    enterMain(5);              // ENGINE: up
    press(kVkRight);
    press(kVkBack);
    pressTimes(kVkUp, 5);
    enterMain(6);              // MISC: animation up
    pressTimes(kVkDown, 3);
    press(kVkRight);
    press(kVkBack);
    pressTimes(kVkUp, 6);
    enterMain(7);              // MENU UI: red down
    pressTimes(kVkDown, 2);
    press(kVkLeft);
    closeMenu();
    sim.waitMs(100);
    ASSERT_TRUE(sim.lastDrawing().texts.empty()) << "closed from the menu UI page";

    const std::map<std::string, std::string> expected = {
        {"unbreakable_locks", "1"},
        {"shut_doors_instantly", "1"},
        {"open_door_hood", "1"},
        {"interior_lights", "2"},
        {"neon_notification", "1"},
        {"horn_duration", "70"},
        {"color_changer_primary_color_speed", "3"},
        {"engine_on_after_unlocking", "1"},
        {"animation", "1"},
        {"menu_red", "59"},
    };
    const std::vector<std::string> old_lines = lines(before);
    const std::vector<std::string> new_lines = lines(sandbox.readIni());
    ASSERT_EQ(new_lines.size(), old_lines.size()) << "no key added, none moved";
    std::map<std::string, std::string> changed;
    for (std::size_t i = 0; i < old_lines.size(); ++i) {
        if (old_lines[i] == new_lines[i]) continue;
        const std::size_t eq = old_lines[i].find('=');
        ASSERT_NE(eq, std::string::npos) << old_lines[i];
        ASSERT_EQ(new_lines[i].substr(0, eq + 1), old_lines[i].substr(0, eq + 1)) << "same key on the same line";
        std::string value = new_lines[i].substr(eq + 1);
        if (!value.empty() && value.back() == '\r') value.pop_back();
        changed[old_lines[i].substr(0, eq)] = value;
    }
    EXPECT_EQ(changed, expected);

    // Read back equals memory.
    EXPECT_TRUE(settings.unbreakable_locks);
    EXPECT_TRUE(settings.shut_doors_instantly);
    EXPECT_TRUE(settings.open_door_hood);
    EXPECT_EQ(settings.interior_lights, 2);
    EXPECT_EQ(settings.neon_notification, 1);
    EXPECT_EQ(settings.horn_duration, 70);
    EXPECT_EQ(settings.color_changer_primary_color_speed, 3);
    EXPECT_EQ(settings.engine_on_after_unlocking, 1);
    EXPECT_EQ(settings.animation, 1);
    EXPECT_EQ(settings.menu_red, 59);
    EXPECT_EQ(menu_state.current_page, kMenuUiPage) << "reopens where it closed";
}

}  // namespace
}  // namespace tavrel::testing
