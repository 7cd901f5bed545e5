// RuntimeState: the one global record of runtime state shared by the main
// script, the menu and the effects. Handles are 32-bit game handles (0 none);
// ticks are GetTickCount milliseconds (see host/ticks.h).
#pragma once
#include <cstdint>

#include "host/ticks.h"

namespace tavrel {

struct RuntimeState {
    int player_ped = 0;             // refreshed every tick
    int tracked_vehicle = 0;        // the car chosen at the last lock or unlock
    Tick last_input_action_time = 0;  // input guards: last request or default-key menu toggle
    Tick last_world_scan_time = 0;    // last 300 ms world pass; stamped at library load
    bool startup_notice_shown = false;

    bool mp_audio_loaded = false;  // "LoadMPData" is on
    Tick mp_audio_loaded_time = 0;
    std::int32_t mp_audio_window_ms = 2000;

    bool lock_pending = false;  // waiting for the gesture's delay
    bool unlock_pending = false;
    Tick lock_request_time = 0;
    Tick unlock_request_time = 0;
    bool locked_from_inside = false;
    bool unlocked_from_inside = false;

    std::int32_t lock_flashes_left = 0;
    std::int32_t unlock_flashes_left = 0;
    Tick last_flash_time = 0;
    bool lock_flash_active = false;  // lights must be restored at the series' end
    bool unlock_flash_active = false;
    bool flash_in_progress = false;  // neon upkeep pauses

    std::int32_t notification_sounds_left = 0;
    Tick last_notification_sound_time = 0;
    bool notification_is_lock = false;

    bool saved_neon_left = false;
    bool saved_neon_right = false;
    bool saved_neon_front = false;
    bool saved_neon_back = false;

    bool vehicle_has_moved = false;  // headlight mode 1 / interior-light mode 2 latch
    bool neon_move_latch = false;    // neon modes 2 and 4 latch
    float neon_step_interval_ms = 500.0f;
    Tick neon_step_time = 0;  // last sequential neon step
    std::int32_t neon_position = 0;  // 0 ... 3

    bool color_changer_running = false;

    int fob_prop = 0;
    bool fob_prop_visible = false;
    Tick anim_start_time = 0;
    std::int32_t anim_duration_ms = 0;
    std::uint32_t saved_weapon = 0;  // weapon hash given back after a gesture
    bool weapon_restore_pending = false;
    bool fob_sound_pending = false;
    Tick fob_sound_request_time = 0;

    bool vehicle_blip_applied = false;
    bool vehicle_persistent_applied = false;
};

extern RuntimeState runtime;

// Restores the library-load state: every field initial, the world-pass stamp
// set to the current tick (the first world pass runs ~300 ms after load).
void resetRuntimeState();

}  // namespace tavrel
