// Page 3 (nested in the door page): which doors open at unlock. Reloaded
// from the INI file at every entry.
#include "config/persistence.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 8;
constexpr Tick kSidewaysWaitMs = 150;

struct DoorRow {
    const char* key;
    bool* field;
};

constexpr DoorRow kDoorKeys[kRowCount] = {
    {"open_door_front_left", &settings.open_door_front_left},
    {"open_door_front_right", &settings.open_door_front_right},
    {"open_door_back_left", &settings.open_door_back_left},
    {"open_door_back_right", &settings.open_door_back_right},
    {"open_door_hood", &settings.open_door_hood},
    {"open_door_trunk", &settings.open_door_trunk},
    {"open_door_back1", &settings.open_door_back1},
    {"open_door_back2", &settings.open_door_back2},
};

// Constant labels: nothing on this page is ever rebuilt.
MenuRow rows[kRowCount] = {
    {{"Front Left Door"}, &settings.open_door_front_left},
    {{"Front Right Door"}, &settings.open_door_front_right},
    {{"Back Left Door"}, &settings.open_door_back_left},
    {{"Back Right Door"}, &settings.open_door_back_right},
    {{"Hood"}, &settings.open_door_hood},
    {{"Trunk"}, &settings.open_door_trunk},
    {{"Back1"}, &settings.open_door_back1},
    {{"Back2"}, &settings.open_door_back2},
};
int selected_row = 0;

// This page plays the sound before the write.
void selectRow(int row) {
    if (row < 0 || row >= kRowCount) return;
    bool& field = *kDoorKeys[row].field;
    playNavigationSound();
    writeIntSetting(kSection, kDoorKeys[row].key, field ? 0 : 1);
    field = !field;
}

Tick stepRow(int, int) { return kSidewaysWaitMs; }

}  // namespace

const MenuPage& doorsOpenedPage() {
    static const MenuPage page{.number = kDoorsOpenedPage, .parent = kDoorPage, .title = "DOORS OPENED AT UNLOCK SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runDoorsOpenedPage() {
    menu_state.current_page = kDoorsOpenedPage;
    readDoorsToOpen();
    runPageLoop(doorsOpenedPage());
}

void resetDoorsOpenedPage() { selected_row = 0; }

}  // namespace tavrel
