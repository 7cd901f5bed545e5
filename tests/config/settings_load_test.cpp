// The full load (reloadSettings) from real files in a
// temporary directory: the missing file, every load rule across two loads,
// damaged files and the shipped default file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "config/ini_store.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "support/temp_dir.h"

namespace tavrel {
namespace {

using testing::kIniFile;
using testing::readBytes;
using testing::TempDirTest;
using testing::writeBytes;

void fullLoad() {
    reloadSettings();
}

struct FieldCheck {
    const char* name;
    long long actual;
    long long expected;
};
#define CHECK_FIELD(field, value) FieldCheck{#field, static_cast<long long>(settings.field), value}

class MissingFile : public TempDirTest {};

TEST_F(MissingFile, EveryFieldTakesItsAbsentValue) {
    fullLoad();
    const FieldCheck checks[] = {
        // as loaded: -1
        CHECK_FIELD(engine_on_after_unlocking, -1), CHECK_FIELD(headlights_at_movement, -1),
        CHECK_FIELD(nearby_peds_value, -1), CHECK_FIELD(notification_sound_signal, -1), CHECK_FIELD(neon_lights, -1),
        CHECK_FIELD(color_changer_speed_base_value, -1), CHECK_FIELD(set_plate_text_on, -1),
        CHECK_FIELD(neon_notification, -1), CHECK_FIELD(neon_default_color, -1), CHECK_FIELD(horn_type_index, -1),
        CHECK_FIELD(radio_station_index, -1), CHECK_FIELD(animation, -1), CHECK_FIELD(lock, -1),
        CHECK_FIELD(unlock, -1), CHECK_FIELD(lock_2_optional, -1), CHECK_FIELD(unlock_2_optional, -1),
        CHECK_FIELD(menu_toggle_switch, -1), CHECK_FIELD(menu_toggle_switch_2, -1), CHECK_FIELD(menu_up, -1),
        CHECK_FIELD(menu_down, -1), CHECK_FIELD(menu_left, -1), CHECK_FIELD(menu_right, -1),
        CHECK_FIELD(menu_select, -1), CHECK_FIELD(menu_back, -1), CHECK_FIELD(menu_back2, -1),
        CHECK_FIELD(controller_lock_1_of_2, -1), CHECK_FIELD(controller_lock_2_of_2, -1),
        CHECK_FIELD(controller_unlock_1_of_2, -1), CHECK_FIELD(controller_unlock_2_of_2, -1),
        // positive (readIntSetting gives -99): false
        CHECK_FIELD(current_player_vehicle_blip, 0), CHECK_FIELD(current_player_vehicle_persistent, 0),
        CHECK_FIELD(headlights_when_locking, 0), CHECK_FIELD(remote_control_fob_sound, 0),
        CHECK_FIELD(loud_radio_on, 0), CHECK_FIELD(open_door_front_left, 0), CHECK_FIELD(open_door_back2, 0),
        CHECK_FIELD(roll_down_windows_upon_unlock, 0), CHECK_FIELD(roll_up_windows_upon_lock, 0),
        CHECK_FIELD(sequential_neon_lights, 0), CHECK_FIELD(allow_interior_lights_when_outside_locked, 0),
        CHECK_FIELD(game_input_disabled_while_menu_is_open, 0),
        // non-zero: true; equals-one: false
        CHECK_FIELD(light_notification, 1), CHECK_FIELD(make_vehicle_belong_to_player, 1),
        CHECK_FIELD(shut_doors_instantly, 1), CHECK_FIELD(color_change_can_pause, 1),
        CHECK_FIELD(unbreakable_locks_for_player, 1), CHECK_FIELD(activate_controller, 1),
        CHECK_FIELD(can_leave_while_locked, 0), CHECK_FIELD(use_players_last_vehicle, 0),
        CHECK_FIELD(unbreakable_locks, 0), CHECK_FIELD(open_doors_at_unlock_while_inside, 0),
        CHECK_FIELD(alter_roof_on_convertibles, 0),
        // interior mode, negative-is-20, negative-is-zero, neon-all
        CHECK_FIELD(interior_lights, 1), CHECK_FIELD(light_multiplier, 20),
        CHECK_FIELD(color_changer_primary_color_speed, 0), CHECK_FIELD(color_changer_secondary_color_speed, 0),
        CHECK_FIELD(vehicle_speed_multiplier_value, 0), CHECK_FIELD(neon_affects_all_cars, 0),
        // keep rules: initial values
        CHECK_FIELD(number_of_lock_flashes, 0), CHECK_FIELD(number_of_unlock_flashes, 0),
        CHECK_FIELD(lock_flash_interval, 0), CHECK_FIELD(unlock_flash_interval, 0),
        CHECK_FIELD(notification_sound_interval, 0), CHECK_FIELD(horn_duration, 10),
        CHECK_FIELD(notification_sound_times_when_locking, 0), CHECK_FIELD(notification_sound_times_when_unlocking, 0),
        CHECK_FIELD(max_distance_to_vehicle, 40), CHECK_FIELD(max_distance_to_vehicle_from_ground, 30),
        // controller menu controls through readIntSetting: -99
        CHECK_FIELD(controller_menu_toggle_switch_1_of_2, -99), CHECK_FIELD(controller_menu_toggle_switch_2_of_2, -99),
        CHECK_FIELD(controller_menu_up, -99), CHECK_FIELD(controller_menu_down, -99),
        CHECK_FIELD(controller_menu_left, -99), CHECK_FIELD(controller_menu_right, -99),
        CHECK_FIELD(controller_menu_select, -99), CHECK_FIELD(controller_menu_back, -99),
    };
    for (const FieldCheck& c : checks) EXPECT_EQ(c.actual, c.expected) << c.name;
    EXPECT_STREQ(settings.set_vehicle_license_plate_text, "Error: GPPS failed");
    EXPECT_EQ(settings.menu_size, 5.0f);  // menu values are not part of the load
    EXPECT_FALSE(std::filesystem::exists(kIniFile));
}

// [SECTION] Load rules across two loads

struct RuleCase {
    const char* section;
    const char* key;
    const char* first;   // value in the first file; nullptr: key absent
    const char* second;  // value in the second file
    long long (*field)();
    long long expected;
};
#define FIELD(f) [] { return static_cast<long long>(settings.f); }

class LoadRule : public TempDirTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(LoadRule, SecondLoadGivesField) {
    const RuleCase& c = GetParam();
    const auto file = [&](const char* value) {
        return value ? "[" + std::string(c.section) + "]\r\n" + c.key + "=" + value + "\r\n" : std::string();
    };
    writeBytes(kIniFile, file(c.first));
    fullLoad();
    writeBytes(kIniFile, file(c.second));
    fullLoad();
    EXPECT_EQ(c.field(), c.expected) << c.key << ": " << (c.first ? c.first : "absent") << " then "
                                     << (c.second ? c.second : "absent");
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, LoadRule,
    ::testing::Values(
        RuleCase{"Vehicle", "interior_lights", "4", "4", FIELD(interior_lights), 4},
        RuleCase{"Vehicle", "interior_lights", nullptr, "7", FIELD(interior_lights), 1},
        RuleCase{"Vehicle", "interior_lights", nullptr, "260", FIELD(interior_lights), 4},
        RuleCase{"Vehicle", "interior_lights", "4", nullptr, FIELD(interior_lights), 1},
        RuleCase{"Vehicle", "neon_affects_all_cars", "1", "0", FIELD(neon_affects_all_cars), 1},
        RuleCase{"Vehicle", "neon_affects_all_cars", "1", "256", FIELD(neon_affects_all_cars), 1},
        RuleCase{"Vehicle", "neon_affects_all_cars", "1", "-1", FIELD(neon_affects_all_cars), 0},
        RuleCase{"Vehicle", "neon_affects_all_cars", nullptr, "0", FIELD(neon_affects_all_cars), 0},
        RuleCase{"Vehicle", "neon_affects_all_cars", nullptr, "257", FIELD(neon_affects_all_cars), 1},
        RuleCase{"Vehicle", "lock_flash_interval", "250", "0", FIELD(lock_flash_interval), 250},
        RuleCase{"Vehicle", "lock_flash_interval", "250", "300", FIELD(lock_flash_interval), 300},
        RuleCase{"Vehicle", "horn_duration", nullptr, nullptr, FIELD(horn_duration), 10},
        RuleCase{"Vehicle", "max_distance_to_vehicle_from_ground", nullptr, "0", FIELD(max_distance_to_vehicle_from_ground), 30},
        RuleCase{"Vehicle", "max_distance_to_vehicle_from_ground", nullptr, "12", FIELD(max_distance_to_vehicle_from_ground), 12},
        RuleCase{"Vehicle", "number_of_lock_flashes", "3", "0", FIELD(number_of_lock_flashes), 0},
        RuleCase{"Vehicle", "number_of_lock_flashes", "3", "-1", FIELD(number_of_lock_flashes), 3},
        RuleCase{"Vehicle", "number_of_lock_flashes", "3", "abc", FIELD(number_of_lock_flashes), 0},
        RuleCase{"Controller", "activate_controller", nullptr, "256", FIELD(activate_controller), 0},
        RuleCase{"Vehicle", "can_leave_while_locked", nullptr, "257", FIELD(can_leave_while_locked), 1},
        RuleCase{"Vehicle", "can_leave_while_locked", nullptr, "2", FIELD(can_leave_while_locked), 0},
        RuleCase{"Vehicle", "light_notification", nullptr, "512", FIELD(light_notification), 0},
        RuleCase{"Vehicle", "light_notification", nullptr, "-3", FIELD(light_notification), 1},
        RuleCase{"Vehicle", "light_multiplier", nullptr, "-7", FIELD(light_multiplier), 20},
        RuleCase{"Vehicle", "color_changer_primary_color_speed", nullptr, "-3", FIELD(color_changer_primary_color_speed), 0},
        RuleCase{"Vehicle", "vehicle_speed_multiplier_value", nullptr, "9", FIELD(vehicle_speed_multiplier_value), 9},
        RuleCase{"Keys", "lock", nullptr, "321", FIELD(lock), 65},
        RuleCase{"Keys", "lock", nullptr, "200", FIELD(lock), -56},
        RuleCase{"Keys", "unlock", nullptr, "255", FIELD(unlock), -1},
        RuleCase{"Vehicle", "current_player_vehicle_blip", nullptr, "5", FIELD(current_player_vehicle_blip), 1},
        RuleCase{"Vehicle", "horn_type_index", nullptr, "-2", FIELD(horn_type_index), -2},
        RuleCase{"Vehicle", "nearby_peds_value", nullptr, "11", FIELD(nearby_peds_value), 11},
        RuleCase{"Vehicle", "notification_sound_signal", nullptr, "\"2\"", FIELD(notification_sound_signal), 2},
        RuleCase{"Menu", "game_input_disabled_while_menu_is_open", nullptr, "1", FIELD(game_input_disabled_while_menu_is_open), 1},
        RuleCase{"Controller", "controller_menu_up", nullptr, nullptr, FIELD(controller_menu_up), -1},
        RuleCase{"Controller", "controller_menu_back", nullptr, "202", FIELD(controller_menu_back), 202},
        RuleCase{"Vehicle", "open_door_trunk", nullptr, "1", FIELD(open_door_trunk), 1},
        RuleCase{"Vehicle", "allow_interior_lights_when_outside_locked", nullptr, "3", FIELD(allow_interior_lights_when_outside_locked), 1}));

TEST_F(MissingFile, PlateTextIsCutTo79Characters) {
    writeBytes(kIniFile, "[Vehicle]\r\nset_vehicle_license_plate_text=\"" + std::string(100, 'P') + "\"\r\n");
    fullLoad();
    EXPECT_EQ(std::string(settings.set_vehicle_license_plate_text), std::string(79, 'P'));
}

// [SECTION] Damaged files give what an empty file gives

void expectSame(const char* name, const char (&a)[kPlateTextSize], const char (&b)[kPlateTextSize]) {
    EXPECT_STREQ(a, b) << name;
}
template <typename T>
void expectSame(const char* name, const T& a, const T& b) {
    EXPECT_EQ(a, b) << name;
}

class DamagedFile : public TempDirTest, public ::testing::WithParamInterface<std::function<std::string()>> {};

TEST_P(DamagedFile, LoadsLikeAnEmptyFile) {
    writeBytes(kIniFile, "");
    fullLoad();
    const Settings empty = settings;
    resetSettings();
    writeBytes(kIniFile, GetParam()());
    fullLoad();
#define EXPECT_SAME_FIELD(kind, section, field, ...) expectSame(#field, settings.field, empty.field);
    TAVREL_SETTINGS_FIELDS(EXPECT_SAME_FIELD)
#undef EXPECT_SAME_FIELD
}

INSTANTIATE_TEST_SUITE_P(
    Junk, DamagedFile,
    ::testing::Values(
        [] {
            std::mt19937 rng(7);
            std::string s(10u << 20, '\0');
            for (char& ch : s) ch = static_cast<char>(rng());
            return s;
        },
        [] { return std::string(100000, 'x'); },
        [] { return std::string(100000, '[') + "\r\n" + std::string(100000, '='); },
        [] {
            static const char nuls[] = "\0\0\0[Vehicle\0]\r\nlock=\0" "5\r\n";
            return std::string(nuls, sizeof nuls - 1);
        },
        [] {  // UTF-16LE without its byte-order mark is not understood: no section is found
            static const char wide[] = "[\0K\0e\0y\0s\0]\0\r\0\n\0l\0o\0c\0k\0=\0" "5\0";
            return std::string(wide, sizeof wide - 1);
        }));

TEST_F(MissingFile, LongLineBeforeSectionsIsSkipped) {
    writeBytes(kIniFile, std::string(100000, 'x') + "\r\n[Animation]\r\nanimation=3\r\n");
    fullLoad();
    EXPECT_EQ(settings.animation, 3);
}

TEST_F(MissingFile, FileOverTheCapIsReadToTheCapAndNeverRewritten) {
    const std::string head = "[Animation]\r\nanimation=3\r\n;";
    const std::string bytes = head + std::string(ini::kMaxIniBytes, 'x') + "\r\n[Keys]\r\nlock=5\r\n";
    writeBytes(kIniFile, bytes);
    fullLoad();
    EXPECT_EQ(settings.animation, 3);
    EXPECT_EQ(settings.lock, -1);  // beyond 16 MiB
    writeIntSetting("Animation", "animation", 1);
    EXPECT_EQ(readBytes(kIniFile), bytes);
}

// [SECTION] The shipped default file

std::string shippedFile() {
    std::string path = __FILE__;
    path.resize(path.rfind("tests/config/"));
    return readBytes(path + "dist/TavrelConfig.ini");
}

class ShippedFile : public TempDirTest {};

TEST_F(ShippedFile, HasEveryKeyWithCrlfAndLoadsPlayerDefaults) {
    const std::string bytes = shippedFile();
    ASSERT_FALSE(bytes.empty());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "LF without CR at byte " << i;
        }
    }
    ini::IniDocument doc;
    doc.bytes = bytes;
    ini::parseIni(doc);
#define EXPECT_KEY_PRESENT(kind, section, field, ...) \
    EXPECT_NE(ini::findKey(doc, section, #field), nullptr) << "[" section "] " #field;
    TAVREL_SETTINGS_FIELDS(EXPECT_KEY_PRESENT)
#undef EXPECT_KEY_PRESENT

    writeBytes(kIniFile, bytes);
    fullLoad();
    EXPECT_EQ(settings.menu_toggle_switch, 120);
    EXPECT_EQ(settings.lock, 76);
    EXPECT_EQ(settings.number_of_lock_flashes, 1);
    EXPECT_EQ(settings.number_of_unlock_flashes, 2);
    EXPECT_GT(settings.unlock_flash_interval, 0);
    EXPECT_EQ(settings.notification_sound_signal, 1);
    EXPECT_TRUE(settings.remote_control_fob_sound);
    EXPECT_EQ(settings.animation, 2);
    EXPECT_EQ(settings.interior_lights, 1);
    EXPECT_EQ(settings.controller_menu_back, 202);
    EXPECT_TRUE(settings.game_input_disabled_while_menu_is_open);
    EXPECT_EQ(readMenuFloat("menu_size"), 5.0f);
    EXPECT_EQ(readMenuFloat("menu_width"), 350.0f);
    EXPECT_EQ(readIntSetting("Menu", "menu_transparent"), 180);
}

}  // namespace
}  // namespace tavrel
