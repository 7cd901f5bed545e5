// Page 7: the colour changer's speeds and its pause switch. Nothing here
// touches the car.
#include "menu/menu.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr std::int32_t kMaxSpeed = 9000000;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Number, .label = "Color Changer Speed Base Value", .number = &key::color_changer_speed_base_value,
     .range = {.low = 0, .high = kMaxSpeed, .step = 50}, .wait = waitAfterStep(50)},
    {.kind = RowKind::Number, .label = "Color Changer Primary Color Speed",
     .number = &key::color_changer_primary_color_speed, .range = {.low = 0, .high = kMaxSpeed, .step = 1}},
    {.kind = RowKind::Number, .label = "Color Changer Secondary Color Speed",
     .number = &key::color_changer_secondary_color_speed, .range = {.low = 0, .high = kMaxSpeed, .step = 1}},
    {.kind = RowKind::Number, .label = "Vehicle Speed Multiplier Value", .number = &key::vehicle_speed_multiplier_value,
     .range = {.low = 0, .high = kMaxSpeed, .step = 1}},
    {.kind = RowKind::Switch, .label = "Color Change Pauses By Locking", .flag = &key::color_change_can_pause},
};

}  // namespace

constinit MenuPage colour_changer_page{.number = kColourChangerPage, .parent = kMainPage,
                                       .title = "COLOR  CHANGER  SETTINGS", .table = kTable,
                                       .selected_style = RowStyle::SelectedWide};

}  // namespace tavrel
