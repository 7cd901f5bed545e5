#include "menu/menu_text.h"

#include <cstring>

#include "config/text_format.h"

namespace tavrel {

MenuText makeMenuText(const char* text) {
    MenuText out;
    appendText(out, text);
    return out;
}

void appendText(MenuText& out, const char* piece) {
    std::size_t length = std::strlen(out.text);
    while (*piece != '\0' && length + 1 < kMenuTextSize) out.text[length++] = *piece++;
    out.text[length] = '\0';
}

void appendInt(MenuText& out, std::int32_t value) {
    char digits[kIntTextSize];
    appendText(out, formatInt(value, digits, sizeof digits));
}

void appendFixed1(MenuText& out, float value) {
    char digits[kFixedTextSize];
    appendText(out, formatFixed(value, 1, digits, sizeof digits));
}

MenuText formatToggleLabel(const MenuText& label, const bool* toggle) {
    MenuText out = label;
    for (std::size_t length = std::strlen(out.text); length < kToggleLabelWidth; ++length) appendText(out, " ");
    if (toggle != nullptr) appendText(out, *toggle ? " [ON]" : " [OFF]");
    return out;
}

MenuText formatNumberLabel(const char* label, std::int32_t value, const char* unit, std::int32_t upper) {
    MenuText out = makeMenuText(label);
    appendText(out, ":   ");
    if (value != 0) appendText(out, "<< ");
    appendInt(out, value);
    appendText(out, unit);
    if (value != upper) appendText(out, " >>");
    return out;
}

MenuText formatChoiceLabel(const ChoiceLabels& labels, std::int32_t value) {
    MenuText out = makeMenuText(labels.prefix);
    const std::int64_t index = static_cast<std::int64_t>(value) - labels.low;
    if (index < 0 || index >= labels.count) {
        appendText(out, "<< ");
        appendText(out, labels.fallback);
        appendText(out, " >>");
        return out;
    }
    const bool lowest = index == 0;
    const bool highest = index == labels.count - 1;
    appendText(out, lowest ? labels.lowest_marker : "<< ");
    appendText(out, labels.choices[index]);
    if (!highest) appendText(out, " >>");
    return out;
}

void selectWithoutAction(MenuRow& row) {
    if (row.toggle != nullptr) *row.toggle = !*row.toggle;
    if (row.changed != nullptr) *row.changed = true;
}

}  // namespace tavrel
