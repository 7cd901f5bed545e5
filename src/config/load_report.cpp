#include "config/load_report.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "config/ini_store.h"
#include "config/load_rules.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "state/plugin_log.h"

namespace tavrel {

namespace {

// [SECTION] What each key may hold

enum class Kind : std::uint8_t { Bool, Int, Int8, Float, Text };

struct Range {
    double low;
    double high;
};

constexpr Range kAnyInt{-2147483648.0, 2147483647.0};

// The values a key is meant to hold, where they are narrower than its kind's
// (booleans 0 or 1; other integers any 32-bit value; the plate any text).
struct KeyRange {
    std::string_view key;
    Range range;
};

constexpr KeyRange kRanges[] = {
    {"light_multiplier", {-5, 9000000}},
    {"engine_on_after_unlocking", {0, 4}},
    {"headlights_at_movement", {0, 5}},
    {"interior_lights", {0, 4}},
    {"number_of_lock_flashes", {0, 900000}},
    {"number_of_unlock_flashes", {0, 900000}},
    {"lock_flash_interval", {0, 900000}},
    {"unlock_flash_interval", {0, 900000}},
    {"notification_sound_signal", {0, 2}},
    {"notification_sound_interval", {0, 900000}},
    {"horn_duration", {0, 900000}},
    {"notification_sound_times_when_locking", {0, 900000}},
    {"notification_sound_times_when_unlocking", {0, 900000}},
    {"neon_lights", {0, 4}},
    {"color_changer_speed_base_value", {0, 9000000}},
    {"color_changer_primary_color_speed", {0, 9000000}},
    {"color_changer_secondary_color_speed", {0, 9000000}},
    {"vehicle_speed_multiplier_value", {0, 9000000}},
    {"neon_notification", {0, 2}},
    {"neon_default_color", {0, 6}},
    {"horn_type_index", {-2, 65}},
    {"radio_station_index", {-1, 37}},
    {"max_distance_to_vehicle", {0, 900000}},
    // Keys: an 8-bit code above 127 turns negative and matches no key.
    {"lock", {-1, 127}},
    {"unlock", {-1, 127}},
    {"lock_2_optional", {-1, 254}},
    {"unlock_2_optional", {-1, 254}},
    {"menu_toggle_switch", {-1, 254}},
    {"menu_toggle_switch_2", {-1, 254}},
    {"menu_up", {-1, 254}},
    {"menu_down", {-1, 254}},
    {"menu_left", {-1, 254}},
    {"menu_right", {-1, 254}},
    {"menu_select", {-1, 254}},
    {"menu_back", {-1, 254}},
    {"menu_back2", {-1, 254}},
    // Read when the menu opens, which holds them inside.
    {"menu_size", {1, 10}},
    {"menu_width", {10, 10000}},
    {"menu_red", {0, 255}},
    {"menu_green", {0, 255}},
    {"menu_blue", {0, 255}},
    {"menu_transparent", {0, 255}},
    {"animation", {0, 3}},
};

Range rangeOf(std::string_view key, Kind kind) {
    for (const KeyRange& r : kRanges) {
        if (r.key == key) return r.range;
    }
    return kind == Kind::Bool ? Range{0, 1} : kAnyInt;
}

// [SECTION] Reading a value's text

// A whole number as a profile integer may be written (one sign, 0x / 0o / 0b
// or decimal digits, nothing after), held in a double (exact to 2^53, and
// far beyond every range). False for anything else.
bool wholeNumber(std::string_view text, double& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'o' || text[i + 1] == 'b')) {
        base = text[i + 1] == 'x' ? 16 : text[i + 1] == 'o' ? 8 : 2;
        i += 2;
    }
    if (i == text.size()) return false;
    double value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit = 99;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'z') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'Z') digit = c - 'A' + 10;
        if (digit >= base) return false;
        if (value < 1e15) value = value * base + digit;  // past that, far outside any range anyway
    }
    out = negative ? -value : value;
    return true;
}

