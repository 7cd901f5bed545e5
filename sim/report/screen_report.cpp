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

std::string screenSvg(const Drawing& drawing, int width, int height) {
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(width) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " + std::to_string(width) + " " +
                      std::to_string(height) + "\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#1c2026\"/>\n";
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
