// Settings: the one global record of configurable values. Every field is
// named after its INI key; the initial values are what the plug-in holds from
// library load until the first read of the INI file.
//
// TAVREL_SETTINGS_FIELDS below is the one declaration of the settings: the
// record's fields, the INI keys (setting_keys.h), the load and its order
// (persistence.cpp), the rules that turn a value read into its field
// (load_rules.h), the simulator's settings report, random play's hand edits
// and the INI benchmarks' key lists all follow it.
//
// Shared by both script fibres without locks: they switch only inside
// scriptWait, and no load, normalisation or menu edit yields.
#pragma once
#include <cstdint>

#include "host/recorder.h"

namespace tavrel {

inline constexpr int kPlateTextSize = 80;  // 79 characters and the NUL

// The field types named by the kinds of TAVREL_SETTINGS_FIELDS.
namespace setting_type {
using Bool = bool;
using Int = std::int32_t;
using Int8 = std::int8_t;  // the low byte of the INI value, signed
using Float = float;
using Text = char[kPlateTextSize];
}  // namespace setting_type

// Every setting, in the order the full load reads them:
//   X(kind, section, field, initial, read, rule)
// kind     Bool, Int, Int8, Float or Text (setting_type above)
// section  the INI section; the key is the field's name
// initial  the value from library load until the first load
// read     how the full load reads the key:
//            Profile  a profile integer, -1 for an absent key
//            Setting  readIntSetting: the same, but -99 when the file is missing
//            Text     the plate text, "Error: GPPS failed" when absent
//            Menu     not part of the load: the menu reads it when it opens
// rule     how the integer read becomes the field (load_rules.h): AsLoaded
//          and Positive are stored while reading, the others are applied by
//          normaliseSettings once every key has been read
// A new setting goes at the end: the load reads it last.
#define TAVREL_SETTINGS_FIELDS(X) \
    X(Bool, "Vehicle", current_player_vehicle_blip, false, Profile, Positive)                                                     \
    X(Bool, "Vehicle", current_player_vehicle_persistent, false, Profile, Positive)                                               \
    X(Int8, "Keys", lock, 0, Profile, AsLoaded)                                             /* -1 selects L */                    \
    X(Int8, "Keys", unlock, 0, Profile, AsLoaded)                                           /* -1 selects U */                    \
    X(Int, "Animation", animation, 0, Profile, AsLoaded)                                    /* 0 ... 3 */                         \
    X(Int, "Vehicle", light_multiplier, 0, Profile, NegativeIsTwenty)                       /* given at unlock */                 \
    X(Int, "Vehicle", engine_on_after_unlocking, 0, Profile, AsLoaded)                      /* 0 ... 4 */                         \
    X(Bool, "Vehicle", light_notification, false, Profile, NonZero8)                                                              \
    X(Bool, "Vehicle", can_leave_while_locked, false, Profile, EqualsOne8)                                                        \
    X(Int, "Vehicle", headlights_at_movement, 0, Profile, AsLoaded)                         /* 0 ... 5 */                         \
    X(Bool, "Vehicle", use_players_last_vehicle, false, Profile, EqualsOne8)                                                      \
    X(Int, "Vehicle", nearby_peds_value, 0, Profile, AsLoaded)                              /* 11: others knocked down */         \
    X(Bool, "Vehicle", unbreakable_locks, false, Profile, EqualsOne8)                                                             \
    X(Bool, "Vehicle", unbreakable_locks_for_player, false, Profile, NonZero8)                                                    \
    X(Int, "Vehicle", interior_lights, 0, Profile, InteriorMode8)                           /* 0 ... 4 */                         \
    X(Bool, "Vehicle", open_doors_at_unlock_while_inside, false, Profile, EqualsOne8)                                             \
    X(Bool, "Vehicle", alter_roof_on_convertibles, false, Profile, EqualsOne8)                                                    \
    X(Int, "Vehicle", number_of_lock_flashes, 0, Profile, KeepIfNegative)                                                         \
    X(Int, "Vehicle", number_of_unlock_flashes, 0, Profile, KeepIfNegative)                                                       \
    X(Int, "Vehicle", lock_flash_interval, 0, Profile, KeepUnlessPositive)                  /* ms */                              \
    X(Int, "Vehicle", unlock_flash_interval, 0, Profile, KeepUnlessPositive)                /* ms */                              \
    X(Bool, "Vehicle", shut_doors_instantly, false, Profile, NonZero8)                                                            \
    X(Int, "Vehicle", notification_sound_signal, 1, Profile, AsLoaded)                      /* 0 off, 1 beep, 2 horn */           \
    X(Int, "Vehicle", notification_sound_interval, 0, Profile, KeepIfNegative)              /* ms */                              \
    X(Int, "Vehicle", horn_duration, 10, Profile, KeepUnlessPositive)                       /* ms */                              \
    X(Int, "Vehicle", notification_sound_times_when_locking, 0, Profile, KeepIfNegative)                                          \
    X(Int, "Vehicle", notification_sound_times_when_unlocking, 0, Profile, KeepIfNegative)                                        \
    X(Int, "Vehicle", neon_lights, 0, Profile, AsLoaded)                                    /* 0 ... 4 */                         \
    X(Bool, "Vehicle", make_vehicle_belong_to_player, false, Profile, NonZero8)                                                   \
    X(Int, "Vehicle", color_changer_speed_base_value, 0, Profile, AsLoaded)                 /* ms */                              \
    X(Int, "Vehicle", color_changer_primary_color_speed, 0, Profile, NegativeIsZero)        /* per step */                        \
    X(Int, "Vehicle", color_changer_secondary_color_speed, 0, Profile, NegativeIsZero)      /* per step */                        \
    X(Int, "Vehicle", vehicle_speed_multiplier_value, 0, Profile, NegativeIsZero)           /* ms per m/s */                      \
    X(Bool, "Vehicle", neon_affects_all_cars, false, Profile, NeonAll8)                                                           \
    X(Bool, "Vehicle", color_change_can_pause, false, Profile, NonZero8)                                                          \
    X(Bool, "Controller", activate_controller, false, Profile, NonZero8)                                                          \
    X(Int, "Vehicle", set_plate_text_on, 0, Profile, AsLoaded)                              /* 1: plate text at unlock */         \
    X(Text, "Vehicle", set_vehicle_license_plate_text, {}, Text, AsLoaded)                                                        \
    X(Bool, "Vehicle", headlights_when_locking, false, Profile, Positive)                                                         \
    X(Int, "Vehicle", neon_notification, 0, Profile, AsLoaded)                              /* 0 off, 1 flashing, 2 sequential */ \
    X(Int, "Vehicle", neon_default_color, 0, Profile, AsLoaded)                             /* 0 ... 6 */                         \
    X(Int, "Vehicle", horn_type_index, 0, Profile, AsLoaded)                                /* -2 keep, -1 stock, 0 ... 65 */     \
    X(Int, "Vehicle", radio_station_index, 0, Profile, AsLoaded)                            /* -1 current, 37 off */              \
    X(Int, "Vehicle", max_distance_to_vehicle, 40, Profile, KeepUnlessPositive)             /* m */                               \
    X(Int, "Vehicle", max_distance_to_vehicle_from_ground, 30, Profile, KeepUnlessPositive) /* m */                               \
    X(Bool, "Vehicle", remote_control_fob_sound, false, Profile, Positive)                                                        \
    X(Bool, "Vehicle", loud_radio_on, false, Profile, Positive)                                                                   \
    X(Int, "Keys", lock_2_optional, -1, Profile, AsLoaded)                                  /* key codes: -1 unbound */           \
    X(Int, "Keys", unlock_2_optional, -1, Profile, AsLoaded)                                                                      \
    X(Int, "Keys", menu_toggle_switch, 120, Profile, AsLoaded)                              /* -1 or 0 selects F9 */              \
    X(Int, "Keys", menu_toggle_switch_2, -1, Profile, AsLoaded)                                                                   \
    X(Int, "Keys", menu_up, 104, Profile, AsLoaded)                                                                               \
    X(Int, "Keys", menu_down, 98, Profile, AsLoaded)                                                                              \
    X(Int, "Keys", menu_left, 100, Profile, AsLoaded)                                                                             \
    X(Int, "Keys", menu_right, 102, Profile, AsLoaded)                                                                            \
    X(Int, "Keys", menu_select, 101, Profile, AsLoaded)                                                                           \
    X(Int, "Keys", menu_back, 96, Profile, AsLoaded)                                                                              \
    X(Int, "Keys", menu_back2, 8, Profile, AsLoaded)                                                                              \
    X(Bool, "Vehicle", open_door_front_left, false, Setting, Positive)                      /* opened at unlock */                \
    X(Bool, "Vehicle", open_door_front_right, false, Setting, Positive)                                                           \
    X(Bool, "Vehicle", open_door_back_left, false, Setting, Positive)                                                             \
    X(Bool, "Vehicle", open_door_back_right, false, Setting, Positive)                                                            \
    X(Bool, "Vehicle", open_door_hood, false, Setting, Positive)                                                                  \
    X(Bool, "Vehicle", open_door_trunk, false, Setting, Positive)                                                                 \
    X(Bool, "Vehicle", open_door_back1, false, Setting, Positive)                                                                 \
    X(Bool, "Vehicle", open_door_back2, false, Setting, Positive)                                                                 \
    X(Int, "Controller", controller_lock_1_of_2, 0, Profile, AsLoaded)                      /* controls of group 2 */             \
    X(Int, "Controller", controller_lock_2_of_2, 0, Profile, AsLoaded)                                                            \
    X(Int, "Controller", controller_unlock_1_of_2, 0, Profile, AsLoaded)                                                          \
    X(Int, "Controller", controller_unlock_2_of_2, 0, Profile, AsLoaded)                                                          \
    X(Int, "Controller", controller_menu_toggle_switch_1_of_2, 0, Setting, AsLoaded)                                              \
    X(Int, "Controller", controller_menu_toggle_switch_2_of_2, 0, Setting, AsLoaded)                                              \
    X(Int, "Controller", controller_menu_up, 0, Setting, AsLoaded)                                                                \
    X(Int, "Controller", controller_menu_down, 0, Setting, AsLoaded)                                                              \
    X(Int, "Controller", controller_menu_left, 0, Setting, AsLoaded)                                                              \
    X(Int, "Controller", controller_menu_right, 0, Setting, AsLoaded)                                                             \
    X(Int, "Controller", controller_menu_select, 0, Setting, AsLoaded)                                                            \
    X(Int, "Controller", controller_menu_back, 0, Setting, AsLoaded)                                                              \
    X(Bool, "Menu", game_input_disabled_while_menu_is_open, false, Setting, Positive)                                             \
    X(Bool, "Vehicle", roll_down_windows_upon_unlock, false, Setting, Positive)                                                   \
    X(Bool, "Vehicle", roll_up_windows_upon_lock, false, Setting, Positive)                                                       \
    X(Bool, "Vehicle", sequential_neon_lights, false, Setting, Positive)                                                          \
    X(Bool, "Vehicle", allow_interior_lights_when_outside_locked, false, Setting, Positive)                                       \
    X(Float, "Menu", menu_size, 5.0f, Menu, AsLoaded)                                       /* 1 ... 10 */                        \
    X(Float, "Menu", menu_width, 350.0f, Menu, AsLoaded)                                    /* 10 ... 10000 */                    \
    X(Int, "Menu", menu_red, 60, Menu, AsLoaded)                                                                                  \
    X(Int, "Menu", menu_green, 104, Menu, AsLoaded)                                                                               \
    X(Int, "Menu", menu_blue, 166, Menu, AsLoaded)                                                                                \
    X(Int, "Menu", menu_transparent, 180, Menu, AsLoaded)                                                                         \
    X(Bool, "Misc", write_log, true, Profile, NonZero)                                      /* Tavrel.log; absent: on */  \
    X(Int, "Keys", save_recording, -1, Profile, AsLoaded)                                   /* writes Tavrel.rec */       \
    X(Int, "Misc", recorder_kb, host::kRecorderDefaultKb, Profile, KeepIfNegative)          /* the recorder's KB; 0 off */

#define TAVREL_SETTING_MEMBER(kind, section, field, initial, read, rule) setting_type::kind field = initial;

struct Settings {
    TAVREL_SETTINGS_FIELDS(TAVREL_SETTING_MEMBER)
};

#undef TAVREL_SETTING_MEMBER

extern Settings settings;

// Derives the normalised values from the integers just read (keep rules,
// 8-bit rules, interior mode, neon-all). Called by reloadSettings only.
void normaliseSettings();

// Brings radio_station_index back into -1 ... 37 after a menu step:
// 38 or more becomes -1, below -1 becomes 37.
void wrapRadioStationIndex();

// Restores every field to its initial value and forgets the loaded values
// held for normaliseSettings (library load; tests).
void resetSettings();

}  // namespace tavrel
