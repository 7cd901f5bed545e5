// Menu texts without heap: every line text lives in a fixed buffer that is
// copied by value. Row labels are rebuilt when their value changes (or when
// their page is entered), never per frame.
#pragma once
#include <cstddef>
#include <cstdint>

namespace tavrel {

// Room for the longest row text with its [ON]/[OFF] suffix; longer texts are
// cut (the game itself shows at most 99 characters of a string component).
inline constexpr std::size_t kMenuTextSize = 128;
// Toggle labels are padded with spaces to this many characters.
inline constexpr std::size_t kToggleLabelWidth = 18;

struct MenuText {
    char text[kMenuTextSize] = {};
};

// One row of a settings page.
struct MenuRow {
    MenuText label;           // text before the [ON]/[OFF] suffix; a value row's full text
    bool* toggle = nullptr;   // present exactly for toggle rows
    bool* changed = nullptr;  // set by the generic select action; unused by every page
};

MenuText makeMenuText(const char* text);
// Appends as much of `piece` as fits; the text stays NUL-terminated.
void appendText(MenuText& out, const char* piece);
void appendInt(MenuText& out, std::int32_t value);
// `value` with one decimal ("4.8", "350.0").
void appendFixed1(MenuText& out, float value);

// The label, spaces up to 18 characters (also for rows without a toggle),
// then " [ON]" / " [OFF]" when the toggle is present.
MenuText formatToggleLabel(const MenuText& label, const bool* toggle);

// label ":   " ["<< "] value unit [" >>"]: no left marker at 0, no right
// marker at `upper`.
MenuText formatNumberLabel(const char* label, std::int32_t value, const char* unit, std::int32_t upper);

// A mode chooser's texts: values low ... low + count - 1 name choices[i].
struct ChoiceLabels {
    const char* prefix;
    const char* lowest_marker;  // stands where "<< " would at the lowest value
    const char* const* choices;
    std::int32_t count;
    std::int32_t low;
    const char* fallback;  // shown, with both markers, for a value out of range
};

// prefix, then lowest_marker choice " >>" at the lowest value, "<< " choice
// at the highest, "<< " choice " >>" between, "<< " fallback " >>" outside.
MenuText formatChoiceLabel(const ChoiceLabels& labels, std::int32_t value);

// The select action of a row without an action of its own: flips the toggle
// in memory only and raises the changed flag; no sound, no write.
void selectWithoutAction(MenuRow& row);

}  // namespace tavrel
