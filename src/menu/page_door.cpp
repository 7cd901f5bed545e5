// Page 2: doors, roof and windows at locking and unlocking; its first row
// opens the doors-opened-at-unlock page (3).
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 6;
constexpr Tick kSidewaysWaitMs = 150;  // left or right does nothing on this page

MenuRow rows[kRowCount];
int selected_row = 0;

void buildRows() {
    rows[0] = {makeMenuText("Choose Doors To Open At Unlock")};
    rows[1] = {makeMenuText("Open Doors At Unlock While Inside"), &settings.open_doors_at_unlock_while_inside};
    rows[2] = {makeMenuText("Shut Doors Instantly"), &settings.shut_doors_instantly};
    rows[3] = {makeMenuText("Alter Roof On Convertibles From Outside"), &settings.alter_roof_on_convertibles};
    rows[4] = {makeMenuText("Roll Down Windows Upon Unlock"), &settings.roll_down_windows_upon_unlock};
    rows[5] = {makeMenuText("Roll Up Windows Upon Lock"), &settings.roll_up_windows_upon_lock};
}

void selectRow(int row) {
    switch (row) {
        case 0:
            playNavigationSound();
            runDoorsOpenedPage();
            break;
        case 1:
            selectToggle(kSection, "open_doors_at_unlock_while_inside", settings.open_doors_at_unlock_while_inside);
            break;
        case 2: selectToggle(kSection, "shut_doors_instantly", settings.shut_doors_instantly); break;
        case 3: selectToggle(kSection, "alter_roof_on_convertibles", settings.alter_roof_on_convertibles); break;
        case 4: selectToggle(kSection, "roll_down_windows_upon_unlock", settings.roll_down_windows_upon_unlock); break;
        case 5: selectToggle(kSection, "roll_up_windows_upon_lock", settings.roll_up_windows_upon_lock); break;
        default: break;
    }
}

Tick stepRow(int, int) { return kSidewaysWaitMs; }

}  // namespace

const MenuPage& doorPage() {
    buildRows();
    static const MenuPage page{.number = kDoorPage, .parent = kMainPage, .title = "DOOR  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = false,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runDoorPage() {
    menu_state.current_page = kDoorPage;
    runPageLoop(doorPage());
}

void resetDoorPage() { selected_row = 0; }

}  // namespace tavrel
