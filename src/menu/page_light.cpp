// Page 4: light settings, with previews on the tracked car; its last row
// opens the neon page (5).
#include "config/persistence.h"
#include "config/setting_modes.h"
#include "config/settings.h"
#include "effects/vehicle_upkeep.h"
#include "host/native_invoker.h"
#include "menu/menu.h"
#include "menu/menu_values.h"
#include "menu/page_table.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

namespace key = setting_key;

constexpr const char* kInteriorChoices[] = {
    "0. Always Off", "1. Normal On/Off", "2. Off After Unlock & Inside Or Moving", "3. Off Except When Still",
    "4. Always On",
};
constexpr ChoiceLabels kInteriorLabels{"Interior Lights:\t", "   ", kInteriorChoices, 5, 0, "Out of bounds"};

// Mode 5 reads "4. Always On", like mode 4.
constexpr const char* kHeadlightChoices[] = {
    "0. Off", "1. On After Unlock & Inside Or Moving", "2. On Except When Still", "3. Normal On",
    "4. Always On When Unlock From Outside", "4. Always On",
};
constexpr ChoiceLabels kHeadlightLabels{"Headlights: ", "   ", kHeadlightChoices, 6, 0, "Out of bounds"};

// Three spaces after the colon at the bounds, two in between; only the
// bounds themselves drop a marker.
MenuText renderMultiplier(const PageRow& row) {
    const std::int32_t value = settings.*row.number->field;
    const auto low = static_cast<std::int32_t>(row.range.low);
    const auto high = static_cast<std::int32_t>(row.range.high);
    if (value == low || value == high) {
        MenuText out = makeMenuText("Headlight Multiplier:   ");
        if (value == high) appendText(out, "<< ");
        appendInt(out, value);
        if (value == low) appendText(out, " >>");
        return out;
    }
    MenuText out = makeMenuText("Headlight Multiplier:  << ");
    appendInt(out, value);
    appendText(out, " >>");
    return out;
}

// The upkeep of the tracked car's lights, run at once with the new mode
// (the world pass runs it without reset).
void previewInteriorLight() { updateInteriorLight(true); }
void previewHeadlights() { updateHeadlights(true); }

// The tracked car's lights take the new multiplier at once (the host
// ignores handle 0 and vanished handles).
void previewMultiplier() {
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, runtime.tracked_vehicle, static_cast<float>(settings.light_multiplier));
}

// The interior mode (clamped into its modes, with the sound when inside) and
// the two flash counts (as read, unnormalised) come from the file at entry.
void reloadLightSettings() {
    settings.interior_lights = readClampedSetting(key::interior_lights, kInteriorOff, kInteriorAlwaysOn);
    settings.number_of_lock_flashes = readIntSetting(key::number_of_lock_flashes);
    settings.number_of_unlock_flashes = readIntSetting(key::number_of_unlock_flashes);
}

constexpr StepRange kCountRange{.low = 0, .high = 900000, .step = 1};
constexpr StepRange kIntervalRange{.low = 0, .high = 900000, .step = 10};
constexpr Tick kFastStepWaitMs = 50;

constexpr PageRow kTable[] = {
    {.kind = RowKind::Choice, .number = &key::interior_lights,
     .range = {.low = kInteriorOff, .high = kInteriorAlwaysOn, .step = 1},
     .choices = &kInteriorLabels, .follow_up = previewInteriorLight},
    {.kind = RowKind::Switch, .label = "Outside Locking Allows Interior Lights",
     .flag = &key::allow_interior_lights_when_outside_locked},
    {.kind = RowKind::Switch, .label = "Light Notification", .flag = &key::light_notification},
    {.kind = RowKind::Number, .label = "Notification Lock Flashes", .number = &key::number_of_lock_flashes,
     .range = kCountRange},
    {.kind = RowKind::Number, .label = "Notification Unlock Flashes", .number = &key::number_of_unlock_flashes,
     .range = kCountRange},
    {.kind = RowKind::Number, .label = "Notification Lock Flash Interval", .unit = " ms",
     .number = &key::lock_flash_interval, .range = kIntervalRange, .wait = waitAfterStep(kFastStepWaitMs)},
    {.kind = RowKind::Number, .label = "Notification Unlock Flash Interval", .unit = " ms",
     .number = &key::unlock_flash_interval, .range = kIntervalRange, .wait = waitAfterStep(kFastStepWaitMs)},
    {.kind = RowKind::Choice, .number = &key::headlights_at_movement,
     .range = {.low = kHeadlightsOff, .high = kHeadlightsAlwaysOn, .step = 1},
     .choices = &kHeadlightLabels, .follow_up = previewHeadlights},
    {.kind = RowKind::Switch, .label = "Allow Headlights On When Locking From Outside",
     .flag = &key::headlights_when_locking},
    {.kind = RowKind::Number, .label = "Headlight Multiplier", .number = &key::light_multiplier,
     .range = {.low = -5, .high = 9000000, .step = 1}, .wait = waitAfterStep(kFastStepWaitMs),
     .render = renderMultiplier, .follow_up = previewMultiplier},
    {.kind = RowKind::Link, .label = "Neon Lights Settings", .nested = &neon_page},
};

}  // namespace

constinit MenuPage light_page{.number = kLightPage, .parent = kMainPage, .title = "LIGHT  SETTINGS", .table = kTable,
                              .selected_style = RowStyle::SelectedWide, .reload = reloadLightSettings};

}  // namespace tavrel
