// The menu's state, its opening and the loop over its pages (each page runs
// the one page loop of page_loop.h).
#include "menu/menu.h"

#include <iterator>

#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "host/world_queries.h"
#include "menu/menu_values.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

MenuState menu_state;

namespace {

constexpr const char* kSaveFailedNotice = "Tavrel: TavrelConfig.ini could not be saved";

bool save_failure_noticed = false;  // in this menu session

constexpr int kLocalPlayer = 0;
constexpr int kControlRemovedFlags = 256;

// Every page by its number.
constexpr MenuPage* kPagesByNumber[] = {
    &main_page, &lock_page,          &door_page,  &doors_opened_page, &light_page,   &neon_page,
    &sound_page, &colour_changer_page, &engine_page, &misc_page,         &menu_ui_page,
};

void openMenu() {
    save_failure_noticed = false;
    settings.menu_size = clampWithSound(readMenuFloat(setting_key::menu_size.key), 1.0f, 10.0f);
    settings.menu_width = clampWithSound(readMenuFloat(setting_key::menu_width.key), 10.0f, 10000.0f);
    loadMenuColours();
}

}  // namespace

MenuPage* pageNumbered(std::int32_t number) {
    if (number < kMainPage || number >= static_cast<std::int32_t>(std::size(kPagesByNumber))) return nullptr;
    return kPagesByNumber[number];
}

void applyMenuInputBlock(bool blocked) {
    settings.game_input_disabled_while_menu_is_open = blocked;
    invoke(nat::SET_PLAYER_CONTROL, kLocalPlayer, !blocked, blocked ? kControlRemovedFlags : 0);
}

void noticeFailedSave() {
    if (!takeFailedWrite() || save_failure_noticed) return;
    postFeedNotice(kSaveFailedNotice);
    save_failure_noticed = true;
}

void resetMenuState() {
    menu_state = MenuState{};
    save_failure_noticed = false;
    takeFailedWrite();
    for (MenuPage* page : kPagesByNumber) page->selected = 0;
}

void runMenu() {
    openMenu();
    // The page to resume at (an unknown number: the main page), then each
    // parent a nested page went back to, until the main page goes back or a
    // page sees the menu toggle.
    for (;;) {
        MenuPage* page = pageNumbered(menu_state.current_page);
        if (page == nullptr) page = &main_page;
        enterPage(*page);
        if (menu_state.close_request || page == &main_page) {
            menu_state.close_request = false;
            return;
        }
    }
}

}  // namespace tavrel
