// Entry functions of the ten settings pages. Each marks itself as the
// current page, runs its loop and returns after back (current page := its
// parent) or after the menu toggle (close request set). Menu fibre only.
#pragma once

namespace tavrel {

struct MenuPage;

// The pages described by a table (page_table.h).
extern const MenuPage lock_page;          // 1
extern const MenuPage door_page;          // 2
extern const MenuPage doors_opened_page;  // 3, nested in 2
extern const MenuPage light_page;         // 4
extern const MenuPage neon_page;          // 5, nested in 4
extern const MenuPage sound_page;         // 6
extern const MenuPage colour_changer_page;  // 7
extern const MenuPage engine_page;        // 8
extern const MenuPage misc_page;          // 9

void runMenuUiPage();         // 10

// Each page's descriptor for the page loop and for drawing, with its row
// labels rebuilt from the current values.
struct MenuPage;
const MenuPage& menuUiPage();

// Each page's selected row back to 0.
void resetMenuUiPage();

}  // namespace tavrel
