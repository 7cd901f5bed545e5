// Settings: the one global record of configurable values. Every field is
// named after its INI key; the initial values are what the plug-in holds from
// library load until the first read of the INI file.
//
// Shared by both script fibres without locks: they switch only inside
// scriptWait, and no load, normalisation or menu edit yields.
#pragma once
#include <cstdint>

namespace tavrel {

inline constexpr int kPlateTextSize = 80;  // 79 characters and the NUL

struct Settings {
    // [SECTION] Vehicle
    bool current_player_vehicle_blip = false;
    bool current_player_vehicle_persistent = false;
    std::int32_t light_multiplier = 0;           // headlight multiplier given at unlock
    std::int32_t engine_on_after_unlocking = 0;  // 0 ... 4
    bool light_notification = false;
    bool can_leave_while_locked = false;
    std::int32_t headlights_at_movement = 0;  // 0 ... 5
    bool use_players_last_vehicle = false;
    std::int32_t nearby_peds_value = 0;  // 11 knocks every other character down
    bool unbreakable_locks = false;
    bool unbreakable_locks_for_player = false;
    std::int32_t interior_lights = 0;  // 0 ... 4
    bool open_doors_at_unlock_while_inside = false;
    bool alter_roof_on_convertibles = false;
    std::int32_t number_of_lock_flashes = 0;
    std::int32_t number_of_unlock_flashes = 0;
    std::int32_t lock_flash_interval = 0;    // ms
    std::int32_t unlock_flash_interval = 0;  // ms
    bool shut_doors_instantly = false;
    std::int32_t notification_sound_signal = 1;    // 0 off, 1 beep, 2 horn
    std::int32_t notification_sound_interval = 0;  // ms
    std::int32_t horn_duration = 10;               // ms
    std::int32_t notification_sound_times_when_locking = 0;
    std::int32_t notification_sound_times_when_unlocking = 0;
    std::int32_t neon_lights = 0;  // 0 ... 4
    bool make_vehicle_belong_to_player = false;
    std::int32_t color_changer_speed_base_value = 0;       // ms
    std::int32_t color_changer_primary_color_speed = 0;    // colour units per step
    std::int32_t color_changer_secondary_color_speed = 0;  // colour units per step
    std::int32_t vehicle_speed_multiplier_value = 0;       // ms per m/s
    bool neon_affects_all_cars = false;
    bool color_change_can_pause = false;
    std::int32_t set_plate_text_on = 0;  // 1 writes the plate text at unlock
    char set_vehicle_license_plate_text[kPlateTextSize] = {};
    bool headlights_when_locking = false;
    std::int32_t neon_notification = 0;   // 0 off, 1 flashing, 2 sequential
    std::int32_t neon_default_color = 0;  // 0 ... 6
    std::int32_t horn_type_index = 0;     // -2 keep, -1 stock, 0 ... 65
    std::int32_t radio_station_index = 0;  // -1 current, 0 ... 36, 37 off
    std::int32_t max_distance_to_vehicle = 40;              // m
    std::int32_t max_distance_to_vehicle_from_ground = 30;  // m
    bool remote_control_fob_sound = false;
    bool loud_radio_on = false;
    bool open_door_front_left = false;
    bool open_door_front_right = false;
    bool open_door_back_left = false;
    bool open_door_back_right = false;
    bool open_door_hood = false;
    bool open_door_trunk = false;
    bool open_door_back1 = false;
    bool open_door_back2 = false;
    bool roll_down_windows_upon_unlock = false;
    bool roll_up_windows_upon_lock = false;
    bool sequential_neon_lights = false;
    bool allow_interior_lights_when_outside_locked = false;

    // [SECTION] Keys (Windows virtual-key codes; -1 unbound)
    std::int8_t lock = 0;    // low byte of the INI value; -1 selects L
    std::int8_t unlock = 0;  // low byte of the INI value; -1 selects U
    std::int32_t lock_2_optional = -1;
    std::int32_t unlock_2_optional = -1;
    std::int32_t menu_toggle_switch = 120;  // -1 or 0 selects F9
    std::int32_t menu_toggle_switch_2 = -1;
    std::int32_t menu_up = 104;
    std::int32_t menu_down = 98;
    std::int32_t menu_left = 100;
    std::int32_t menu_right = 102;
    std::int32_t menu_select = 101;
    std::int32_t menu_back = 96;
    std::int32_t menu_back2 = 8;

