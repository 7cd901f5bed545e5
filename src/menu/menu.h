// The settings menu, run on the menu fibre.
#pragma once
#include <cstdint>

namespace tavrel {

// Page numbers; a page's back action goes to its parent.
inline constexpr std::int32_t kMainPage = 0;
inline constexpr std::int32_t kLockPage = 1;
inline constexpr std::int32_t kDoorPage = 2;           // parent 0
inline constexpr std::int32_t kDoorsOpenedPage = 3;    // parent 2
inline constexpr std::int32_t kLightPage = 4;
inline constexpr std::int32_t kNeonPage = 5;           // parent 4
inline constexpr std::int32_t kSoundPage = 6;
inline constexpr std::int32_t kColourChangerPage = 7;
inline constexpr std::int32_t kEnginePage = 8;
inline constexpr std::int32_t kMiscPage = 9;
inline constexpr std::int32_t kMenuUiPage = 10;

// Menu-wide state; lives for the whole load and survives closing the menu, so
// the menu reopens on the page (and each page on the row) where it closed.
struct MenuState {
    std::int32_t current_page = kMainPage;  // 0 ... 10: shown, or resumed at the next opening
    bool close_request = false;             // a page saw the menu toggle; runMenu closes
};

extern MenuState menu_state;

// Runs the settings menu until it is closed, yielding every frame inside.
// Reloads the appearance settings from the INI file first.
void runMenu();

// Stores `blocked` into Settings.game_input_disabled_while_menu_is_open and
// takes the player's control away (blocked) or gives it back.
void applyMenuInputBlock(bool blocked);

// After a menu write that failed (takeFailedWrite), posts the feed notice
// "Tavrel: TavrelConfig.ini could not be saved", once per menu session.
void noticeFailedSave();

// Restores the load-time menu state: main page, no close request, every
// page's selected row 0 (library load; tests).
void resetMenuState();

}  // namespace tavrel
