// The plug-in in the simulator with the menu driven by its keys: the shared
// fixture of the menu tests.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "menu/menu.h"
#include "support/plugin_fixture.h"

namespace tavrel::testing {

// Navigation keys as bound in kMenuIni (numeric keypad).
inline constexpr std::uint32_t kVkUp = 104;
inline constexpr std::uint32_t kVkDown = 98;
inline constexpr std::uint32_t kVkLeft = 100;
inline constexpr std::uint32_t kVkRight = 102;
inline constexpr std::uint32_t kVkSelect = 101;
inline constexpr std::uint32_t kVkBack = 96;

inline constexpr const char* kNav = "NAV_UP_DOWN";

// A complete file: keys bound, appearance at the shipped values, a comment
// and CRLF line ends, so that tests can check edits happen in place.
inline std::string menuIni(const std::string& vehicle_extra = "", const std::string& menu_extra = "") {
    return "; Tavrel test configuration\r\n"
           "[Vehicle]\r\n" +
           vehicle_extra +
           "unbreakable_locks=0\r\nunbreakable_locks_for_player=0\r\nuse_players_last_vehicle=0\r\n"
           "can_leave_while_locked=0\r\nopen_doors_at_unlock_while_inside=0\r\nshut_doors_instantly=0\r\n"
           "alter_roof_on_convertibles=0\r\nroll_down_windows_upon_unlock=0\r\nroll_up_windows_upon_lock=0\r\n"
           "neon_affects_all_cars=0\r\nsequential_neon_lights=0\r\nallow_interior_lights_when_outside_locked=0\r\n"
           "headlights_when_locking=0\r\nmake_vehicle_belong_to_player=0\r\ncurrent_player_vehicle_blip=0\r\n"
           "current_player_vehicle_persistent=0\r\ncolor_change_can_pause=0\r\n"
           "light_multiplier=20\r\nengine_on_after_unlocking=0\r\nheadlights_at_movement=3\r\n"
           "neon_lights=1\r\nneon_notification=0\r\nneon_default_color=0\r\n"
           "color_changer_speed_base_value=500\r\ncolor_changer_primary_color_speed=2\r\n"
           "color_changer_secondary_color_speed=3\r\nvehicle_speed_multiplier_value=0\r\n"
           "lock_flash_interval=100\r\nunlock_flash_interval=0\r\n"
           "notification_sound_signal=0\r\n"
           "remote_control_fob_sound=0\r\n"
           "light_notification=0\r\n"
           "max_distance_to_vehicle=40\r\n"
           "interior_lights=1\r\n"
           "number_of_lock_flashes=2\r\n"
           "number_of_unlock_flashes=1\r\n"
           "notification_sound_times_when_unlocking=1\r\n"
           "notification_sound_times_when_locking=2\r\n"
           "notification_sound_interval=150\r\n"
           "horn_duration=80\r\n"
           "horn_type_index=-2\r\n"
           "radio_station_index=-1\r\n"
           "loud_radio_on=0\r\n"
           "open_door_hood=0\r\n"
           "open_door_trunk=0\r\n"
           "[Keys]\r\n"
           "menu_toggle_switch=120\r\n"
           "menu_toggle_switch_2=-1\r\n"
           "menu_up=104\r\nmenu_down=98\r\nmenu_left=100\r\nmenu_right=102\r\n"
           "menu_select=101\r\nmenu_back=96\r\nmenu_back2=8\r\n"
           "[Controller]\r\n"
           "activate_controller=0\r\n"
           "[Menu]\r\n"
           "game_input_disabled_while_menu_is_open=0\r\n" +
           menu_extra +
           "menu_size=5.0\r\n"
           "menu_width=350\r\n"
           "menu_red=60\r\n"
           "menu_green=104\r\n"
           "menu_blue=166\r\n"
           "menu_transparent=180\r\n"
           "[Animation]\r\n"
           "animation=0\r\n";
}

class MenuTest : public PluginTest {
protected:
    void startWith(const std::string& ini) {
        sandbox.writeIni(ini);
        resetMenuState();  // the menu state, as a fresh load has it
        sim.start();
    }

    // Taps the toggle; the menu opens in the frame of the release.
    void openMenu() { sim.tap(kVkF9); }

    // Lets every wait window run out (the page then polls every frame),
    // then presses `vk` for exactly one poll.
    void press(std::uint32_t vk) {
        sim.waitMs(250);
        sim.keyDown(vk);
        sim.runFrame();
        sim.keyUp(vk);
        sim.runFrame();
    }
    void pressTimes(std::uint32_t vk, int n) {
        for (int i = 0; i < n; ++i) press(vk);
    }
    void closeMenu() {
        sim.waitMs(250);
        sim.tap(kVkF9);
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& t : sim.lastDrawing().texts) out.push_back(t.text);
        return out;
    }
    std::string title() const { return texts().empty() ? std::string() : texts().front(); }
    // The selected row is drawn last.
    std::string selected() const { return texts().empty() ? std::string() : texts().back(); }
    // Row texts in row order (the selected one back in its place).
    std::vector<std::string> rows() const {
        std::vector<std::string> drawn = texts();
        if (drawn.size() < 2) return {};
        std::vector<std::pair<float, std::string>> by_top;
        const auto& items = sim.lastDrawing().texts;
        for (std::size_t i = 1; i < items.size(); ++i) by_top.emplace_back(items[i].y, items[i].text);
        std::stable_sort(by_top.begin(), by_top.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<std::string> out;
        for (const auto& [y, text] : by_top) out.push_back(text);
        return out;
    }

    std::size_t navSounds() const {
        return static_cast<std::size_t>(std::count_if(sim.sounds().begin(), sim.sounds().end(),
                                                      [](const sim::SoundEvent& e) { return e.name == kNav; }));
    }
    // Navigation sounds from now on.
    void markSounds() { sound_mark_ = navSounds(); }
    std::size_t newSounds() const { return navSounds() - sound_mark_; }

    // The value of `key` in the file ("" when absent).
    std::string iniValue(const std::string& key) const {
        const std::string ini = sandbox.readIni();
        const std::string needle = "\n" + key + "=";
        const std::size_t at = ini.find(needle);
        if (at == std::string::npos) return {};
        const std::size_t begin = at + needle.size();
        return ini.substr(begin, ini.find_first_of("\r\n", begin) - begin);
    }

    // Opens the main page entry `index` (0 LOCKS ... 7 MENU UI SETTINGS)
    // from the main page with LOCKS selected.
    void enterMain(int index) {
        pressTimes(kVkDown, index);
        press(kVkSelect);
    }

    std::size_t sound_mark_ = 0;
};

}  // namespace tavrel::testing
