// Page 9: ownership, blip, persistence, gesture, controller and the input
// block while the menu is open.
#include "config/setting_modes.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr const char* kAnimationChoices[] = {
    "0. No Animation", "1. None Inside Vehicles", "2. Animation 1", "3. Animation 2",
};
constexpr ChoiceLabels kAnimationLabels{"Animation:  ", "     ", kAnimationChoices, 4, 0, "Out of bounds"};

// The blip and persistence switches: switching one off leaves its applied
// mark set (the value before the change), so that the next lock or unlock
// takes the marker off the car; switching it on clears the mark.
void noteBlipChange() { runtime.vehicle_blip_applied = !settings.current_player_vehicle_blip; }
void notePersistenceChange() { runtime.vehicle_persistent_applied = !settings.current_player_vehicle_persistent; }

// The player loses or regains control at once, while the menu is still open.
void applyInputBlockNow() { applyMenuInputBlock(settings.game_input_disabled_while_menu_is_open); }

constexpr PageRow kTable[] = {
    {.kind = RowKind::Switch, .label = "Make Vehicle Belong To Player", .flag = &key::make_vehicle_belong_to_player},
    {.kind = RowKind::Switch, .label = "Current Vehicle Blip", .flag = &key::current_player_vehicle_blip,
     .follow_up = noteBlipChange},
    {.kind = RowKind::Switch, .label = "Current Vehicle Persistent", .flag = &key::current_player_vehicle_persistent,
     .follow_up = notePersistenceChange},
    {.kind = RowKind::Choice, .number = &key::animation, .range = {.low = kGestureNone, .high = kGestureFob, .step = 1},
     .choices = &kAnimationLabels},
    {.kind = RowKind::Switch, .label = "Use Menu With Controller", .flag = &key::activate_controller},
    {.kind = RowKind::Switch, .label = "Game Input Disabled While In Menu",
     .flag = &key::game_input_disabled_while_menu_is_open, .follow_up = applyInputBlockNow},
};

}  // namespace

constinit MenuPage misc_page{.number = kMiscPage, .parent = kMainPage, .title = "MISC  SETTINGS", .table = kTable};

}  // namespace tavrel
