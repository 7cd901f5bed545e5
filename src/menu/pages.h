// The menu's pages, each a table of rows (page_table.h) run by the one page
// loop: the main page, whose rows link to the ten settings pages. enterPage
// marks a page current, runs it and returns after back (current page := its
// parent) or after the menu toggle (close request set). Menu fibre only.
#pragma once
#include <cstdint>

namespace tavrel {

struct MenuPage;

extern MenuPage main_page;                 // 0
extern MenuPage lock_page;                 // 1
extern MenuPage door_page;                 // 2
extern MenuPage doors_opened_page;         // 3, nested in 2
extern MenuPage light_page;                // 4
extern MenuPage neon_page;                 // 5, nested in 4
extern MenuPage sound_page;                // 6
extern MenuPage colour_changer_page;       // 7
extern MenuPage engine_page;               // 8
extern MenuPage misc_page;                 // 9
extern MenuPage menu_ui_page;              // 10

// Page `number` (0 ... 10); null for any other number.
MenuPage* pageNumbered(std::int32_t number);

}  // namespace tavrel
