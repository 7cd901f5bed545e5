// Page 5 (nested in the light page): neon mode, notification and default
// colour, previewed on the tracked car, and two neon switches.
#include "config/setting_modes.h"
#include "effects/neon_colour.h"
#include "effects/vehicle_upkeep.h"
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr const char* kModeChoices[] = {
    "0. Off", "1. Normal On", "2. Off Until First Move", "3. On When Moving, Off When Still", "4. Off When Outside",
};
constexpr ChoiceLabels kModeLabels{"Neon Lights:   ", "", kModeChoices, 5, 0, "Out Of Bounds"};

constexpr const char* kNotificationChoices[] = {"0. Off", "1. Flashing", "2. Sequential"};
constexpr ChoiceLabels kNotificationLabels{"Neon Notification:   ", "", kNotificationChoices, 3, 0, "Out Of Bounds"};

constexpr const char* kColourChoices[] = {
    "0. System Default (Pink)",  "1. Use Current",         "2. Random If Default Pink",
    "3. Vehicle Primary If Default Pink", "4. Always Random", "5. Same As Vehicle Primary",
    "6. Same As Vehicle Secondary",
};
constexpr ChoiceLabels kColourLabels{"Default Color:\t", "     ", kColourChoices, 7, 0, "Out of bounds"};

// The tracked car's neon follows the new mode and default colour at once.
constexpr PageRow kTable[] = {
    {.kind = RowKind::Choice, .number = &key::neon_lights,
     .range = {.low = kNeonOff, .high = kNeonOffWhenOutside, .step = 1},
     .choices = &kModeLabels, .follow_up = updateNeon},
    {.kind = RowKind::Choice, .number = &key::neon_notification,
     .range = {.low = kNeonNotificationOff, .high = kNeonNotificationRunning, .step = 1},
     .choices = &kNotificationLabels},
    {.kind = RowKind::Choice, .number = &key::neon_default_color,
     .range = {.low = kNeonColourPink, .high = kNeonColourSecondary, .step = 1},
     .choices = &kColourLabels, .follow_up = applyNeonDefaultColour},
    {.kind = RowKind::Switch, .label = "Can Enable Neon On Cars Without Neon", .flag = &key::neon_affects_all_cars},
    {.kind = RowKind::Switch, .label = "Sequential Neon Lights", .flag = &key::sequential_neon_lights},
};

}  // namespace

constinit MenuPage neon_page{.number = kNeonPage, .parent = kLightPage, .title = "NEON  LIGHTS  SETTINGS",
                             .table = kTable, .selected_style = RowStyle::SelectedWide};

}  // namespace tavrel
