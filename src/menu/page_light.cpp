// Page 4: light settings, with previews on the tracked car; its last row
// opens the neon page (5).
#include "config/persistence.h"
#include "config/settings.h"
#include "host/native_invoker.h"
#include "locking/vehicle_upkeep.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 11;
constexpr std::int32_t kMaxCount = 900000;
constexpr std::int32_t kMinMultiplier = -5;
constexpr std::int32_t kMaxMultiplier = 9000000;
constexpr Tick kFastStepWaitMs = 50;

enum Row : int {
    kInteriorRow = 0,
    kInteriorOutsideRow = 1,
    kNotificationRow = 2,
    kLockFlashesRow = 3,
    kUnlockFlashesRow = 4,
    kLockIntervalRow = 5,
    kUnlockIntervalRow = 6,
    kHeadlightsRow = 7,
    kHeadlightsLockingRow = 8,
    kMultiplierRow = 9,
    kNeonRow = 10,
};

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

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderInterior() { return formatChoiceLabel(kInteriorLabels, settings.interior_lights); }
MenuText renderHeadlights() { return formatChoiceLabel(kHeadlightLabels, settings.headlights_at_movement); }
MenuText renderLockFlashes() {
    return formatNumberLabel("Notification Lock Flashes", settings.number_of_lock_flashes, "", kMaxCount);
}
MenuText renderUnlockFlashes() {
    return formatNumberLabel("Notification Unlock Flashes", settings.number_of_unlock_flashes, "", kMaxCount);
}
MenuText renderLockInterval() {
    return formatNumberLabel("Notification Lock Flash Interval", settings.lock_flash_interval, " ms", kMaxCount);
}
MenuText renderUnlockInterval() {
    return formatNumberLabel("Notification Unlock Flash Interval", settings.unlock_flash_interval, " ms", kMaxCount);
}

// Three spaces after the colon at the bounds, two in between.
MenuText renderMultiplier() {
    const std::int32_t value = settings.light_multiplier;
    if (value == kMinMultiplier || value == kMaxMultiplier) {
        MenuText out = makeMenuText("Headlight Multiplier:   ");
        if (value == kMaxMultiplier) appendText(out, "<< ");
        appendInt(out, value);
        if (value == kMinMultiplier) appendText(out, " >>");
        return out;
    }
    MenuText out = makeMenuText("Headlight Multiplier:  << ");
    appendInt(out, value);
    appendText(out, " >>");
    return out;
}

void buildRows() {
    rows[kInteriorRow] = {renderInterior()};
    rows[kInteriorOutsideRow] = {makeMenuText("Outside Locking Allows Interior Lights"),
                                 &settings.allow_interior_lights_when_outside_locked};
    rows[kNotificationRow] = {makeMenuText("Light Notification"), &settings.light_notification};
    rows[kLockFlashesRow] = {renderLockFlashes()};
    rows[kUnlockFlashesRow] = {renderUnlockFlashes()};
    rows[kLockIntervalRow] = {renderLockInterval()};
    rows[kUnlockIntervalRow] = {renderUnlockInterval()};
    rows[kHeadlightsRow] = {renderHeadlights()};
    rows[kHeadlightsLockingRow] = {makeMenuText("Allow Headlights On When Locking From Outside"),
                                   &settings.headlights_when_locking};
    rows[kMultiplierRow] = {renderMultiplier()};
    rows[kNeonRow] = {makeMenuText("Neon Lights Settings")};
}

// The tracked car's lights take the new multiplier at once (the host
// ignores handle 0 and vanished handles).
void previewMultiplier() {
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, runtime.tracked_vehicle, static_cast<float>(settings.light_multiplier));
}

void selectRow(int row) {
    switch (row) {
        case kInteriorOutsideRow:
            selectToggle(kSection, "allow_interior_lights_when_outside_locked",
                         settings.allow_interior_lights_when_outside_locked);
            break;
        case kNotificationRow: selectToggle(kSection, "light_notification", settings.light_notification); break;
        case kHeadlightsLockingRow:
            selectToggle(kSection, "headlights_when_locking", settings.headlights_when_locking);
            break;
        case kNeonRow:
            playNavigationSound();
            runNeonPage();
            break;
        default: selectWithoutAction(rows[row]); break;
    }
}

Tick stepRow(int row, int direction) {
    switch (row) {
        case kInteriorRow:
            stepIntRow(settings.interior_lights, direction, 0, 4, kSection, "interior_lights", rows[row], renderInterior);
            updateInteriorLight(true);
            return kMenuRepeatMs;
        case kLockFlashesRow:
            stepIntRow(settings.number_of_lock_flashes, direction, 0, kMaxCount, kSection, "number_of_lock_flashes",
                       rows[row], renderLockFlashes);
            return kMenuRepeatMs;
        case kUnlockFlashesRow:
            stepIntRow(settings.number_of_unlock_flashes, direction, 0, kMaxCount, kSection,
                       "number_of_unlock_flashes", rows[row], renderUnlockFlashes);
            return kMenuRepeatMs;
        case kLockIntervalRow:
            stepIntRow(settings.lock_flash_interval, direction * 10, 0, kMaxCount, kSection, "lock_flash_interval",
                       rows[row], renderLockInterval);
            return kFastStepWaitMs;
        case kUnlockIntervalRow:
            stepIntRow(settings.unlock_flash_interval, direction * 10, 0, kMaxCount, kSection,
                       "unlock_flash_interval", rows[row], renderUnlockInterval);
            return kFastStepWaitMs;
        case kHeadlightsRow:
            stepIntRow(settings.headlights_at_movement, direction, 0, 5, kSection, "headlights_at_movement", rows[row],
                       renderHeadlights);
            updateHeadlights(true);
            return kMenuRepeatMs;
        case kMultiplierRow:
            stepIntRow(settings.light_multiplier, direction, kMinMultiplier, kMaxMultiplier, kSection,
                       "light_multiplier", rows[row], renderMultiplier);
            previewMultiplier();
            return kFastStepWaitMs;
        default: return kNextFrameMs;
    }
}

}  // namespace

const MenuPage& lightPage() {
    buildRows();
    static const MenuPage page{.number = kLightPage, .parent = kMainPage, .title = "LIGHT  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runLightPage() {
    menu_state.current_page = kLightPage;
    settings.interior_lights = static_cast<std::int32_t>(
        clampWithSound(static_cast<float>(readIntSetting(kSection, "interior_lights")), 0.0f, 4.0f));
    settings.number_of_lock_flashes = readIntSetting(kSection, "number_of_lock_flashes");
    settings.number_of_unlock_flashes = readIntSetting(kSection, "number_of_unlock_flashes");
    runPageLoop(lightPage());
}

void resetLightPage() { selected_row = 0; }

}  // namespace tavrel
