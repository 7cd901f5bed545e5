// Page 9: ownership, blip, persistence, gesture, controller and the input
// block while the menu is open.
#include "config/persistence.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr int kRowCount = 6;
constexpr int kAnimationRow = 3;

constexpr const char* kAnimationChoices[] = {
    "0. No Animation", "1. None Inside Vehicles", "2. Animation 1", "3. Animation 2",
};
constexpr ChoiceLabels kAnimationLabels{"Animation:  ", "     ", kAnimationChoices, 4, 0, "Out of bounds"};

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderAnimation() { return formatChoiceLabel(kAnimationLabels, settings.animation); }

void buildRows() {
    rows[0] = {makeMenuText("Make Vehicle Belong To Player"), &settings.make_vehicle_belong_to_player};
    rows[1] = {makeMenuText("Current Vehicle Blip"), &settings.current_player_vehicle_blip};
    rows[2] = {makeMenuText("Current Vehicle Persistent"), &settings.current_player_vehicle_persistent};
    rows[kAnimationRow] = {renderAnimation()};
    rows[4] = {makeMenuText("Use Menu With Controller"), &settings.activate_controller};
    rows[5] = {makeMenuText("Game Input Disabled While In Menu"), &settings.game_input_disabled_while_menu_is_open};
}

// Writes the toggle's new state, the first step of every toggle row here.
void writeNewState(const char* section, const char* key, bool field) { writeIntSetting(section, key, field ? 0 : 1); }

// The blip and persistence toggles: switching one off leaves its applied flag
// set, so that the next lock or unlock takes the marker off the car;
// switching it on clears the flag.
void selectMarkerToggle(const char* key, bool& field, bool& applied) {
    writeNewState("Vehicle", key, field);
    applied = field;
    field = !field;
    playNavigationSound();
}

void selectRow(int row) {
    switch (row) {
        case 0:
            selectToggle("Vehicle", "make_vehicle_belong_to_player", settings.make_vehicle_belong_to_player);
            break;
        case 1:
            selectMarkerToggle("current_player_vehicle_blip", settings.current_player_vehicle_blip,
                               runtime.vehicle_blip_applied);
            break;
        case 2:
            selectMarkerToggle("current_player_vehicle_persistent", settings.current_player_vehicle_persistent,
                               runtime.vehicle_persistent_applied);
            break;
        case 4: selectToggle("Controller", "activate_controller", settings.activate_controller); break;
        case 5:
            writeNewState("Menu", "game_input_disabled_while_menu_is_open",
                          settings.game_input_disabled_while_menu_is_open);
            applyMenuInputBlock(!settings.game_input_disabled_while_menu_is_open);
            playNavigationSound();
            break;
        default: break;  // the animation row: no write, no sound
    }
}

Tick stepRow(int row, int direction) {
    if (row != kAnimationRow) return kNextFrameMs;
    stepIntRow(settings.animation, direction, 0, 3, "Animation", "animation", rows[kAnimationRow], renderAnimation);
    return kMenuRepeatMs;
}

}  // namespace

const MenuPage& miscPage() {
    buildRows();
    static const MenuPage page{.number = kMiscPage, .parent = kMainPage, .title = "MISC  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = false,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runMiscPage() {
    menu_state.current_page = kMiscPage;
    runPageLoop(miscPage());
}

void resetMiscPage() { selected_row = 0; }

}  // namespace tavrel
