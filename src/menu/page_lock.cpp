// Page 1: how hard the locks are, which car is tracked, the remote distance.
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Switch, .label = "Locks Are Unbreakable For Peds", .flag = &key::unbreakable_locks},
    {.kind = RowKind::Switch, .label = "Locks Are Unbreakable For Player", .flag = &key::unbreakable_locks_for_player},
    {.kind = RowKind::Switch, .label = "Use Player's Last Vehicle", .flag = &key::use_players_last_vehicle},
    {.kind = RowKind::Switch, .label = "Player Can Leave Locked Door After Locking",
     .flag = &key::can_leave_while_locked},
    {.kind = RowKind::Number, .label = "Max Distance To Vehicle", .unit = " m", .number = &key::max_distance_to_vehicle,
     .range = {.low = 0, .high = 900000, .step = 1}, .wait = waitAfterStep(50)},
};

}  // namespace

constinit MenuPage lock_page{.number = kLockPage, .parent = kMainPage, .title = "LOCK  SETTINGS", .table = kTable};

}  // namespace tavrel
