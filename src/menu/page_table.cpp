#include "menu/page_table.h"

#include <new>
#include <type_traits>

#include "config/persistence.h"
#include "config/settings.h"
#include "menu/menu.h"
#include "menu/menu_values.h"
#include "menu/page_loop.h"

namespace tavrel {

namespace {

static_assert(std::is_trivially_destructible_v<MenuRow>, "buildRowLabels builds rows over old ones");

bool isValueRow(const PageRow& row) { return row.kind == RowKind::Number || row.kind == RowKind::Choice; }

// The toggle pointer MenuRow carries for its [ON] / [OFF] suffix.
bool* shownToggle(const PageRow& row) {
    return row.kind == RowKind::Switch ? &(settings.*row.flag->field) : nullptr;
}

// Writes the new state (1 or 0) and flips the setting; the follow-up sees
// the new value.
void flipSwitch(const PageRow& row) {
    bool& flag = settings.*row.flag->field;
    writeIntSetting(*row.flag, flag ? 0 : 1);
    flag = !flag;
    if (row.follow_up != nullptr) row.follow_up();
}

}  // namespace

MenuText renderRow(const PageRow& row) {
    if (row.render != nullptr) return row.render(row);
    switch (row.kind) {
        case RowKind::Number:
            return formatNumberLabel(row.label, settings.*row.number->field, row.unit,
                                     static_cast<std::int32_t>(row.range.high));
        case RowKind::Choice: return formatChoiceLabel(*row.choices, settings.*row.number->field);
        default: return makeMenuText(row.label);
    }
}

// Each shown row is built in place: the renderer's result is constructed
// straight into the page (a MenuRow is trivially destructible, so building
// over the old one ends it), instead of a 144-byte temporary copied over.
void buildRowLabels(MenuPage& page) {
    const RowTable table = page.table;  // a copy, so the writes into the page do not make it reload
    for (int i = 0; i < table.size(); ++i) new (&page.shown[i]) MenuRow{renderRow(table[i]), shownToggle(table[i])};
}

void selectPageRow(MenuPage& page, int index) {
    if (index < 0 || index >= page.table.size()) return;
    const PageRow& row = page.table[index];
    switch (row.kind) {
        case RowKind::Switch:
            if (page.switch_sound_first) playNavigationSound();
            flipSwitch(row);
            if (!page.switch_sound_first) playNavigationSound();
            break;
        case RowKind::Link:
            playNavigationSound();
            enterPage(*row.nested);
            break;
        case RowKind::Action: row.action(); break;
        case RowKind::Number:
        case RowKind::Choice:  // the generic select action, which finds no toggle to flip on a value row
            selectWithoutAction(page.shown[index]);
            break;
    }
}

Tick stepPageRow(MenuPage& page, int index, int direction) {
    if (index < 0 || index >= page.table.size() || !isValueRow(page.table[index])) return page.idle_sideways_wait;
    const PageRow& row = page.table[index];
    if (row.step != nullptr) {
        row.step(row, direction);
    } else {
        stepInteger(row, direction);
    }
    page.shown[index].label = renderRow(row);
    if (row.follow_up != nullptr) row.follow_up();
    return direction < 0 ? row.wait.left : row.wait.right;
}

void enterPage(MenuPage& page) {
    menu_state.current_page = page.number;
    if (page.reload != nullptr) page.reload();
    buildRowLabels(page);
    runPageLoop(page);
}

ClampedValue clampCandidate(std::int64_t candidate, std::int32_t low, std::int32_t high) {
    if (candidate > high) return {high, false};
    if (candidate >= low) return {static_cast<std::int32_t>(candidate), true};
    return {low, false};
}

void stepInteger(const PageRow& row, int direction) {
    std::int32_t& value = settings.*row.number->field;
    const auto step = static_cast<std::int64_t>(row.range.step);
    const ClampedValue next = clampCandidate(static_cast<std::int64_t>(value) + direction * step,
                                             static_cast<std::int32_t>(row.range.low),
                                             static_cast<std::int32_t>(row.range.high));
    if (next.inside) playNavigationSound();
    value = next.value;
    writeIntSetting(*row.number, value);
}

}  // namespace tavrel
