// Every row of every settings page, one table entry per row and action: the
// row is selected or stepped, then its label before and after, the
// navigation sounds it played, the one line of the file it changed (key,
// value and section, in place), the wait until the page reads input again
// and, where the row has one, its preview on the tracked car are checked.
// A row wired to the wrong key, field, bounds, step, wait or preview fails
// here by name. The tables are in page_rows_vehicle_table.cpp and
// page_rows_settings_table.cpp.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "menu/menu.h"
#include "menu_fixture.h"
#include "page_rows.h"
#include "state/runtime_state.h"

namespace tavrel::testing {
namespace {

using rows::Key;
using rows::RowCase;

std::vector<RowCase> allRows() {
    std::vector<RowCase> out = rows::vehiclePageRows();
    for (RowCase& c : rows::settingsPageRows()) out.push_back(std::move(c));
    return out;
}

// [SECTION] Reading the file and the trace

// The doors of the nested page that menuIni leaves out, so that every write
// lands on an existing line.
constexpr const char* kDoorLines =
    "open_door_front_left=0\r\nopen_door_front_right=0\r\nopen_door_back_left=0\r\nopen_door_back_right=0\r\n"
    "open_door_back1=0\r\nopen_door_back2=0\r\n";

struct ChangedLine {
    std::string section;
    std::string text;
};

// The lines of `after` that differ from `before`, with the section each sits
// in; the two must have the same number of lines (written in place).
std::vector<ChangedLine> changedLines(const std::string& before, const std::string& after) {
    std::vector<std::string> old_lines;
    std::vector<std::string> new_lines;
    std::stringstream old_in(before);
    std::stringstream new_in(after);
    for (std::string line; std::getline(old_in, line);) old_lines.push_back(line);
    for (std::string line; std::getline(new_in, line);) new_lines.push_back(line);
    std::vector<ChangedLine> out;
    if (old_lines.size() != new_lines.size()) {
        out.push_back({"", "the number of lines changed"});
        return out;
    }
    std::string section;
    for (std::size_t i = 0; i < new_lines.size(); ++i) {
        std::string text = new_lines[i];
        if (!text.empty() && text.back() == '\r') text.pop_back();
        if (!text.empty() && text.front() == '[') section = text.substr(1, text.find(']') - 1);
        if (new_lines[i] != old_lines[i]) out.push_back({section, text});
    }
    return out;
}

// Natives by which a page changes the car or the player.
constexpr std::uint64_t kPreviewNatives[] = {
    nat::SET_VEHICLE_INTERIORLIGHT, nat::SET_VEHICLE_LIGHTS,    nat::SET_VEHICLE_LIGHT_MULTIPLIER,
    nat::SET_VEHICLE_NEON_ENABLED,  nat::SET_VEHICLE_NEON_COLOUR, nat::SET_VEHICLE_MOD,
    nat::SET_VEH_RADIO_STATION,     nat::SET_VEHICLE_RADIO_LOUD,  nat::SET_VEHICLE_RADIO_ENABLED,
    nat::SET_VEH_FORCED_RADIO_THIS_FRAME, nat::SET_PLAYER_CONTROL,
};

bool isPreviewNative(std::uint64_t hash) {
    for (std::uint64_t h : kPreviewNatives) {
        if (h == hash) return true;
    }
    return false;
}

class PageRows : public MenuTest, public ::testing::WithParamInterface<RowCase> {
protected:
    std::uint32_t vkOf(Key key) const {
        switch (key) {
            case Key::Select: return kVkSelect;
            case Key::Left: return kVkLeft;
            case Key::Right: return kVkRight;
        }
        return kVkSelect;
    }

    // Like press(), but returns the tick of the frame that acted on the key
    // and leaves the next frame to the caller.
    std::uint32_t pressAndStamp(std::uint32_t vk) {
        sim.waitMs(250);
        sim.keyDown(vk);
        sim.runFrame();
        const std::uint32_t acted = sim.now() - sim.frameMs();
        sim.keyUp(vk);
        return acted;
    }

    // Holds down from now on: ms from `acted` to the frame in which the page
    // read input again (its down plays the navigation sound); 0 if it never
    // did within 400 ms. Measured with 1 ms frames, to the millisecond.
    std::uint32_t msUntilNextPoll(std::uint32_t acted) {
        const std::size_t mark = navSounds();
        const std::uint32_t frame_ms = sim.frameMs();
        sim.setFrameMs(1);
        sim.keyDown(kVkDown);
        std::uint32_t polled = 0;
        while (polled == 0 && sim.now() - acted < 400) {
            sim.runFrame();
            if (navSounds() > mark) polled = sim.now() - sim.frameMs();
        }
        sim.keyUp(kVkDown);
        sim.setFrameMs(frame_ms);
        sim.runFrame();
        return polled == 0 ? 0 : polled - acted;
    }

