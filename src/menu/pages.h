// The ten settings pages, each a table of rows (page_table.h) run by the one
// page loop: enterPage marks the page current, runs it and returns after
// back (current page := its parent) or after the menu toggle (close request
// set). Menu fibre only.
#pragma once
#include <cstdint>

namespace tavrel {

struct MenuPage;

extern const MenuPage lock_page;            // 1
extern const MenuPage door_page;            // 2
extern const MenuPage doors_opened_page;    // 3, nested in 2
extern const MenuPage light_page;           // 4
extern const MenuPage neon_page;            // 5, nested in 4
extern const MenuPage sound_page;           // 6
extern const MenuPage colour_changer_page;  // 7
extern const MenuPage engine_page;          // 8
extern const MenuPage misc_page;            // 9
extern const MenuPage menu_ui_page;         // 10

// Page `number` (1 ... 10); null for the main page and any other number.
const MenuPage* pageNumbered(std::int32_t number);

}  // namespace tavrel
