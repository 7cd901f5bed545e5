// Page 2: doors, roof and windows at locking and unlocking; its first row
// opens the doors-opened-at-unlock page (3).
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Link, .label = "Choose Doors To Open At Unlock", .nested = &doors_opened_page},
    {.kind = RowKind::Switch, .label = "Open Doors At Unlock While Inside",
     .flag = &key::open_doors_at_unlock_while_inside},
    {.kind = RowKind::Switch, .label = "Shut Doors Instantly", .flag = &key::shut_doors_instantly},
    {.kind = RowKind::Switch, .label = "Alter Roof On Convertibles From Outside",
     .flag = &key::alter_roof_on_convertibles},
    {.kind = RowKind::Switch, .label = "Roll Down Windows Upon Unlock", .flag = &key::roll_down_windows_upon_unlock},
    {.kind = RowKind::Switch, .label = "Roll Up Windows Upon Lock", .flag = &key::roll_up_windows_upon_lock},
};

}  // namespace

// Left or right does nothing on this page, at the key repeat rate.
constinit MenuPage door_page{.number = kDoorPage, .parent = kMainPage, .title = "DOOR  SETTINGS", .table = kTable,
                             .idle_sideways_wait = kMenuRepeatMs};

}  // namespace tavrel
