// Page 3 (nested in the door page): which doors open at unlock. Reloaded
// from the INI file at every entry, so it always shows the file's values.
#include "config/persistence.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Switch, .label = "Front Left Door", .flag = &key::open_door_front_left},
    {.kind = RowKind::Switch, .label = "Front Right Door", .flag = &key::open_door_front_right},
    {.kind = RowKind::Switch, .label = "Back Left Door", .flag = &key::open_door_back_left},
    {.kind = RowKind::Switch, .label = "Back Right Door", .flag = &key::open_door_back_right},
    {.kind = RowKind::Switch, .label = "Hood", .flag = &key::open_door_hood},
    {.kind = RowKind::Switch, .label = "Trunk", .flag = &key::open_door_trunk},
    {.kind = RowKind::Switch, .label = "Back1", .flag = &key::open_door_back1},
    {.kind = RowKind::Switch, .label = "Back2", .flag = &key::open_door_back2},
};
void reloadDoorsToOpen() { readDoorsToOpen(); }

}  // namespace

constinit MenuPage doors_opened_page{.number = kDoorsOpenedPage, .parent = kDoorPage,
                                     .title = "DOORS OPENED AT UNLOCK SETTINGS", .table = kTable,
                                     .selected_style = RowStyle::SelectedWide, .switch_sound_first = true,
                                     .idle_sideways_wait = kMenuRepeatMs, .reload = reloadDoorsToOpen};

}  // namespace tavrel
