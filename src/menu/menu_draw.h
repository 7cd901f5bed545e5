// The menu's one drawing primitive and its layout: drawing reads the
// appearance settings as they stand and only draws (no sound, no file).
// Menu fibre only.
#pragma once
#include <cstdint>

namespace tavrel {

// Line layout, in layout units (one unit is 0.15 x (menu_size + 2) pixels).
inline constexpr float kTitleMargin = 9.0f;
inline constexpr float kTitleTop = 18.0f;
inline constexpr float kTitleLeft = 5.0f;
inline constexpr float kRowMargin = 8.0f;
inline constexpr float kRowLeft = 9.0f;
inline constexpr float kMainSelectedMargin = 4.5f;
inline constexpr float kSelectedMargin = 7.0f;
inline constexpr float kSelectedLeft = 7.0f;

// How a row is drawn.
enum class RowStyle : std::uint8_t {
    Plain,             // an unselected row or main entry
    MainSelected,      // the selected main entry: wider, heading text
    Selected,          // a selected page row, box menu_width
    SelectedWide,      // a selected page row, box menu_width + 1
};

// Top of row `index` (from 0): 67 + 38 x index units, formed in double.
float rowTop(int index);

// Draws one line this frame: its text (white, font 4, not centred) and the
// box behind it, which starts at the left screen edge. Every length is in
// layout units. The text is copied into a fixed buffer; no heap is used.
void drawMenuLine(const char* text, float box_width, float margin, float top, float left, bool highlight,
                  bool heading);

void drawTitleLine(const char* text);
void drawRowLine(const char* text, int index, RowStyle style);

}  // namespace tavrel
