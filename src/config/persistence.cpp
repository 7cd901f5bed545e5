#include "config/persistence.h"

#include <limits>
#include <string>

#include "config/ini_store.h"
#include "config/load_rules.h"
#include "config/settings.h"
#include "host/host_file.h"
#include "state/plugin_log.h"

namespace tavrel {

namespace {

constexpr IniKey kRadioChannelKey{"Vehicle", "radio_channel_index"};  // an old key: read, never used
constexpr const char* kPlateDefault = "Error: GPPS failed";
constexpr std::int32_t kAbsent = -1;        // an absent key
constexpr std::int32_t kNoFile = -99;       // readIntSetting with the file missing
constexpr const char* kMenuSection = "Menu";  // readMenuFloat's section
constexpr std::size_t kMenuFloatSize = 32;  // readMenuFloat's text buffer

// Reused between calls: after the first load, a file of the same size needs
// no allocation.
ini::IniDocument document;
std::string edited;

// A write to the existing file failed since the last takeFailedWrite.
bool failed_write = false;

host::FileRecovery recovery;

// What the last read found.
IniFileStatus last_status;

// The last failed write the log told, and the log's line count then: a
// failure of the same key with nothing logged in between is not told again.
const char* last_failed_key = nullptr;
std::uint64_t last_failed_serial = 0;

void logFailedWrite(const char* section, const char* key, const char* value) {
    if (key == last_failed_key && logLineSerial() == last_failed_serial) return;
    LogLine() << "save failed: [" << section << "] " << key << "=" << value
              << " (TavrelConfig.ini is read-only, locked by another program, kept changing under other saves,"
                 " or the disk is full);"
                 " the change lasts until the next lock or unlock";
    last_failed_key = key;
    last_failed_serial = logLineSerial();
    flushLog();
}

void writeValue(const char* section, const char* key, const char* value) {
    if (!host::fileExists(kIniPath)) return;  // never created: dropped without a word
    if (ini::writeProfileString(kIniPath, section, key, value, document, edited)) {
        last_failed_key = nullptr;
        return;
    }
    failed_write = true;
    logFailedWrite(section, key, value);
}

// One opened file: profile integers (default -1, no existence test) and
// readIntSetting integers (-99 when the file is missing).
struct Reader {
    bool exists = false;

