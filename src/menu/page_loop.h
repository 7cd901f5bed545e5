// The loop every page runs, the main page and the ten settings pages: draw
// for a wait window, poll the input once, act. Deciding (which command,
// which row) is kept apart from drawing. Menu fibre only.
#pragma once
#include <cstdint>

#include "host/ticks.h"
#include "menu/menu_draw.h"
#include "menu/menu_text.h"
#include "menu/page_table.h"

namespace tavrel {

// What one poll of the input asks for, by precedence.
enum class PageCommand : std::uint8_t { Idle, Select, Back, Close, Up, Down, Left, Right };

struct NavigationInput {
    bool select = false;
    bool back = false;
    bool up = false;
    bool down = false;
    bool left = false;
    bool right = false;
};

// The movement among up, down, left and right that wins (left before right
// unless right_first); Idle when none holds. Select, back and the toggle are
// decided before this.
PageCommand pickMovement(const NavigationInput& input, bool right_first);

// index + delta over `count` rows with wrap-around (count >= 1).
int wrapRowIndex(int index, int count, int delta);

// Reads the navigation once and decides; the menu toggle is asked (and so
// consumed) only when neither select nor back holds. With reads_select false
// the select input is not read at all; with reads_sideways false neither are
// left and right.
PageCommand readPageCommand(bool reads_select, bool reads_sideways, bool right_first);

// Draws frames until more than `wait` ms have passed since the first one (at
// least one frame), yielding after each. `draw` draws one frame.
void showFrames(Tick wait, void (*draw)(const void* context), const void* context);

// Back (current page := parent) or Close (the close request), after the
// navigation sound; the caller then returns.
void leavePage(PageCommand command, std::int32_t parent);

// Up or down: the navigation sound and the selection one row on over
// `count` rows, wrapping; returns the next wait window.
Tick moveSelection(int& selection, int count, PageCommand command);

// Draws the title and every row, the selected one last (no sound, no file).
void drawPage(const MenuPage& page);

// Runs the page until back (current page := parent) or the menu toggle
// (close request set), starting with a 150 ms wait window.
void runPageLoop(MenuPage& page);

}  // namespace tavrel
