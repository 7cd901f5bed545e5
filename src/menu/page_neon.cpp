// Page 5 (nested in the light page): neon mode, notification and default
// colour, previewed on the tracked car, and two neon switches.
#include "config/settings.h"
#include "effects/neon_colour.h"
#include "locking/vehicle_upkeep.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Vehicle";
constexpr int kRowCount = 5;

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

MenuRow rows[kRowCount];
int selected_row = 0;

MenuText renderMode() { return formatChoiceLabel(kModeLabels, settings.neon_lights); }
MenuText renderNotification() { return formatChoiceLabel(kNotificationLabels, settings.neon_notification); }
MenuText renderColour() { return formatChoiceLabel(kColourLabels, settings.neon_default_color); }

void buildRows() {
    rows[0] = {renderMode()};
    rows[1] = {renderNotification()};
    rows[2] = {renderColour()};
    rows[3] = {makeMenuText("Can Enable Neon On Cars Without Neon"), &settings.neon_affects_all_cars};
    rows[4] = {makeMenuText("Sequential Neon Lights"), &settings.sequential_neon_lights};
}

void selectRow(int row) {
    switch (row) {
        case 3: selectToggle(kSection, "neon_affects_all_cars", settings.neon_affects_all_cars); break;
        case 4: selectToggle(kSection, "sequential_neon_lights", settings.sequential_neon_lights); break;
        default: selectWithoutAction(rows[row]); break;
    }
}

Tick stepRow(int row, int direction) {
    switch (row) {
        case 0:
            stepIntRow(settings.neon_lights, direction, 0, 4, kSection, "neon_lights", rows[0], renderMode);
            updateNeon();
            return kMenuRepeatMs;
        case 1:
            stepIntRow(settings.neon_notification, direction, 0, 2, kSection, "neon_notification", rows[1],
                       renderNotification);
            return kMenuRepeatMs;
        case 2:
            stepIntRow(settings.neon_default_color, direction, 0, 6, kSection, "neon_default_color", rows[2],
                       renderColour);
            applyNeonDefaultColour();
            return kMenuRepeatMs;
        default: return kNextFrameMs;
    }
}

}  // namespace

const MenuPage& neonPage() {
    buildRows();
    static const MenuPage page{.number = kNeonPage, .parent = kLightPage, .title = "NEON  LIGHTS  SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = false, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runNeonPage() {
    menu_state.current_page = kNeonPage;
    runPageLoop(neonPage());
}

void resetNeonPage() { selected_row = 0; }

}  // namespace tavrel