    std::int32_t integer(const IniKey& key) const {
        return ini::getProfileInt(document, key.section, key.key, kAbsent);
    }
    std::int32_t setting(const IniKey& key) const { return exists ? integer(key) : kNoFile; }
};

// Opens the file once: one status query and, when it exists, one read.
Reader openIni() {
    Reader reader;
    reader.exists = host::fileExists(kIniPath);
    last_status = IniFileStatus{reader.exists, false};
    if (!reader.exists || !(last_status.read = ini::loadIniFile(kIniPath, document))) {
        document.bytes.clear();
        document.utf16 = false;
        document.cut = false;
        ini::parseIni(document);
    }
    return reader;
}

// The last keys of the load, in its order. The key bindings and the
// controller's lock and unlock combinations (keys 49 ... 59, 68 ... 71):
// plain integers stored as read.
constexpr const SettingKey<std::int32_t>* kBindingsAsRead[] = {
    &setting_key::lock_2_optional,        &setting_key::unlock_2_optional,       &setting_key::menu_toggle_switch,
    &setting_key::menu_toggle_switch_2,   &setting_key::menu_up,                 &setting_key::menu_down,
    &setting_key::menu_left,              &setting_key::menu_right,              &setting_key::menu_select,
    &setting_key::menu_back,              &setting_key::menu_back2,              &setting_key::controller_lock_1_of_2,
    &setting_key::controller_lock_2_of_2, &setting_key::controller_unlock_1_of_2,
    &setting_key::controller_unlock_2_of_2,
};

// The doors opened at unlock (keys 60 ... 67): readIntSetting > 0.
constexpr const SettingKey<bool>* kDoorsToOpen[] = {
    &setting_key::open_door_front_left, &setting_key::open_door_front_right, &setting_key::open_door_back_left,
    &setting_key::open_door_back_right, &setting_key::open_door_hood,        &setting_key::open_door_trunk,
    &setting_key::open_door_back1,      &setting_key::open_door_back2,
};

// The controller's menu controls (keys 72 ... 79): readIntSetting, stored as
// read (-99 with the file missing).
constexpr const SettingKey<std::int32_t>* kControllerMenuControls[] = {
    &setting_key::controller_menu_toggle_switch_1_of_2, &setting_key::controller_menu_toggle_switch_2_of_2,
    &setting_key::controller_menu_up,                   &setting_key::controller_menu_down,
    &setting_key::controller_menu_left,                 &setting_key::controller_menu_right,
    &setting_key::controller_menu_select,               &setting_key::controller_menu_back,
};

// The switches added last (keys 80 ... 84): readIntSetting > 0.
constexpr const SettingKey<bool>* kSwitchesReadLast[] = {
    &setting_key::game_input_disabled_while_menu_is_open, &setting_key::roll_down_windows_upon_unlock,
    &setting_key::roll_up_windows_upon_lock,              &setting_key::sequential_neon_lights,
    &setting_key::allow_interior_lights_when_outside_locked,
};

std::int32_t readDoorsFrom(const Reader& r) {
    std::int32_t last = 0;
    for (const SettingKey<bool>* door : kDoorsToOpen) {
        last = r.setting(*door);
        settings.*door->field = last > 0;
    }
    return last;
}

// double to float as the FPU rounds it, without the undefined behaviour of a
// cast out of range: beyond the float range gives an infinity.
float narrowToFloat(double v) {
    if (v > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
    if (v < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(v);
}

}  // namespace

void recoverIniFile() { recovery = host::recoverFile(kIniPath); }

const host::FileRecovery& iniRecovery() { return recovery; }

void loadSettings() {
    namespace k = setting_key;
    const Reader r = openIni();
    Settings& s = settings;
    LoadedValues& l = loaded_values;

    const bool old_blip = s.current_player_vehicle_blip;
    const bool old_persistent = s.current_player_vehicle_persistent;
    s.current_player_vehicle_blip = r.integer(k::current_player_vehicle_blip) > 0;            // 1
    s.current_player_vehicle_persistent = r.integer(k::current_player_vehicle_persistent) > 0;  // 2
    applyBlipRule(old_blip, old_persistent);

    s.lock = lowByte(r.integer(k::lock));                                                     // 3
    s.unlock = lowByte(r.integer(k::unlock));                                                 // 4
    s.animation = r.integer(k::animation);                                                    // 5
    l.light_multiplier = r.integer(k::light_multiplier);                                      // 6
    s.engine_on_after_unlocking = r.integer(k::engine_on_after_unlocking);                    // 7
    l.light_notification = r.integer(k::light_notification);                                  // 8
    l.can_leave_while_locked = r.integer(k::can_leave_while_locked);                          // 9
    s.headlights_at_movement = r.integer(k::headlights_at_movement);                          // 10
    l.use_players_last_vehicle = r.integer(k::use_players_last_vehicle);                      // 11
    s.nearby_peds_value = r.integer(k::nearby_peds_value);                                    // 12
    l.unbreakable_locks = r.integer(k::unbreakable_locks);                                    // 13
    l.unbreakable_locks_for_player = r.integer(k::unbreakable_locks_for_player);              // 14
    l.interior_lights = r.integer(k::interior_lights);                                        // 15
    l.open_doors_at_unlock_while_inside = r.integer(k::open_doors_at_unlock_while_inside);    // 16
    l.alter_roof_on_convertibles = r.integer(k::alter_roof_on_convertibles);                  // 17
    l.number_of_lock_flashes = r.integer(k::number_of_lock_flashes);                          // 18
    l.number_of_unlock_flashes = r.integer(k::number_of_unlock_flashes);                      // 19
    l.lock_flash_interval = r.integer(k::lock_flash_interval);                                // 20
    l.unlock_flash_interval = r.integer(k::unlock_flash_interval);                            // 21
    l.shut_doors_instantly = r.integer(k::shut_doors_instantly);                              // 22
    s.notification_sound_signal = r.integer(k::notification_sound_signal);                    // 23
    l.notification_sound_interval = r.integer(k::notification_sound_interval);                // 24
    l.horn_duration = r.integer(k::horn_duration);                                            // 25
    l.notification_sound_times_when_locking = r.integer(k::notification_sound_times_when_locking);  // 26
    l.notification_sound_times_when_unlocking = r.integer(k::notification_sound_times_when_unlocking);  // 27
    s.neon_lights = r.integer(k::neon_lights);                                                // 28
    l.make_vehicle_belong_to_player = r.integer(k::make_vehicle_belong_to_player);            // 29
    s.color_changer_speed_base_value = r.integer(k::color_changer_speed_base_value);          // 30
    l.color_changer_primary_color_speed = r.integer(k::color_changer_primary_color_speed);    // 31
    l.color_changer_secondary_color_speed = r.integer(k::color_changer_secondary_color_speed);  // 32
    l.vehicle_speed_multiplier_value = r.integer(k::vehicle_speed_multiplier_value);          // 33
    l.neon_affects_all_cars = r.integer(k::neon_affects_all_cars);                            // 34
    l.color_change_can_pause = r.integer(k::color_change_can_pause);                          // 35
    l.activate_controller = r.integer(k::activate_controller);                                // 36
    s.set_plate_text_on = r.integer(k::set_plate_text_on);                                    // 37
    ini::getProfileString(document, k::set_vehicle_license_plate_text.section,                // 38
                          k::set_vehicle_license_plate_text.key, kPlateDefault, s.set_vehicle_license_plate_text,
                          kPlateTextSize);
    s.headlights_when_locking = r.integer(k::headlights_when_locking) > 0;                    // 39
    s.neon_notification = r.integer(k::neon_notification);                                    // 40
    s.neon_default_color = r.integer(k::neon_default_color);                                  // 41
    s.horn_type_index = r.integer(k::horn_type_index);                                        // 42
    s.radio_station_index = r.integer(k::radio_station_index);                                // 43
    l.max_distance_to_vehicle = r.integer(k::max_distance_to_vehicle);                        // 44
    l.max_distance_to_vehicle_from_ground = r.integer(k::max_distance_to_vehicle_from_ground);  // 45
    s.remote_control_fob_sound = r.integer(k::remote_control_fob_sound) > 0;                  // 46
    s.loud_radio_on = r.integer(k::loud_radio_on) > 0;                                        // 47
    (void)r.integer(kRadioChannelKey);  // 48: an old key, read and discarded

    // 49 ... 84, by the lists above (each read is from the one document read
    // at the top, so none depends on another).
    for (const SettingKey<std::int32_t>* binding : kBindingsAsRead) {  // 49 ... 59, 68 ... 71
        settings.*binding->field = r.integer(*binding);
    }
    readDoorsFrom(r);  // 60 ... 67
    for (const SettingKey<std::int32_t>* control : kControllerMenuControls) {  // 72 ... 79
        settings.*control->field = r.setting(*control);
    }
    for (const SettingKey<bool>* flag : kSwitchesReadLast) settings.*flag->field = r.setting(*flag) > 0;  // 80 ... 84
    s.write_log = r.integer(k::write_log) != 0;  // 85: a missing key (or file) means on
}

std::int32_t readDoorsToOpen() { return readDoorsFrom(openIni()); }

std::int32_t readIntSetting(const char* section, const char* key) { return openIni().setting({section, key}); }

std::int32_t readIntSetting(const IniKey& key) { return openIni().setting(key); }

void writeIntSetting(const char* section, const char* key, std::int32_t value) {
    char text[kIntTextSize];
    writeValue(section, key, formatInt(value, text, sizeof text));
}

void writeIntSetting(const IniKey& key, std::int32_t value) { writeIntSetting(key.section, key.key, value); }

void writeMenuSize(float value) {
    char text[kFixedTextSize];
    writeValue(setting_key::menu_size.section, setting_key::menu_size.key, formatFixed(value, 1, text, sizeof text));
}

IniFileStatus lastIniFileStatus() { return last_status; }

const ini::IniDocument& lastIniDocument() { return document; }

bool takeFailedWrite() {
    const bool failed = failed_write;
    failed_write = false;
    return failed;
}

float readMenuFloat(const char* key) {
    const Reader r = openIni();
    if (!r.exists) return 0.0f;
    char text[kMenuFloatSize];
    ini::getProfileString(document, kMenuSection, key, "0", text, sizeof text);
    return narrowToFloat(textToDouble(text));
}

}  // namespace tavrel
