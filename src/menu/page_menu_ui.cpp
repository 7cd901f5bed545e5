// Page 10: the menu's own size, width, box colour and opacity, shown from
// the next frame on; the last row restores the defaults. Right is tested
// before left on this page.
#include "config/persistence.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

constexpr const char* kSection = "Menu";
constexpr int kRowCount = 7;
constexpr int kResetRow = 6;
constexpr float kMinSize = 1.0f;
constexpr float kMaxSize = 10.0f;
constexpr float kSizeStep = 0.1f;
constexpr float kMinWidth = 10.0f;
constexpr float kMaxWidth = 10000.0f;
constexpr float kWidthStep = 5.0f;
constexpr float kMaxColour = 255.0f;
constexpr Tick kWidthWaitMs = 125;
constexpr Tick kColourWaitMs = 25;

constexpr float kDefaultSize = 4.8f;
constexpr float kDefaultWidth = 350.0f;
constexpr std::int32_t kDefaultRed = 60;
constexpr std::int32_t kDefaultGreen = 104;
constexpr std::int32_t kDefaultBlue = 166;
constexpr std::int32_t kDefaultTransparent = 180;

struct ColourRow {
    const char* name;
    const char* key;
    std::int32_t* field;
};

const ColourRow kColourRows[4] = {
    {"Red", "menu_red", &settings.menu_red},
    {"Green", "menu_green", &settings.menu_green},
    {"Blue", "menu_blue", &settings.menu_blue},
    {"Transparent", "menu_transparent", &settings.menu_transparent},
};

MenuRow rows[kRowCount];
int selected_row = 0;

// prefix, then N " >>" at the low end, "<< " N at the high end, both between.
MenuText renderFloat(const char* prefix, float value, float low, float high) {
    MenuText out = makeMenuText(prefix);
    if (value != low) appendText(out, "<< ");
    appendFixed1(out, value);
    if (value != high) appendText(out, " >>");
    return out;
}

MenuText renderSize() { return renderFloat("Menu Size:\t", settings.menu_size, kMinSize, kMaxSize); }
MenuText renderWidth() { return renderFloat("Menu Width:\t", settings.menu_width, kMinWidth, kMaxWidth); }

MenuText renderColour(int index) {
    const std::int32_t value = *kColourRows[index].field;
    MenuText out = makeMenuText(kColourRows[index].name);
    appendText(out, ":\t");
    if (value != 0) appendText(out, "<< ");
    appendInt(out, value);
    if (value != 255) appendText(out, " >>");
    return out;
}

void buildRows() {
    rows[0] = {renderSize()};
    rows[1] = {renderWidth()};
    for (int i = 0; i < 4; ++i) rows[2 + i] = {renderColour(i)};
    rows[kResetRow] = {makeMenuText("Reset This Menu Page")};
}

// The width write: clamped again (sound when inside), written as its
// integer part.
void writeWidth() {
    const float width = clampWithSound(settings.menu_width, kMinWidth, kMaxWidth);
    writeIntSetting(kSection, "menu_width", static_cast<std::int32_t>(width));
}

void writeColour(int index) {
    const float value = clampWithSound(static_cast<float>(*kColourRows[index].field), 0.0f, kMaxColour);
    writeIntSetting(kSection, kColourRows[index].key, static_cast<std::int32_t>(value));
}

void resetAppearance() {
    settings.menu_size = kDefaultSize;
    settings.menu_width = kDefaultWidth;
    playNavigationSound();
    writeMenuSize(kDefaultSize);
    writeWidth();
    settings.menu_red = kDefaultRed;
    settings.menu_green = kDefaultGreen;
    settings.menu_blue = kDefaultBlue;
    settings.menu_transparent = kDefaultTransparent;
    for (int i = 0; i < 4; ++i) writeColour(i);
    buildRows();
    playNavigationSound();
}

void selectRow(int row) {
    if (row == kResetRow) {
        resetAppearance();
    } else {
        selectWithoutAction(rows[row]);
    }
}

Tick stepRow(int row, int direction) {
    const float sign = static_cast<float>(direction);
    switch (row) {
        case 0: {
            const float size = clampWithSound(settings.menu_size + sign * kSizeStep, kMinSize, kMaxSize);
            settings.menu_size = size;
            playNavigationSound();
            writeMenuSize(size);
            rows[0].label = renderSize();
            return kMenuRepeatMs;
        }
        case 1:
            settings.menu_width = clampWithSound(settings.menu_width + sign * kWidthStep, kMinWidth, kMaxWidth);
            writeWidth();
            rows[1].label = renderWidth();
            return kWidthWaitMs;
        case 2:
        case 3:
        case 4:
        case 5: {
            const int index = row - 2;
            std::int32_t& field = *kColourRows[index].field;
            field = static_cast<std::int32_t>(clampWithSound(static_cast<float>(field) + sign, 0.0f, kMaxColour));
            writeColour(index);
            rows[row].label = renderColour(index);
            return kColourWaitMs;
        }
        default: return kNextFrameMs;
    }
}

}  // namespace

const MenuPage& menuUiPage() {
    buildRows();
    static const MenuPage page{.number = kMenuUiPage, .parent = kMainPage, .title = "MENU UI SETTINGS", .table = nullptr, .rows = rows,
                               .row_count = kRowCount, .selected = &selected_row, .wide_selection = true,
                               .right_first = true, .reads_select = true, .select = selectRow, .step = stepRow};
    return page;
}

void runMenuUiPage() {
    menu_state.current_page = kMenuUiPage;
    runPageLoop(menuUiPage());
}

void resetMenuUiPage() { selected_row = 0; }

}  // namespace tavrel
