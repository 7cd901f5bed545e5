#include "menu/menu_draw.h"

#include "config/settings.h"
#include "host/native_invoker.h"
#include "menu/menu_text.h"

namespace tavrel {

namespace {

constexpr float kUnitPixels = 0.15f;  // pixels per layout unit per menu_size step
// Text scales per (menu_size + 2); multiplied in double, then narrowed.
constexpr double kHeadingScale = 0.09449999928474427;
constexpr double kHighlightScale = 0.07500000000000001;
constexpr double kRowScale = 0.06749999821186066;
constexpr double kTopOffset = 0.000417;   // per (menu_size + 2), normalised
constexpr double kBoxExtra = 0.00045;     // per (menu_size + 2), normalised
constexpr float kMeasureOffset = 0.00778f;
constexpr float kMeasureLift = 0.005f;
constexpr int kMenuFont = 4;

float scaled(double s, double factor) { return static_cast<float>(s * factor); }

// Layout units to normalised screen units over `pixels`.
float normalised(float units, float s, float pixels) { return units * kUnitPixels * s / pixels; }

void setLineTextStyle(float scale) {
    invoke(nat::SET_TEXT_FONT, kMenuFont);
    invoke(nat::SET_TEXT_SCALE, 0.0f, scale);
    invoke(nat::SET_TEXT_COLOUR, 255, 255, 255, 255);
    invoke(nat::SET_TEXT_CENTRE, false);
    invoke(nat::SET_TEXT_DROPSHADOW, 0, 0, 0, 0, 0);
    invoke(nat::SET_TEXT_EDGE, 0, 0, 0, 0, 0);
}

// How each RowStyle is drawn, in the order of the enum.
struct RowLayout {
    bool wide_box;  // box menu_width + 1
    float margin;
    float left;
    bool highlight;
    bool heading;
};
constexpr RowLayout kRowLayouts[] = {
    {false, kRowMargin, kRowLeft, false, false},                // Plain
    {true, kMainSelectedMargin, kSelectedLeft, false, true},    // MainSelected
    {false, kSelectedMargin, kSelectedLeft, true, false},       // Selected
    {true, kSelectedMargin, kSelectedLeft, true, false},        // SelectedWide
};

}  // namespace

float rowTop(int index) { return static_cast<float>(index * 38.0 + 67.0); }

void drawMenuLine(const char* text, float box_width, float margin, float top, float left, bool highlight,
                  bool heading) {
    const MenuText line = makeMenuText(text);
    const float s = settings.menu_size + 2.0f;
    const float scale = scaled(s, heading ? kHeadingScale : highlight ? kHighlightScale : kRowScale);
    const bool dark = highlight || heading;
    const int red = dark ? 0 : settings.menu_red;
    const int green = dark ? 0 : settings.menu_green;
    const int blue = dark ? 0 : settings.menu_blue;

    int width_px = 0;
    int height_px = 0;
    invoke(nat::GET_SCREEN_RESOLUTION, &width_px, &height_px);
    const float screen_w = static_cast<float>(width_px);
    const float screen_h = static_cast<float>(height_px);
    const float box_w = normalised(box_width, s, screen_w);
    const float x = normalised(left, s, screen_w);
    const float t = normalised(top, s, screen_h);
    const float pad = normalised(margin, s, screen_h);
    const float y0 = scaled(s, kTopOffset) + t;

    setLineTextStyle(scale);
    invoke(nat::BEGIN_TEXT_COMMAND_DISPLAY_TEXT, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, static_cast<const char*>(line.text));
    invoke(nat::END_TEXT_COMMAND_DISPLAY_TEXT, x, y0 + pad, 0);

    setLineTextStyle(scale);
    invoke(nat::BEGIN_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, static_cast<const char*>(line.text));
    const int lines =
        invoke<int>(nat::END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, x, ((t + kMeasureOffset) + pad) - kMeasureLift);
    const float line_h = invoke<float>(nat::GET_RENDERED_CHARACTER_HEIGHT, scale, 0);

    const float box_h = (static_cast<float>(lines) * line_h + pad) + (scaled(s, kBoxExtra) + pad);
    invoke(nat::DRAW_RECT, box_w * 0.5f, box_h * 0.5f + y0, box_w, box_h, red, green, blue,
           static_cast<int>(settings.menu_transparent), false);
}

void drawTitleLine(const char* text) {
    drawMenuLine(text, settings.menu_width, kTitleMargin, kTitleTop, kTitleLeft, true, true);
}

void drawRowLine(const char* text, int index, RowStyle style) {
    const RowLayout& layout = kRowLayouts[static_cast<int>(style)];
    const float box_width = layout.wide_box ? settings.menu_width + 1.0f : settings.menu_width;
    drawMenuLine(text, box_width, layout.margin, rowTop(index), layout.left, layout.highlight, layout.heading);
}

}  // namespace tavrel
