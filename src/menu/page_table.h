// A settings page as a table: one PageRow per row holds everything about
// that row (label, kind, the setting it shows with its INI key, bounds, step,
// the wait after a step, renderer and follow-up), and MenuPage holds the
// table with what the page does beyond it. One generic loop (page_loop.h)
// runs every page, so adding or moving a row touches one table entry.
// Menu fibre only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "config/setting_keys.h"
#include "host/ticks.h"
#include "menu/menu_draw.h"
#include "menu/menu_text.h"

namespace tavrel {

// Wait windows, ms: the repeat rate of held navigation keys.
inline constexpr Tick kMenuRepeatMs = 150;
inline constexpr Tick kSelectWaitMs = 200;
inline constexpr Tick kNextFrameMs = 0;

enum class RowKind : std::uint8_t {
    Switch,  // select: writes the new state, flips the setting, follow-up, sound
    Number,  // left / right: steps the setting; drawn by formatNumberLabel
    Choice,  // left / right: steps the setting; drawn by formatChoiceLabel
    Link,    // select: sound, then the nested page until it returns
    Action,  // select: the page's own action
};

// A value row's bounds and step. Double holds every int32 and every float
// bound exactly, so integer and float rows share it.
struct StepRange {
    double low = 0;
    double high = 0;
    double step = 1;
};

// The wait window after a step: the row's repeat rate while left or right is
// held (it may differ by direction).
struct StepWait {
    Tick left = kMenuRepeatMs;
    Tick right = kMenuRepeatMs;
};
constexpr StepWait waitAfterStep(Tick both) { return {both, both}; }

struct MenuPage;

// The rows a page can hold (the light page has 11): each page keeps its
// shown rows in itself, so none is allocated.
inline constexpr int kMaxPageRows = 11;

struct PageRow {
    RowKind kind = RowKind::Action;
    const char* label = "";  // a Switch, Link or Action row's text; a Number row's name
    const char* unit = "";   // Number: after the value (" m", " ms")

    // The setting the row shows and writes, by kind: flag for a Switch,
    // number for a Number or Choice, fraction for a float row.
    const SettingKey<bool>* flag = nullptr;
    const SettingKey<std::int32_t>* number = nullptr;
    const SettingKey<float>* fraction = nullptr;

    StepRange range{};             // Number, Choice
    StepWait wait{};               // Number, Choice
    const ChoiceLabels* choices = nullptr;  // Choice, unless it has its own renderer

    // Own behaviour, where the row has any; null means the kind's default.
    MenuText (*render)(const PageRow& row) = nullptr;     // the row's full text
    void (*step)(const PageRow& row, int direction) = nullptr;  // stores and writes the new value
    void (*follow_up)() = nullptr;  // after a change: a preview on the car, a note for the lock sequence
    MenuPage* nested = nullptr;        // Link
    void (*action)() = nullptr;        // Action

    // A row the page's Reset action puts back to reset_value (found by this
    // mark, not by its place in the table).
    bool resets = false;
    double reset_value = 0;
};

// Every row carries what its kind needs, and a choice row's bounds cover
// exactly its named choices. (The page a link row opens is defined in
// another file, so its address is no constant to test.)
template <std::size_t N>
constexpr bool wellFormedRows(const PageRow (&table)[N]) {
    for (const PageRow& row : table) {
        switch (row.kind) {
            case RowKind::Switch:
                if (row.flag == nullptr) return false;
                break;
            case RowKind::Number:
            case RowKind::Choice:
                if (row.number == nullptr && row.fraction == nullptr) return false;
                if (row.number == nullptr && (row.step == nullptr || row.render == nullptr)) return false;
                if (row.range.low > row.range.high || row.range.step <= 0) return false;
                if (row.kind == RowKind::Choice && row.render == nullptr &&
                    (row.choices == nullptr || row.range.step != 1 || row.range.low != row.choices->low ||
                     row.range.high != row.choices->low + row.choices->count - 1)) {
                    return false;
                }
                break;
            case RowKind::Link: break;  // its page's address cannot be tested at compile time
            case RowKind::Action:
                if (row.action == nullptr) return false;
                break;
        }
    }
    return true;
}

// The rows of a page, checked when the page is compiled: every row carries
// what its kind needs, and a choice row's bounds cover exactly its named
// choices (a table that fails does not compile).
class RowTable {
public:
    template <std::size_t N>
    consteval RowTable(const PageRow (&table)[N]) : entries_(table), count_(static_cast<int>(N)) {  // NOLINT: implicit
        static_assert(N <= kMaxPageRows, "a page has at most kMaxPageRows rows");
        if (!wellFormedRows(table)) throw "a row of this table lacks what its kind needs";
    }
    constexpr const PageRow& operator[](int index) const { return entries_[index]; }
    constexpr int size() const { return count_; }

private:
    const PageRow* entries_;
    int count_;
};

struct MenuPage {
    std::int32_t number;
    std::int32_t parent;
    const char* title;
    RowTable table;  // what each row is
    RowStyle selected_style = RowStyle::Selected;  // how the selected row is drawn
    bool toggle_column = true;        // labels padded to the [ON]/[OFF] column (formatToggleLabel)
    bool right_first = false;         // right is tested before left
    bool reads_select = true;         // false: the select input is not even read
    bool reads_sideways = true;       // false: neither left nor right is read
    bool switch_sound_first = false;  // a Switch plays its sound before the write
    Tick idle_sideways_wait = kNextFrameMs;  // left / right on a row that does not step
    void (*reload)() = nullptr;       // on entry, before the labels: values re-read from the INI file

    // Kept for the life of the plug-in (resetMenuState alone clears them).
    MenuRow shown[kMaxPageRows] = {};  // what each row shows: its label as last built
    int selected = 0;                  // the selected row, kept across visits
};

// The row's text from the current value of its setting.
MenuText renderRow(const PageRow& row);

// Every row's label rebuilt from the current values (page entry).
void buildRowLabels(MenuPage& page);

// Select on row `index`: the action of its kind.
void selectPageRow(MenuPage& page, int index);

// Left (-1) or right (+1) on row `index`; returns the next wait window.
Tick stepPageRow(MenuPage& page, int index, int direction);

// Marks the page current, reloads what it re-reads, builds its labels and
// runs its loop until back or the menu toggle.
void enterPage(MenuPage& page);

// The default step of an integer row: one step, clamped into the row's
// bounds (the sound only when the candidate lands inside, no wrap), stored
// and written (also when it did not move).
void stepInteger(const PageRow& row, int direction);

// The clamp of a candidate without side effects: the stored value and
// whether the candidate was inside (the sound plays exactly then).
struct ClampedValue {
    std::int32_t value;
    bool inside;
};
ClampedValue clampCandidate(std::int64_t candidate, std::int32_t low, std::int32_t high);

}  // namespace tavrel
