// Page 8: what the engine does after an unlock from outside. One row; the
// page ignores select.
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr int kRowCount = 1;

constexpr const char* kEngineChoices[] = {
    "Off", "Normal On", "On During Notification", "Always On Until Locking", "Always On",
};
constexpr ChoiceLabels kEngineLabels{"After Unlock From Outside:\t", "     ", kEngineChoices, 5, 0, "Out Of Bounds"};

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderEngine() { return formatChoiceLabel(kEngineLabels, settings.engine_on_after_unlocking); }

Tick stepRow(int, int direction) {
    stepIntRow(settings.engine_on_after_unlocking, direction, 0, 4, "Vehicle", "engine_on_after_unlocking", rows[0],
               renderEngine);
    return kMenuRepeatMs;
}

}  // namespace

const MenuPage& enginePage() {
    rows[0] = {renderEngine()};
    static const MenuPage page{.number = kEnginePage, .parent = kMainPage, .title = "ENGINE  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = false, .select = nullptr, .step = stepRow};
    return page;
}

void runEnginePage() {
    menu_state.current_page = kEnginePage;
    runPageLoop(enginePage());
}

void resetEnginePage() { selected_row = 0; }

}  // namespace tavrel
