// Page 8: what the engine does after an unlock from outside. One row; the
// page ignores select.
#include "config/setting_modes.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kEngineChoices[] = {
    "Off", "Normal On", "On During Notification", "Always On Until Locking", "Always On",
};
constexpr ChoiceLabels kEngineLabels{"After Unlock From Outside:\t", "     ", kEngineChoices, 5, 0, "Out Of Bounds"};

constexpr PageRow kTable[] = {
    {.kind = RowKind::Choice, .number = &setting_key::engine_on_after_unlocking,
     .range = {.low = kEngineOff, .high = kEngineAlwaysOn, .step = 1}, .choices = &kEngineLabels},
};

}  // namespace

constinit MenuPage engine_page{.number = kEnginePage, .parent = kMainPage, .title = "ENGINE  SETTINGS", .table = kTable,
                               .selected_style = RowStyle::SelectedWide, .reads_select = false};

}  // namespace tavrel