    // Calls of the preview natives made by the menu fibre since `mark`.
    std::vector<sim::TraceEntry> previewCalls(std::size_t mark) const {
        std::vector<sim::TraceEntry> out;
        const auto& trace = sim.trace();
        for (std::size_t i = mark; i < trace.size(); ++i) {
            if (trace[i].fibre == "menu" && isPreviewNative(trace[i].hash)) out.push_back(trace[i]);
        }
        return out;
    }
};

TEST_P(PageRows, SelectOrStepShowsSoundsWritesAndPreviews) {
    const RowCase& c = GetParam();
    startWith(menuIni(c.lines + kDoorLines));
    sim::SimVehicle& car = sim.world().addVehicle(7, sim::VehicleKind::Car, {3, 0, 0});
    car.mod_kit = 0;
    car.primary = sim::Rgb{10, 20, 30};
    runtime.tracked_vehicle = car.handle;

    openMenu();
    enterMain(c.at.entry);
    if (c.at.link >= 0) {
        pressTimes(kVkDown, c.at.link);
        press(kVkSelect);
    }
    pressTimes(kVkDown, c.at.row);
    ASSERT_EQ(selected(), c.before) << "the row before";

    if (!c.hand_edit.empty()) {
        std::string ini = sandbox.readIni();
        const std::string needle = "\n" + c.ini_key + "=";
        const std::size_t at = ini.find(needle);
        ASSERT_NE(at, std::string::npos);
        const std::size_t begin = at + needle.size();
        ini.replace(begin, ini.find('\r', begin) - begin, c.hand_edit);
        sandbox.writeIni(ini);
    }
    const std::string file_before = sandbox.readIni();
    const std::uint32_t vk = vkOf(c.key);
    markSounds();
    const std::size_t trace_mark = sim.trace().size();
    std::uint32_t acted = pressAndStamp(vk);

    EXPECT_EQ(selected(), c.after) << "the label after";
    EXPECT_EQ(newSounds(), c.sounds) << "navigation sounds";
    const std::vector<ChangedLine> changed = changedLines(file_before, sandbox.readIni());
    if (c.section.empty()) {
        EXPECT_TRUE(changed.empty()) << "nothing written";
    } else {
        ASSERT_EQ(changed.size(), 1u) << "exactly one line written, in place";
        EXPECT_EQ(changed[0].section, c.section);
        EXPECT_EQ(changed[0].text, c.ini_key + "=" + c.value);
    }

    const std::vector<sim::TraceEntry> calls = previewCalls(trace_mark);
    if (c.preview == 0) {
        EXPECT_TRUE(calls.empty()) << "no preview on this row; first: " << (calls.empty() ? "" : calls[0].name);
    } else {
        std::size_t previews = 0;
        for (const sim::TraceEntry& e : calls) {
            if (e.hash != c.preview) continue;
            ++previews;
            if (c.preview != nat::SET_PLAYER_CONTROL) {
                ASSERT_FALSE(e.args.empty());
                EXPECT_EQ(e.args[0].value, car.handle) << "previewed on the tracked car";
            }
        }
        EXPECT_GE(previews, 1u) << "the row's preview";
    }
    if (c.check != nullptr) c.check(sim, car);

    if (c.toggles_back) {
        markSounds();
        acted = pressAndStamp(vk);
        EXPECT_EQ(selected(), c.before) << "the second select switches back";
        EXPECT_EQ(newSounds(), c.sounds);
        EXPECT_EQ(sandbox.readIni(), file_before) << "and writes the old value back in place";
    }
    // The press's frame lasts a whole frame; after it the page reads input
    // again in the first millisecond past its wait window.
    const std::uint32_t waited = msUntilNextPoll(acted);
    EXPECT_EQ(waited, std::max(c.wait_ms + 1, sim.frameMs())) << "the wait window after the press";
}

// Without a tracked car the rows with a preview still step and write, and
// the previews touch nothing (the horn's is skipped, the others go to handle
// 0, which the game ignores): no fault.
TEST_F(MenuTest, PreviewRowsWithoutATrackedCarStepAndWriteOnly) {
    startWith(menuIni());  // no car in the world
    openMenu();
    enterMain(2);          // LIGHTS
    press(kVkRight);       // interior lights 1 -> 2
    pressTimes(kVkUp, 2);  // headlight multiplier
    press(kVkRight);
    press(kVkDown);  // the neon link
    press(kVkSelect);
    press(kVkRight);  // neon mode 1 -> 2
    press(kVkBack);
    press(kVkBack);
    press(kVkDown);  // from LIGHTS to SOUNDS
    press(kVkSelect);
    ASSERT_EQ(title(), "SOUND  SETTINGS");
    press(kVkRight);  // horn -2 -> -1
    EXPECT_EQ(iniValue("interior_lights"), "2");
    EXPECT_EQ(iniValue("light_multiplier"), "21");
    EXPECT_EQ(iniValue("neon_lights"), "2");
    EXPECT_EQ(iniValue("horn_type_index"), "-1");
    EXPECT_EQ(sim.countCalls(nat::SET_VEHICLE_MOD), 0u) << "no car, no horn to fit";
}

INSTANTIATE_TEST_SUITE_P(EveryRow, PageRows, ::testing::ValuesIn(allRows()),
                         [](const ::testing::TestParamInfo<RowCase>& p) { return p.param.name; });

}  // namespace
}  // namespace tavrel::testing
