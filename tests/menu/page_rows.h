// The row table of the page row test (page_rows_test.cpp): one entry per
// row and action of a settings page, with what selecting or stepping it must
// show, sound, write and preview. The tables themselves live in
// page_rows_vehicle_table.cpp and page_rows_settings_table.cpp.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/simulator.h"

namespace tavrel::testing::rows {

enum class Key : std::uint8_t { Select, Left, Right };

// Where a row is: the main page entry (0 LOCKS ... 7 MENU UI SETTINGS), the
// row of the link to a nested page on that page (-1: none), the row index.
struct Place {
    int entry;
    int link;
    int row;
};

inline constexpr Place kLock{0, -1, 0};
inline constexpr Place kDoor{1, -1, 0};
inline constexpr Place kDoorsOpened{1, 0, 0};
inline constexpr Place kLight{2, -1, 0};
inline constexpr Place kNeon{2, 10, 0};
inline constexpr Place kSound{3, -1, 0};
inline constexpr Place kColourChanger{4, -1, 0};
inline constexpr Place kEngine{5, -1, 0};
inline constexpr Place kMisc{6, -1, 0};
inline constexpr Place kMenuUi{7, -1, 0};

inline Place row(Place page, int index) { return {page.entry, page.link, index}; }

using CarCheck = void (*)(sim::Simulator&, const sim::SimVehicle&);

struct RowCase {
    std::string name;
    Place at;
    Key key = Key::Select;
    std::string before;       // the selected row's text before the key press
    std::string after;        // ... and after it
    std::string section;      // of the one line written; empty: the file stays as it was
    std::string ini_key;
    std::string value;
    std::size_t sounds = 0;   // NAV_UP_DOWN played by the press
    std::uint32_t wait_ms = 0;  // the wait window after the press
    bool toggles_back = false;  // a second select restores the label and the file
    std::string lines;        // first lines of [Vehicle]: the starting values
    std::string hand_edit;    // the key's value put into the file just before the press
    std::uint64_t preview = 0;  // native the page calls on the tracked car; 0: none
    CarCheck check = nullptr;   // the car (or player) afterwards
};

inline void PrintTo(const RowCase& c, std::ostream* out) { *out << c.name; }

// [SECTION] Case builders

inline RowCase toggle(std::string name, Place at, const std::string& label, std::string section, std::string key) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.before = label + " [OFF]";
    c.after = label + " [ON]";
    c.section = std::move(section);
    c.ini_key = std::move(key);
    c.value = "1";
    c.sounds = 1;
    c.wait_ms = 200;
    c.toggles_back = true;
    return c;
}

inline RowCase step(std::string name, Place at, Key key, std::string before, std::string after, std::string section,
             std::string ini_key, std::string value, std::size_t sounds, std::uint32_t wait_ms) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.key = key;
    c.before = std::move(before);
    c.after = std::move(after);
    c.section = std::move(section);
    c.ini_key = std::move(ini_key);
    c.value = std::move(value);
    c.sounds = sounds;
    c.wait_ms = wait_ms;
    return c;
}

// A key that does nothing on this row: no write, no sound, the label kept.
inline RowCase idle(std::string name, Place at, Key key, std::string label, std::uint32_t wait_ms) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.key = key;
    c.before = label;
    c.after = std::move(label);
    c.wait_ms = wait_ms;
    return c;
}

// A link row: one sound, then the nested page with its first row selected
// and its first wait window of 150 ms.
inline RowCase linkRow(std::string name, Place at, std::string label, std::string nested_first_row) {
    RowCase c;
    c.name = std::move(name);
    c.at = at;
    c.before = std::move(label);
    c.after = std::move(nested_first_row);
    c.sounds = 1;
    c.wait_ms = 150;
    return c;
}

inline RowCase startingFrom(RowCase c, std::string lines) {
    c.lines = std::move(lines);
    return c;
}

// A step that cannot move: the file is hand-edited behind the page first, so
// that the page's rewrite of its own (unchanged) value shows in the file.
inline RowCase rewrittenOver(RowCase c, std::string hand_edit) {
    c.hand_edit = std::move(hand_edit);
    return c;
}

inline RowCase withPreview(RowCase c, std::uint64_t native, CarCheck check) {
    c.preview = native;
    c.check = check;
    return c;
}

// [SECTION] The tables

// Lock, door, doors opened at unlock, light and neon pages.
std::vector<RowCase> vehiclePageRows();
// Sound, colour changer, engine, misc and menu UI pages.
std::vector<RowCase> settingsPageRows();

}  // namespace tavrel::testing::rows