    // [SECTION] Controller (control identifiers of control group 2)
    bool activate_controller = false;
    std::int32_t controller_lock_1_of_2 = 0;
    std::int32_t controller_lock_2_of_2 = 0;
    std::int32_t controller_unlock_1_of_2 = 0;
    std::int32_t controller_unlock_2_of_2 = 0;
    std::int32_t controller_menu_toggle_switch_1_of_2 = 0;
    std::int32_t controller_menu_toggle_switch_2_of_2 = 0;
    std::int32_t controller_menu_up = 0;
    std::int32_t controller_menu_down = 0;
    std::int32_t controller_menu_left = 0;
    std::int32_t controller_menu_right = 0;
    std::int32_t controller_menu_select = 0;
    std::int32_t controller_menu_back = 0;

    // [SECTION] Menu (all but the first are read when the menu opens)
    bool game_input_disabled_while_menu_is_open = false;
    float menu_size = 5.0f;     // 1 ... 10
    float menu_width = 350.0f;  // 10 ... 10000
    std::int32_t menu_red = 60;
    std::int32_t menu_green = 104;
    std::int32_t menu_blue = 166;
    std::int32_t menu_transparent = 180;

    // [SECTION] Animation
    std::int32_t animation = 0;  // 0 none, 1 none inside vehicles, 2 and 3 gestures

