// Screen natives: text style and text commands, rectangles, the screen
// resolution, text metrics and feed notifications.
#include <cmath>
#include <cstring>

#include "host/natives.h"
#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"
#include "sim/world/screen.h"

namespace tavrel::sim {

namespace {

// Text metrics. The game's fonts are not modelled: a line is 0.0373 of the
// screen height at scale 1, and an average glyph is half a line height wide
// on the game's 1280 x 720 canvas. Line counts wrap by characters at the
// right screen edge, not by words.
constexpr float kLineHeightAtScale1 = 0.0373f;
constexpr float kGlyphWidthPerHeight = 0.5f;
constexpr std::size_t kComponentChars = 99;  // a text component holds at most this many characters

void beginCommand(NativeCall& c, TextCommand kind) {
    c.sim.beginTextCommand(kind);
    // A format other than "STRING" is a text label; its text stands for itself.
    if (c.s(0) != nullptr && std::strcmp(c.s(0), "STRING") != 0) c.sim.addTextComponent(c.s(0));
}

int lineCount(const std::string& text, float x, float scale) {
    if (text.empty()) return 0;
    const float glyph = kGlyphWidthPerHeight * kLineHeightAtScale1 * scale * static_cast<float>(kGameScreenHeight) /
                        static_cast<float>(kGameScreenWidth);
    const float room = std::fmax(1.0f - x, glyph);
    const float lines = std::ceil(static_cast<float>(text.size()) * glyph / room);
    return lines < 1.0f ? 1 : static_cast<int>(lines);
}

const HandlerBinding kHandlers[] = {
    // [SECTION] Text style: applies to the next text command only
    {nat::SET_TEXT_FONT, [](NativeCall& c) { c.sim.textStyle().font = c.i(0); }},
    {nat::SET_TEXT_SCALE, [](NativeCall& c) { c.sim.textStyle().scale = c.f(1); }},
    {nat::SET_TEXT_COLOUR, [](NativeCall& c) { c.sim.textStyle().rgba = Rgba{c.i(0), c.i(1), c.i(2), c.i(3)}; }},
    {nat::SET_TEXT_CENTRE, [](NativeCall& c) { c.sim.textStyle().centre = c.b(0); }},
    // Shadows and outlines are not drawn by the simulator.
    {nat::SET_TEXT_DROPSHADOW, [](NativeCall&) {}},
    {nat::SET_TEXT_EDGE, [](NativeCall&) {}},

    // [SECTION] Text commands
    {nat::BEGIN_TEXT_COMMAND_DISPLAY_TEXT, [](NativeCall& c) { beginCommand(c, TextCommand::Display); }},
    {nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME,
     [](NativeCall& c) {
         if (c.s(0) != nullptr) c.sim.addTextComponent(std::string(c.s(0), strnlen(c.s(0), kComponentChars)).c_str());
     }},
    {nat::END_TEXT_COMMAND_DISPLAY_TEXT,
     [](NativeCall& c) {
         c.sim.drawText(c.sim.endTextCommand(TextCommand::Display), c.f(0), c.f(1));
         c.sim.textStyle() = TextStyle{};
     }},
    {nat::BEGIN_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING,
     [](NativeCall& c) { beginCommand(c, TextCommand::LineCount); }},
    {nat::END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING,
     [](NativeCall& c) {
         const std::string& text = c.sim.endTextCommand(TextCommand::LineCount);
         c.retInt(lineCount(text, c.f(0), c.sim.textStyle().scale));
         c.sim.textStyle() = TextStyle{};
     }},
    {nat::GET_RENDERED_CHARACTER_HEIGHT, [](NativeCall& c) { c.retFloat(kLineHeightAtScale1 * c.f(0)); }},
    {nat::BEGIN_TEXT_COMMAND_THEFEED_POST, [](NativeCall& c) { beginCommand(c, TextCommand::Feed); }},
    {nat::END_TEXT_COMMAND_THEFEED_POST_TICKER,
     [](NativeCall& c) {
         c.sim.postNotification(c.sim.endTextCommand(TextCommand::Feed));
         c.retInt(static_cast<int>(c.sim.notifications().size()));
     }},

    // [SECTION] Rectangles and the screen
    {nat::DRAW_RECT,
     [](NativeCall& c) {
         c.sim.drawRect(RectItem{c.f(0), c.f(1), c.f(2), c.f(3), Rgba{c.i(4), c.i(5), c.i(6), c.i(7)}});
     }},
    // The game answers its HUD canvas, not the display's size.
    {nat::GET_SCREEN_RESOLUTION,
     [](NativeCall& c) {
         int* w = c.out<int>(0);
         int* h = c.out<int>(1);
         if (w != nullptr) *w = kGameScreenWidth;
         if (h != nullptr) *h = kGameScreenHeight;
     }},
};

}  // namespace

std::span<const HandlerBinding> screenHandlers() { return kHandlers; }

}  // namespace tavrel::sim
