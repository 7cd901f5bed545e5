// Page 7: the colour changer's speeds and its pause switch. Nothing here
// touches the car.
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 5;
constexpr std::int32_t kMaxSpeed = 9000000;
constexpr std::int32_t kBaseStep = 50;
constexpr Tick kBaseStepWaitMs = 50;

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderBase() {
    return formatNumberLabel("Color Changer Speed Base Value", settings.color_changer_speed_base_value, "", kMaxSpeed);
}
MenuText renderPrimary() {
    return formatNumberLabel("Color Changer Primary Color Speed", settings.color_changer_primary_color_speed, "",
                             kMaxSpeed);
}
MenuText renderSecondary() {
    return formatNumberLabel("Color Changer Secondary Color Speed", settings.color_changer_secondary_color_speed, "",
                             kMaxSpeed);
}
MenuText renderMultiplier() {
    return formatNumberLabel("Vehicle Speed Multiplier Value", settings.vehicle_speed_multiplier_value, "", kMaxSpeed);
}

void buildRows() {
    rows[0] = {renderBase()};
    rows[1] = {renderPrimary()};
    rows[2] = {renderSecondary()};
    rows[3] = {renderMultiplier()};
    rows[4] = {makeMenuText("Color Change Pauses By Locking"), &settings.color_change_can_pause};
}

void selectRow(int row) {
    if (row == 4) {
        selectToggle(kSection, "color_change_can_pause", settings.color_change_can_pause);
    } else {
        selectWithoutAction(rows[row]);
    }
}

Tick stepRow(int row, int direction) {
    switch (row) {
        case 0:
            stepIntRow(settings.color_changer_speed_base_value, direction * kBaseStep, 0, kMaxSpeed, kSection,
                       "color_changer_speed_base_value", rows[0], renderBase);
            return kBaseStepWaitMs;
        case 1:
            stepIntRow(settings.color_changer_primary_color_speed, direction, 0, kMaxSpeed, kSection,
                       "color_changer_primary_color_speed", rows[1], renderPrimary);
            return kMenuRepeatMs;
        case 2:
            stepIntRow(settings.color_changer_secondary_color_speed, direction, 0, kMaxSpeed, kSection,
                       "color_changer_secondary_color_speed", rows[2], renderSecondary);
            return kMenuRepeatMs;
        case 3:
            stepIntRow(settings.vehicle_speed_multiplier_value, direction, 0, kMaxSpeed, kSection,
                       "vehicle_speed_multiplier_value", rows[3], renderMultiplier);
            return kMenuRepeatMs;
        default: return kNextFrameMs;
    }
}

}  // namespace

const MenuPage& colourChangerPage() {
    buildRows();
    static const MenuPage page{.number = kColourChangerPage, .parent = kMainPage, .title = "COLOR  CHANGER  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runColourChangerPage() {
    menu_state.current_page = kColourChangerPage;
    runPageLoop(colourChangerPage());
}

void resetColourChangerPage() { selected_row = 0; }

}  // namespace tavrel
