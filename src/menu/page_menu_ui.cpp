// Page 10: the menu's own size, width, box colour and opacity, shown from
// the next frame on; the last row restores the defaults. Right is tested
// before left on this page.
#include "config/persistence.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/menu_values.h"
#include "menu/page_table.h"
#include "menu/pages.h"

namespace tavrel {

namespace {

namespace key = setting_key;

// The values Reset This Menu Page restores.
constexpr float kDefaultSize = 4.8f;
constexpr float kDefaultWidth = 350.0f;
constexpr std::int32_t kDefaultRed = 60;
constexpr std::int32_t kDefaultGreen = 104;
constexpr std::int32_t kDefaultBlue = 166;
constexpr std::int32_t kDefaultTransparent = 180;

// The rows here clamp in float, by the clamp rule that plays the sound
// when the value lands inside; size and width are floats, the colours ints.
float shownValue(const PageRow& row) {
    return row.fraction != nullptr ? settings.*row.fraction->field : static_cast<float>(settings.*row.number->field);
}

void storeValue(const PageRow& row, float value) {
    if (row.fraction != nullptr) {
        settings.*row.fraction->field = value;
    } else {
        settings.*row.number->field = static_cast<std::int32_t>(value);
    }
}

float clampToRow(const PageRow& row, float value) {
    return clampWithSound(value, static_cast<float>(row.range.low), static_cast<float>(row.range.high));
}

// name ":\t", then the value ("4.8" for a float) with "<< " unless at the
// low end and " >>" unless at the high end.
MenuText renderAppearance(const PageRow& row) {
    MenuText out = makeMenuText(row.label);
    appendText(out, ":\t");
    if (row.fraction != nullptr) {
        const float value = settings.*row.fraction->field;
        if (value != static_cast<float>(row.range.low)) appendText(out, "<< ");
        appendFixed1(out, value);
        if (value != static_cast<float>(row.range.high)) appendText(out, " >>");
    } else {
        const std::int32_t value = settings.*row.number->field;
        if (value != static_cast<std::int32_t>(row.range.low)) appendText(out, "<< ");
        appendInt(out, value);
        if (value != static_cast<std::int32_t>(row.range.high)) appendText(out, " >>");
    }
    return out;
}

// The write of a width or a colour: clamped into the row's range once more
// (a second sound when inside), written as its integer part.
void writeAppearance(const PageRow& row) {
    const float value = clampToRow(row, shownValue(row));
    const IniKey& ini_key = row.fraction != nullptr ? static_cast<const IniKey&>(*row.fraction) : *row.number;
    writeIntSetting(ini_key, static_cast<std::int32_t>(value));
}

float stepped(const PageRow& row, int direction) {
    return clampToRow(row, shownValue(row) + static_cast<float>(direction) * static_cast<float>(row.range.step));
}

void stepAppearance(const PageRow& row, int direction) {
    storeValue(row, stepped(row, direction));
    writeAppearance(row);
}

// The size's write: one decimal, after a sound of its own.
void writeMenuSizeWithSound(float size) {
    playNavigationSound();
    writeMenuSize(size);
}

// The size plays the sound once more and is written with one decimal.
void stepMenuSize(const PageRow& row, int direction) {
    const float size = stepped(row, direction);
    settings.menu_size = size;
    writeMenuSizeWithSound(size);
}

// Every row marked `resets` back to its reset value, in the table's order,
// each written as a step writes it (the width and colours through their
// clamp, so each write plays the sound).
void resetAppearance() {
    const RowTable& table = menu_ui_page.table;
    for (int i = 0; i < table.size(); ++i) {
        const PageRow& row = table[i];
        if (!row.resets) continue;
        storeValue(row, static_cast<float>(row.reset_value));
        if (row.fraction == &key::menu_size) {
            writeMenuSizeWithSound(settings.menu_size);
        } else {
            writeAppearance(row);
        }
    }
    buildRowLabels(menu_ui_page);
    playNavigationSound();
}

constexpr StepRange kColourRange{.low = 0, .high = 255, .step = 1};
constexpr StepWait kColourWait = waitAfterStep(25);

constexpr PageRow kTable[] = {
    {.kind = RowKind::Number, .label = "Menu Size", .fraction = &key::menu_size,
     .range = {.low = 1, .high = 10, .step = 0.1f}, .wait = waitAfterStep(kMenuRepeatMs),
     .render = renderAppearance, .step = stepMenuSize, .resets = true, .reset_value = kDefaultSize},
    {.kind = RowKind::Number, .label = "Menu Width", .fraction = &key::menu_width,
     .range = {.low = 10, .high = 10000, .step = 5}, .wait = waitAfterStep(125),
     .render = renderAppearance, .step = stepAppearance, .resets = true, .reset_value = kDefaultWidth},
    {.kind = RowKind::Number, .label = "Red", .number = &key::menu_red, .range = kColourRange, .wait = kColourWait,
     .render = renderAppearance, .step = stepAppearance, .resets = true, .reset_value = kDefaultRed},
    {.kind = RowKind::Number, .label = "Green", .number = &key::menu_green, .range = kColourRange, .wait = kColourWait,
     .render = renderAppearance, .step = stepAppearance, .resets = true, .reset_value = kDefaultGreen},
    {.kind = RowKind::Number, .label = "Blue", .number = &key::menu_blue, .range = kColourRange, .wait = kColourWait,
     .render = renderAppearance, .step = stepAppearance, .resets = true, .reset_value = kDefaultBlue},
    {.kind = RowKind::Number, .label = "Transparent", .number = &key::menu_transparent, .range = kColourRange,
     .wait = kColourWait, .render = renderAppearance, .step = stepAppearance, .resets = true,
     .reset_value = kDefaultTransparent},
    {.kind = RowKind::Action, .label = "Reset This Menu Page", .action = resetAppearance},
};

}  // namespace

constinit MenuPage menu_ui_page{.number = kMenuUiPage, .parent = kMainPage, .title = "MENU UI SETTINGS",
                                .table = kTable, .selected_style = RowStyle::SelectedWide, .right_first = true};

}  // namespace tavrel
