#include <cstdio>

#include "sim/report/json_writer.h"
#include "sim/report/reports.h"

namespace tavrel::sim {

namespace {

void writeRgba(JsonWriter& j, const Rgba& c) { j.beginArray().value(c[0]).value(c[1]).value(c[2]).value(c[3]).endArray(); }

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            // The HUD font has no tab stops: a tab advances as a space does.
            case '\t': out.push_back(' '); break;
            default: out.push_back(c);
        }
    }
    return out;
}

// Font 4 is the game's condensed face; the picture asks for a condensed face
// of its own (DejaVu Sans Condensed is in Debian's fonts-dejavu-extra), so
// that a label that fits its box in the game fits in the picture. The other
// fonts are drawn as plain sans-serif.
std::string fontAttributes(int font) {
    if (font == kCondensedFont) {
        return " font-family=\"'DejaVu Sans Condensed', 'Liberation Sans Narrow', 'Arial Narrow', sans-serif\""
               " font-stretch=\"condensed\"";
    }
    return " font-family=\"sans-serif\"";
}

int channel(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Pixels with one decimal.
std::string px(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
    return buf;
}

// The map's corner, as the game lays it out on its HUD (fractions of the
// screen), and the metres from its centre to its side.
constexpr float kMapLeft = 0.015f;
constexpr float kMapTop = 0.77f;
constexpr float kMapWidth = 0.14f;
constexpr float kMapHeight = 0.19f;
constexpr float kMapRangeM = 100.0f;

// The game's blip colours by number; others are drawn grey.
std::string blipFill(int colour) {
    switch (colour) {
        case 0: return "rgb(240,240,240)";  // white
        case 1: return "rgb(224,50,50)";    // red, a new blip's
        case 2: return "rgb(114,204,114)";  // green
        case 3: return "rgb(93,182,229)";   // blue
        case 5: return "rgb(240,200,80)";   // yellow
        default: return "rgb(150,150,150)";
    }
}

// The map corner with the player at its centre (north up) and every blip in
// its colour, pushed to the edge when out of range; nothing without blips.
std::string mapCorner(World& world, float w, float h) {
    if (world.blips.empty()) return {};
    const float left = kMapLeft * w;
    const float top = kMapTop * h;
    const float width = kMapWidth * w;
    const float height = kMapHeight * h;
    const float cx = left + width * 0.5f;
    const float cy = top + height * 0.5f;
    std::string svg = "<rect x=\"" + px(left) + "\" y=\"" + px(top) + "\" width=\"" + px(width) + "\" height=\"" +
                      px(height) + "\" fill=\"rgb(40,60,50)\" fill-opacity=\"0.85\"/>\n";
    const float dot = height * 0.04f;
    svg += "<circle cx=\"" + px(cx) + "\" cy=\"" + px(cy) + "\" r=\"" + px(dot) + "\" fill=\"#ffffff\"/>\n";
    const Vec3 player = world.position(world.player.handle);
    for (const SimBlip& b : world.blips) {
        const Vec3 at = world.position(b.entity);
        const auto clamp = [](float v) { return v < -1.0f ? -1.0f : (v > 1.0f ? 1.0f : v); };
        const float x = cx + clamp((at.x - player.x) / kMapRangeM) * (width * 0.5f - dot);
        const float y = cy - clamp((at.y - player.y) / kMapRangeM) * (height * 0.5f - dot);
        svg += "<circle cx=\"" + px(x) + "\" cy=\"" + px(y) + "\" r=\"" + px(dot * 1.5f) + "\" fill=\"" +
               blipFill(b.colour) + "\"><title>blip sprite " + std::to_string(b.sprite) + ", colour " +
               std::to_string(b.colour) + "</title></circle>\n";
    }
    return svg;
}

}  // namespace

std::string screenJson(const Drawing& drawing) {
    JsonWriter j;
    j.beginObject();
    j.key("texts").beginArray();
    for (const TextItem& t : drawing.texts) {
        j.beginObject();
        j.key("text").value(t.text);
        j.key("x").value(t.x).key("y").value(t.y);
        j.key("scale").value(t.scale);
        j.key("font").value(t.font);
        j.key("rgba");
        writeRgba(j, t.rgba);
        j.key("centre").value(t.centre);
        j.endObject();
    }
    j.endArray();
    j.key("rects").beginArray();
    for (const RectItem& r : drawing.rects) {
        j.beginObject();
        j.key("x").value(r.x).key("y").value(r.y).key("w").value(r.w).key("h").value(r.h);
        j.key("rgba");
        writeRgba(j, r.rgba);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    return j.str();
}

std::string screenSvg(const Drawing& drawing, int width, int height, World* world) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#1c2026\"/>\n";
    if (world != nullptr) svg += mapCorner(*world, w, h);
    // The game draws HUD text over rectangles, whatever the call order.
    for (const RectItem& r : drawing.rects) {
        char colour[64];
        std::snprintf(colour, sizeof colour, "rgb(%d,%d,%d)\" fill-opacity=\"%.3f", channel(r.rgba[0]),
                      channel(r.rgba[1]), channel(r.rgba[2]), channel(r.rgba[3]) / 255.0);
        svg += "<rect x=\"" + px((r.x - r.w * 0.5f) * w) + "\" y=\"" + px((r.y - r.h * 0.5f) * h) + "\" width=\"" +
               px(r.w * w) + "\" height=\"" + px(r.h * h) + "\" fill=\"" + colour + "\"/>\n";
    }
    for (const TextItem& t : drawing.texts) {
        // Same metrics as the line-height native: 0.0373 of the height at scale 1.
        const float size = 0.0373f * t.scale * h * 0.85f;
        // Runs of spaces are kept, as the game draws them (labels are padded
        // with spaces to line up their switches).
        svg += "<text xml:space=\"preserve\" style=\"white-space:pre\" x=\"" + px(t.x * w) + "\" y=\"" +
               px(t.y * h + size) + "\"" + fontAttributes(t.font) + " font-size=\"" + px(size) + "\" fill=\"#ffffff\"" +
               (t.centre ? " text-anchor=\"middle\"" : "") + ">" + xmlEscaped(t.text) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace tavrel::sim