// A decimal number with nothing after it.
bool decimalNumber(std::string_view text, double& out) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// [SECTION] One key

// A field's value after the load, as the file would hold it.
struct Now {
    Kind kind;
    double number = 0;
    const char* text = nullptr;
};

Now nowOf(bool v) { return {Kind::Bool, v ? 1.0 : 0.0}; }
Now nowOf(std::int32_t v) { return {Kind::Int, static_cast<double>(v)}; }
Now nowOf(std::int8_t v) { return {Kind::Int8, static_cast<double>(v)}; }
Now nowOf(float v) { return {Kind::Float, static_cast<double>(v)}; }
Now nowOf(const char (&v)[kPlateTextSize]) { return {Kind::Text, 0, v}; }

LogLine& operator<<(LogLine& line, double number) {
    const bool whole = number >= kAnyInt.low && number <= kAnyInt.high &&
                       number == static_cast<double>(static_cast<std::int32_t>(number));
    if (whole) return line << static_cast<std::int32_t>(number);
    return line << LogFixed{static_cast<float>(number), 1};
}

void tellNow(LogLine& line, bool by_menu, const Now& now, Range range) {
    if (by_menu) {
        line << ", the menu holds it to " << range.low << "..." << range.high;
    } else if (now.kind == Kind::Text) {
        line << ", now " << LogQuoted{now.text};
    } else {
        line << ", now " << now.number;
    }
}

struct KeyCheck {
    const char* section;
    const char* key;
    Now now;
    bool by_menu;  // read when the menu opens, not at the load (the table's read column)
};

// Tells a key that is there but unreadable, out of range or not taken as it
// stands. False when the key is missing (told with its section's others).
bool checkKey(const ini::IniDocument& doc, const KeyCheck& k) {
    const ini::IniKeySpan* found = ini::findKey(doc, k.section, k.key);
    if (found == nullptr) return false;
    const Range range = rangeOf(k.key, k.now.kind);
    const std::string_view text = ini::keyValue(doc, *found);
    if (k.now.kind == Kind::Text) {
        if (text.size() < kPlateTextSize) return true;
        LogLine line;
        line << "setting [" << k.section << "] " << k.key << ": longer than "
             << static_cast<std::int32_t>(kPlateTextSize - 1) << " characters, cut";
        tellNow(line, k.by_menu, k.now, range);
        return true;
    }
    double value = 0;
    const bool readable = k.now.kind == Kind::Float ? decimalNumber(text, value) : wholeNumber(text, value);
    const bool outside = readable && (value < range.low || value > range.high);
    // A number the load rule did not take as it stands (a keep rule, the
    // low byte, a fallback), the menu's keys aside.
    const bool changed = readable && !outside && !k.by_menu && value != k.now.number;
    if (readable && !outside && !changed) return true;
    LogLine line;
    line << "setting [" << k.section << "] " << k.key;
    if (text.empty()) {
        line << "=: empty, taken as missing";
    } else if (!readable) {
        line << "=" << LogQuoted{text} << ": not a " << (k.now.kind == Kind::Float ? "number" : "whole number");
        if (k.now.kind != Kind::Float) line << " (read as " << ini::profileIntFromText(text) << ")";
    } else if (outside) {
        line << "=" << text << ": out of range " << range.low << "..." << range.high;
    } else {
        line << "=" << text << ": not taken by its load rule";
    }
    tellNow(line, k.by_menu, k.now, range);
    return true;
}

// The keys of one section the file lacks, with the values used instead, a few
// lines of them at most.
void tellMissing(const KeyCheck* keys, const bool* missing, std::size_t count) {
    constexpr std::size_t kRoom = kLogLineSize - 60;  // a line ends before the next key would not fit
    std::size_t i = 0;
    while (i < count) {
        if (!missing[i]) {
            ++i;
            continue;
        }
        LogLine line;
        line << "settings missing in [" << keys[i].section << "], built-in values used:";
        for (; i < count && line.size() < kRoom; ++i) {
            if (!missing[i]) continue;
            line << " " << keys[i].key;
            if (keys[i].by_menu) line << " (read by the menu)";
            else if (keys[i].now.kind == Kind::Text) line << "=" << LogQuoted{keys[i].now.text};
            else line << "=" << keys[i].now.number;
        }
    }
}

