// Row texts checked character by character against the page tables: padding
// of rows without a switch, and the exact texts of short value rows.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu/menu_text.h"
#include "menu_fixture.h"

namespace tavrel::testing {
namespace {

using PageReview = MenuTest;

// [SECTION] Padding

TEST(RowLabelPadding, RowWithoutSwitchIsPaddedTo18Characters) {
    const MenuText out = formatToggleLabel(makeMenuText("Red:\t<< 60 >>"), nullptr);
    EXPECT_EQ(std::string(out.text), std::string("Red:\t<< 60 >>") + std::string(18 - 13, ' '));
}

TEST(RowLabelPadding, LongRowWithoutSwitchIsLeftAsItIs) {
    const MenuText out = formatToggleLabel(makeMenuText("Reset This Menu Page"), nullptr);
    EXPECT_STREQ(out.text, "Reset This Menu Page");
}

TEST(RowLabelPadding, SwitchRowsStillGetTheirSuffixAfterThePadding) {
    bool on = true;
    const MenuText out = formatToggleLabel(makeMenuText("Hood"), &on);
    EXPECT_EQ(std::string(out.text), "Hood" + std::string(14, ' ') + " [ON]");
}

TEST_F(PageReview, ShortColourRowsOfTheMenuUiPageAreDrawnPadded) {
    startWith(menuIni());
    openMenu();
    enterMain(7);
    const std::vector<std::string> drawn = rows();
    ASSERT_EQ(drawn.size(), 7u);
    EXPECT_EQ(drawn[2], "Red:\t<< 60 >>     ");
    EXPECT_EQ(drawn[3], "Green:\t<< 104 >>  ");
    EXPECT_EQ(drawn[4], "Blue:\t<< 166 >>   ");
    EXPECT_EQ(drawn[5], "Transparent:\t<< 180 >>");
    // Red down to 0: "Red:\t0 >>" has 9 characters.
    press(kVkDown);
    press(kVkDown);
    settings.menu_red = 1;
    press(kVkLeft);
    EXPECT_EQ(settings.menu_red, 0);
    EXPECT_EQ(selected(), "Red:\t0 >>" + std::string(9, ' '));
}

}  // namespace
}  // namespace tavrel::testing
