// What the plug-in draws in one frame, and the text style and command being
// built, as the game's HUD text API keeps them.
#pragma once
#include <array>
#include <string>
#include <vector>

namespace tavrel::sim {

using Rgba = std::array<int, 4>;

// What the game's resolution query (GET_SCREEN_RESOLUTION) answers, whatever
// the display: the game lays its HUD out on a 1280 x 720 canvas and scales
// it. Text metrics are measured on that canvas too, so a scenario's
// `screen-size` changes the pictures and nothing the plug-in can see.
inline constexpr int kGameScreenWidth = 1280;
inline constexpr int kGameScreenHeight = 720;

// Font 4 of the game's HUD text: a condensed face.
inline constexpr int kCondensedFont = 4;

struct TextItem {
    std::string text;
    float x = 0.0f;  // normalised screen units
    float y = 0.0f;
    float scale = 1.0f;
    int font = 0;
    Rgba rgba{255, 255, 255, 255};
    bool centre = false;
};

struct RectItem {
    float x = 0.0f;  // centre, normalised
    float y = 0.0f;
    float w = 0.0f;
    float h = 0.0f;
    Rgba rgba{};
};

struct Drawing {
    std::vector<TextItem> texts;
    std::vector<RectItem> rects;
    void clear() {
        texts.clear();  // keeps capacity: no allocation in a steady frame
        rects.clear();
    }
};

// The style set with SET_TEXT_*; the game applies it to the next text
// command only and then returns to these defaults.
struct TextStyle {
    int font = 0;
    float scale = 1.0f;
    Rgba rgba{255, 255, 255, 255};
    bool centre = false;
};

enum class TextCommand { None, Display, LineCount, Feed };

}  // namespace tavrel::sim
