// No heap in a steady menu frame. Global operator new is replaced in this
// test program to count. The frames run without a simulator (natives answer
// zero, the clock stands), so only the plug-in's own allocations are seen.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/page_table.h"
#include "menu/pages.h"
#include "sim/protocol/simulator.h"
#include "tests/support/counting_new.h"

using tavrel::testing::heap::allocations;
using tavrel::testing::heap::counting;

namespace tavrel {
namespace {

TEST(MenuHeap, HundredSteadyFramesOfEveryPageAllocateNothing) {
    ASSERT_EQ(sim::Simulator::current(), nullptr);
    resetSettings();
    resetMenuState();
    settings.horn_type_index = 12;
    settings.radio_station_index = 3;
    for (std::int32_t number = kMainPage; number <= kMenuUiPage; ++number) {
        ASSERT_NE(pageNumbered(number), nullptr) << number;
        MenuPage& page = *pageNumbered(number);
        buildRowLabels(page);  // entry: labels built here, not per frame
        drawPage(page);                    // warm-up frame
        allocations = 0;
        counting = true;
        for (int frame = 0; frame < 100; ++frame) {
            drawPage(page);
            (void)readPageCommand(page.reads_select, page.reads_sideways, page.right_first);
        }
        counting = false;
        EXPECT_EQ(allocations.load(), 0) << page.title;
    }
}

TEST(MenuHeap, TheCounterSeesAnAllocation) {
    allocations = 0;
    counting = true;
    auto* p = new int(3);
    counting = false;
    delete p;
    EXPECT_EQ(allocations.load(), 1);
}

}  // namespace
}  // namespace tavrel
