// Page tables that must not compile: each PROBE value is one way to leave a
// row without what its kind needs. PROBE 0 is a table made right, and must
// compile, so a broken include path or flag cannot pass for a rejection.
#include "config/setting_keys.h"
#include "menu/page_table.h"

namespace tavrel {

namespace key = setting_key;

constexpr const char* kChoices[] = {"0. Off", "1. On", "2. Both"};
constexpr ChoiceLabels kLabels{"Mode: ", "", kChoices, 3, 0, "Out of bounds"};

void resetSomething() {}

#if PROBE == 0
constexpr PageRow kTable[] = {
    {.kind = RowKind::Switch, .label = "Hood", .flag = &key::open_door_hood},
    {.kind = RowKind::Number, .label = "Horn Duration", .number = &key::horn_duration,
     .range = {.low = 0, .high = 900000, .step = 10}},
    {.kind = RowKind::Choice, .number = &key::neon_notification, .range = {.low = 0, .high = 2, .step = 1},
     .choices = &kLabels},
    {.kind = RowKind::Action, .label = "Reset", .action = resetSomething},
};
#elif PROBE == 1  // a switch that names no setting
constexpr PageRow kTable[] = {{.kind = RowKind::Switch, .label = "Hood"}};
#elif PROBE == 2  // a choice whose bounds run past its named choices
constexpr PageRow kTable[] = {{.kind = RowKind::Choice, .number = &key::neon_notification,
                               .range = {.low = 0, .high = 3, .step = 1}, .choices = &kLabels}};
#elif PROBE == 3  // a number row with no setting to step
constexpr PageRow kTable[] = {{.kind = RowKind::Number, .label = "Horn Duration", .range = {.low = 0, .high = 10}}};
#elif PROBE == 4  // a float row without its own step and renderer
constexpr PageRow kTable[] = {{.kind = RowKind::Number, .label = "Menu Size", .fraction = &key::menu_size,
                               .range = {.low = 1, .high = 10, .step = 0.1f}}};
#elif PROBE == 5  // an action row with no action
constexpr PageRow kTable[] = {{.kind = RowKind::Action, .label = "Reset"}};
#elif PROBE == 6  // more rows than a page holds
constexpr PageRow kRow{.kind = RowKind::Switch, .label = "Hood", .flag = &key::open_door_hood};
constexpr PageRow kTable[] = {kRow, kRow, kRow, kRow, kRow, kRow, kRow, kRow, kRow, kRow, kRow, kRow};
#endif

MenuPage probe_page{.number = 1, .parent = 0, .title = "PROBE", .table = kTable};

}  // namespace tavrel