    // [SECTION] Misc
    bool write_log = true;  // Tavrel.log; read at every load, used when the plug-in starts
};

extern Settings settings;

// Every field with its INI section, in the order of the record:
// TAVREL_SETTING(kind, section, field) with kind Bool, Int, Int8, Float or Text.
#define TAVREL_SETTINGS_FIELDS(X)                                        \
    X(Bool, "Vehicle", current_player_vehicle_blip)                      \
    X(Bool, "Vehicle", current_player_vehicle_persistent)                \
    X(Int, "Vehicle", light_multiplier)                                  \
    X(Int, "Vehicle", engine_on_after_unlocking)                         \
    X(Bool, "Vehicle", light_notification)                               \
    X(Bool, "Vehicle", can_leave_while_locked)                           \
    X(Int, "Vehicle", headlights_at_movement)                            \
    X(Bool, "Vehicle", use_players_last_vehicle)                         \
    X(Int, "Vehicle", nearby_peds_value)                                 \
    X(Bool, "Vehicle", unbreakable_locks)                                \
    X(Bool, "Vehicle", unbreakable_locks_for_player)                     \
    X(Int, "Vehicle", interior_lights)                                   \
    X(Bool, "Vehicle", open_doors_at_unlock_while_inside)                \
    X(Bool, "Vehicle", alter_roof_on_convertibles)                       \
    X(Int, "Vehicle", number_of_lock_flashes)                            \
    X(Int, "Vehicle", number_of_unlock_flashes)                          \
    X(Int, "Vehicle", lock_flash_interval)                               \
    X(Int, "Vehicle", unlock_flash_interval)                             \
    X(Bool, "Vehicle", shut_doors_instantly)                             \
    X(Int, "Vehicle", notification_sound_signal)                         \
    X(Int, "Vehicle", notification_sound_interval)                       \
    X(Int, "Vehicle", horn_duration)                                     \
    X(Int, "Vehicle", notification_sound_times_when_locking)             \
    X(Int, "Vehicle", notification_sound_times_when_unlocking)           \
    X(Int, "Vehicle", neon_lights)                                       \
    X(Bool, "Vehicle", make_vehicle_belong_to_player)                    \
    X(Int, "Vehicle", color_changer_speed_base_value)                    \
    X(Int, "Vehicle", color_changer_primary_color_speed)                 \
    X(Int, "Vehicle", color_changer_secondary_color_speed)               \
    X(Int, "Vehicle", vehicle_speed_multiplier_value)                    \
    X(Bool, "Vehicle", neon_affects_all_cars)                            \
    X(Bool, "Vehicle", color_change_can_pause)                           \
    X(Int, "Vehicle", set_plate_text_on)                                 \
    X(Text, "Vehicle", set_vehicle_license_plate_text)                   \
    X(Bool, "Vehicle", headlights_when_locking)                          \
    X(Int, "Vehicle", neon_notification)                                 \
    X(Int, "Vehicle", neon_default_color)                                \
    X(Int, "Vehicle", horn_type_index)                                   \
    X(Int, "Vehicle", radio_station_index)                               \
    X(Int, "Vehicle", max_distance_to_vehicle)                           \
    X(Int, "Vehicle", max_distance_to_vehicle_from_ground)               \
    X(Bool, "Vehicle", remote_control_fob_sound)                         \
    X(Bool, "Vehicle", loud_radio_on)                                    \
    X(Bool, "Vehicle", open_door_front_left)                             \
    X(Bool, "Vehicle", open_door_front_right)                            \
    X(Bool, "Vehicle", open_door_back_left)                              \
    X(Bool, "Vehicle", open_door_back_right)                             \
    X(Bool, "Vehicle", open_door_hood)                                   \
    X(Bool, "Vehicle", open_door_trunk)                                  \
    X(Bool, "Vehicle", open_door_back1)                                  \
    X(Bool, "Vehicle", open_door_back2)                                  \
    X(Bool, "Vehicle", roll_down_windows_upon_unlock)                    \
    X(Bool, "Vehicle", roll_up_windows_upon_lock)                        \
    X(Bool, "Vehicle", sequential_neon_lights)                           \
    X(Bool, "Vehicle", allow_interior_lights_when_outside_locked)        \
    X(Int8, "Keys", lock)                                                \
    X(Int8, "Keys", unlock)                                              \
    X(Int, "Keys", lock_2_optional)                                      \
    X(Int, "Keys", unlock_2_optional)                                    \
    X(Int, "Keys", menu_toggle_switch)                                   \
    X(Int, "Keys", menu_toggle_switch_2)                                 \
    X(Int, "Keys", menu_up)                                              \
    X(Int, "Keys", menu_down)                                            \
    X(Int, "Keys", menu_left)                                            \
    X(Int, "Keys", menu_right)                                           \
    X(Int, "Keys", menu_select)                                          \
    X(Int, "Keys", menu_back)                                            \
    X(Int, "Keys", menu_back2)                                           \
    X(Bool, "Controller", activate_controller)                           \
    X(Int, "Controller", controller_lock_1_of_2)                         \
    X(Int, "Controller", controller_lock_2_of_2)                         \
    X(Int, "Controller", controller_unlock_1_of_2)                       \
    X(Int, "Controller", controller_unlock_2_of_2)                       \
    X(Int, "Controller", controller_menu_toggle_switch_1_of_2)           \
    X(Int, "Controller", controller_menu_toggle_switch_2_of_2)           \
    X(Int, "Controller", controller_menu_up)                             \
    X(Int, "Controller", controller_menu_down)                           \
    X(Int, "Controller", controller_menu_left)                           \
    X(Int, "Controller", controller_menu_right)                          \
    X(Int, "Controller", controller_menu_select)                         \
    X(Int, "Controller", controller_menu_back)                           \
    X(Bool, "Menu", game_input_disabled_while_menu_is_open)              \
    X(Float, "Menu", menu_size)                                          \
    X(Float, "Menu", menu_width)                                         \
    X(Int, "Menu", menu_red)                                             \
    X(Int, "Menu", menu_green)                                           \
    X(Int, "Menu", menu_blue)                                            \
    X(Int, "Menu", menu_transparent)                                     \
    X(Int, "Animation", animation)                                       \
    X(Bool, "Misc", write_log)

// Derives the normalised values from the integers just read (keep rules,
// 8-bit rules, interior mode, neon-all). Called by the loader only.
void normaliseSettings();

// Brings radio_station_index back into -1 ... 37 after a menu step:
// 38 or more becomes -1, below -1 becomes 37.
void wrapRadioStationIndex();

// Restores every field to its initial value and forgets the loaded values
// held for normaliseSettings (library load; tests).
void resetSettings();

}  // namespace tavrel
