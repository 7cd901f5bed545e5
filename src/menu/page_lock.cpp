// Page 1: how hard the locks are, which car is tracked, the remote distance.
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 5;
constexpr std::int32_t kMaxDistance = 900000;  // m
constexpr Tick kDistanceStepWaitMs = 50;

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderDistance() {
    return formatNumberLabel("Max Distance To Vehicle", settings.max_distance_to_vehicle, " m", kMaxDistance);
}

void buildRows() {
    rows[0] = {makeMenuText("Locks Are Unbreakable For Peds"), &settings.unbreakable_locks};
    rows[1] = {makeMenuText("Locks Are Unbreakable For Player"), &settings.unbreakable_locks_for_player};
    rows[2] = {makeMenuText("Use Player's Last Vehicle"), &settings.use_players_last_vehicle};
    rows[3] = {makeMenuText("Player Can Leave Locked Door After Locking"), &settings.can_leave_while_locked};
    rows[4] = {renderDistance()};
}

void selectRow(int row) {
    switch (row) {
        case 0: selectToggle(kSection, "unbreakable_locks", settings.unbreakable_locks); break;
        case 1: selectToggle(kSection, "unbreakable_locks_for_player", settings.unbreakable_locks_for_player); break;
        case 2: selectToggle(kSection, "use_players_last_vehicle", settings.use_players_last_vehicle); break;
        case 3: selectToggle(kSection, "can_leave_while_locked", settings.can_leave_while_locked); break;
        default: selectWithoutAction(rows[row]); break;
    }
}

Tick stepRow(int row, int direction) {
    if (row != 4) return kNextFrameMs;
    stepIntRow(settings.max_distance_to_vehicle, direction, 0, kMaxDistance, kSection, "max_distance_to_vehicle",
               rows[4], renderDistance);
    return kDistanceStepWaitMs;
}

}  // namespace

const MenuPage& lockPage() {
    buildRows();
    static const MenuPage page{kLockPage, kMainPage, "LOCK  SETTINGS", rows, kRowCount, &selected_row,
                               /*wide_selection=*/false, /*right_first=*/false, selectRow, stepRow};
    return page;
}

void runLockPage() {
    menu_state.current_page = kLockPage;
    runPageLoop(lockPage());
}

void resetLockPage() { selected_row = 0; }

}  // namespace tavrel
