// The settings menu, run on the menu fibre.
#pragma once

namespace tavrel {

// Runs the settings menu until it is closed, yielding every frame inside.
void runMenu();

// Stores `blocked` into Settings.game_input_disabled_while_menu_is_open and
// takes the player's control away (blocked) or gives it back.
void applyMenuInputBlock(bool blocked);

}  // namespace tavrel
