// [SECTION] Menu state and input block
// [SECTION] Opening
// [SECTION] Main page and driver loop
#include "menu/menu.h"

#include <iterator>

#include "config/persistence.h"
#include "config/settings.h"
#include "host/host_abi.h"
#include "host/native_invoker.h"
#include "host/world_queries.h"
#include "input/input.h"
#include "menu/menu_draw.h"
#include "menu/page_loop.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

MenuState menu_state;

namespace {

constexpr const char* kSaveFailedNotice = "Tavrel: TavrelConfig.ini could not be saved";

bool save_failure_noticed = false;  // in this menu session

constexpr int kLocalPlayer = 0;
constexpr int kControlRemovedFlags = 256;

constexpr const char* kMenuTitle = "Tavrel 2.2";
constexpr const char* kMainEntries[kMainEntryCount] = {
    "LOCKS", "DOORS", "LIGHTS", "SOUNDS", "COLOR CHANGER", "ENGINE", "MISC", "MENU UI SETTINGS",
};
constexpr std::int32_t kMainEntryPages[kMainEntryCount] = {
    kLockPage, kDoorPage, kLightPage, kSoundPage, kColourChangerPage, kEnginePage, kMiscPage, kMenuUiPage,
};

// The settings pages by number; 0, the main page, is runMenu's own.
constexpr MenuPage* kPagesByNumber[] = {
    nullptr,    &lock_page,          &door_page,  &doors_opened_page, &light_page,   &neon_page,
    &sound_page, &colour_changer_page, &engine_page, &misc_page,         &menu_ui_page,
};

// Enters page `number`; an unknown number (never stored by the menu) falls
// back to the main page.
void runPageNumbered(std::int32_t number) {
    if (MenuPage* page = pageNumbered(number)) {
        enterPage(*page);
    } else {
        menu_state.current_page = kMainPage;
    }
}

void drawMainPageFrame(const void*) { drawMainPage(); }

void openMenu() {
    save_failure_noticed = false;
    settings.menu_size = clampWithSound(readMenuFloat(setting_key::menu_size.key), 1.0f, 10.0f);
    settings.menu_width = clampWithSound(readMenuFloat(setting_key::menu_width.key), 10.0f, 10000.0f);
    loadMenuColours();
}

}  // namespace

MenuPage* pageNumbered(std::int32_t number) {
    if (number <= kMainPage || number >= static_cast<std::int32_t>(std::size(kPagesByNumber))) return nullptr;
    return kPagesByNumber[number];
}

void drawMainPage() {
    drawTitleLine(kMenuTitle);
    const int selected = menu_state.main_selection;
    for (int i = 0; i < kMainEntryCount; ++i) {
        if (i != selected) drawRowLine(kMainEntries[i], i, RowStyle::Plain);
    }
    if (selected >= 0 && selected < kMainEntryCount) drawRowLine(kMainEntries[selected], selected, RowStyle::MainSelected);
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
    for (MenuPage* page : kPagesByNumber) {
        if (page != nullptr) page->selected = 0;
    }
}

void runMenu() {
    openMenu();
    Tick wait = kMenuRepeatMs;
    for (;;) {
        // A page to resume, or the parent a nested page went back to.
        while (menu_state.current_page != kMainPage) {
            runPageNumbered(menu_state.current_page);
            if (menu_state.close_request) {
                menu_state.close_request = false;
                return;
            }
        }
        showFrames(wait, drawMainPageFrame, nullptr);
        const PageCommand command = readPageCommand(true, false, false);
        switch (command) {
            case PageCommand::Select: {
                playNavigationSound();
                const int entry = menu_state.main_selection;
                runPageNumbered(entry >= 0 && entry < kMainEntryCount ? kMainEntryPages[entry] : kMainPage);
                if (menu_state.close_request) {
                    menu_state.close_request = false;
                    return;
                }
                wait = kSelectWaitMs;
                break;
            }
            case PageCommand::Back:
            case PageCommand::Close:
                leavePage(command, kMainPage);
                menu_state.close_request = false;  // either way the menu closes here
                return;
            case PageCommand::Up:
            case PageCommand::Down:
                wait = moveSelection(menu_state.main_selection, kMainEntryCount, command);
                break;
            default:
                wait = kNextFrameMs;
                break;
        }
    }
}

}  // namespace tavrel