// [SECTION] The file

// The bytes are valid UTF-8 (every sequence well formed, none overlong).
bool validUtf8(std::string_view b) {
    for (std::size_t i = 0; i < b.size();) {
        const auto c = static_cast<unsigned char>(b[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 && c >= 0xC2 ? 2 : (c >> 4) == 0xE ? 3
                              : (c >> 3) == 0x1E && c <= 0xF4 ? 4 : 0;
        if (n == 0 || i + n > b.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(b[i + k]) & 0xC0) != 0x80) return false;
        }
        i += n;
    }
    return true;
}

const char* encodingOf(const ini::IniDocument& doc) {
    if (doc.utf16) return "UTF-16LE with byte-order mark";
    const std::string_view b = doc.bytes;
    if (b.substr(0, 3) == "\xEF\xBB\xBF") return "UTF-8 with byte-order mark";
    bool ascii = true;
    for (char c : b) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return "ASCII";
    return validUtf8(b) ? "UTF-8" : "ANSI (not UTF-8)";
}

}  // namespace

void logSettingsLoad(const IniLoadNotes& notes) {
    if (!logOn()) return;
    if (notes.leftovers_removed > 0) {
        LogLine() << "removed " << static_cast<std::int32_t>(notes.leftovers_removed)
                  << " temporary file(s) of saves cut off by a crash, beside " << kIniPath;
    }
    const IniFileStatus status = lastIniFileStatus();
    if (!status.found || !status.read) {
        LogLine() << "settings file " << kIniPath << (status.found ? ": found but unreadable" : ": missing")
                  << "; built-in values, menu changes are not saved (Tavrel never creates the file)";
        return;
    }
    const ini::IniDocument& doc = lastIniDocument();
    {
        LogLine line;
        line << "settings file " << kIniPath << ": found, " << encodingOf(doc) << ", "
             << static_cast<std::uint64_t>(doc.sections.size()) << " sections, "
             << static_cast<std::uint64_t>(doc.keys.size()) << " keys";
        if (doc.cut) line << ", longer than 16 MiB: read to there, never rewritten";
        if (notes.recovered) line << ", put back at this load from a save cut off by a crash";
    }
#define TAVREL_KEY_CHECK(kind, section, field, initial, read, rule) \
    KeyCheck{section, #field, nowOf(settings.field), LoadRead::read == LoadRead::Menu},
    const KeyCheck keys[] = {TAVREL_SETTINGS_FIELDS(TAVREL_KEY_CHECK)};
#undef TAVREL_KEY_CHECK
    constexpr std::size_t kCount = sizeof keys / sizeof keys[0];
    bool missing[kCount];
    for (std::size_t i = 0; i < kCount; ++i) missing[i] = !checkKey(doc, keys[i]);
    // Then the missing ones, a section at a time: the table is in load order,
    // which goes back and forth between sections, so each section's keys are
    // gathered (in table order), the sections in the order they first come.
    KeyCheck section_keys[kCount];
    bool section_missing[kCount];
    for (std::size_t first = 0; first < kCount; ++first) {
        bool told = false;
        for (std::size_t j = 0; j < first && !told; ++j) told = std::strcmp(keys[j].section, keys[first].section) == 0;
        if (told) continue;
        std::size_t n = 0;
        for (std::size_t k = first; k < kCount; ++k) {
            if (std::strcmp(keys[k].section, keys[first].section) != 0) continue;
            section_keys[n] = keys[k];
            section_missing[n++] = missing[k];
        }
        tellMissing(section_keys, section_missing, n);
    }
}

}  // namespace tavrel
