#include "locking/timers.h"

#include <cstdint>

#include "config/setting_modes.h"
#include "config/settings.h"
#include "effects/colour_changer.h"
#include "host/world_queries.h"
#include "locking/gesture.h"
#include "locking/lock_sequence.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr const char* kSoundSet = "PI_Menu_Sounds";

Tick delayOf(std::int32_t ms) { return ms > 0 ? static_cast<Tick>(ms) : 0; }

void playSoundFrom(int entity, const char* name) {
    invoke(nat::PLAY_SOUND_FROM_ENTITY, -1, name, entity, kSoundSet, true, 0);
}

void restoreSavedNeon(int vehicle) {
    setNeonSide(vehicle, 0, runtime.saved_neon_left);
    setNeonSide(vehicle, 1, runtime.saved_neon_right);
    setNeonSide(vehicle, 2, runtime.saved_neon_front);
    setNeonSide(vehicle, 3, runtime.saved_neon_back);
}

void serviceGesture(Tick now) {
    const auto duration = static_cast<Tick>(runtime.anim_duration_ms);
    if (runtime.fob_prop_visible && hasElapsed(runtime.anim_start_time, duration / 2, now) && runtime.fob_prop != 0 &&
        entityExists(runtime.fob_prop)) {
        invoke(nat::SET_ENTITY_COLLISION, runtime.fob_prop, false, true);
        invoke(nat::SET_ENTITY_VISIBLE, runtime.fob_prop, false, false);
        runtime.fob_prop_visible = false;
    }
    if (hasElapsed(runtime.anim_start_time, duration + kWeaponBackAfterGestureMs, now) &&
        runtime.weapon_restore_pending) {
        giveBackWeapon(runtime.saved_weapon);
        runtime.weapon_restore_pending = false;
    }
    if (runtime.fob_sound_pending && hasElapsed(runtime.fob_sound_request_time, kFobSoundDelayMs, now)) {
        playSoundFrom(runtime.player_ped, "Remote_Control_Fob");
        runtime.fob_sound_pending = false;
    }
}

void servicePendingActions(Tick now) {
    if (!runtime.unlock_pending && !runtime.lock_pending) return;
    const Tick delay = isPedInAnyVehicle(runtime.player_ped, false) ? kActionDelayInVehicleMs : kActionDelayOnFootMs;
    if (runtime.unlock_pending && hasElapsed(runtime.unlock_request_time, delay, now)) {
        unlockVehicle();
        runtime.unlock_pending = false;
    }
    if (runtime.lock_pending && hasElapsed(runtime.lock_request_time, delay, now)) {
        lockVehicle();
        runtime.lock_pending = false;
    }
}

void serviceSoundSignal(Tick now) {
    if (runtime.notification_sounds_left <= 0) return;
    if (!hasElapsed(runtime.last_notification_sound_time, delayOf(settings.notification_sound_interval), now)) return;
    const int vehicle = runtime.tracked_vehicle;
    const int signal = settings.notification_sound_signal;
    if (signal == kSoundSignalHorn && settings.horn_duration > 0) {
        invoke(nat::START_VEHICLE_HORN, vehicle, settings.horn_duration, hashOf("HELDDOWN"), false);
    }
    if (signal == kSoundSignalBeep) {
        playSoundFrom(vehicle, runtime.notification_is_lock ? "Remote_Control_Close" : "Remote_Control_Open");
    }
    const int before = runtime.notification_sounds_left--;
    // Each further beep keeps the multiplayer audio data loaded longer.
    if (signal == kSoundSignalBeep && before >= 2 && settings.notification_sound_interval > 0) {
        const std::int32_t room = INT32_MAX - runtime.mp_audio_window_ms;  // saturates, never wraps
        runtime.mp_audio_window_ms += settings.notification_sound_interval < room ? settings.notification_sound_interval : room;
    }
    runtime.last_notification_sound_time = now;
}

// One step of a running flash series (lock or unlock).
void nextFlash(std::int32_t& flashes_left, bool& series_active, bool is_lock, Tick now) {
    runtime.flash_in_progress = true;
    series_active = true;
    flashStep(true, is_lock);
    --flashes_left;
    runtime.last_flash_time = now;
}

void serviceLockFlashes(Tick now) {
    if (!hasElapsed(runtime.last_flash_time, delayOf(settings.lock_flash_interval), now)) return;
    if (runtime.lock_flashes_left > 0) {
        nextFlash(runtime.lock_flashes_left, runtime.lock_flash_active, true, now);
    } else if (runtime.lock_flash_active && runtime.lock_flashes_left == 0) {
        const int vehicle = runtime.tracked_vehicle;
        runtime.flash_in_progress = false;
        setSignalLights(vehicle, false);
        restoreSavedNeon(vehicle);
        if (!runtime.locked_from_inside) {
            setEngine(vehicle, false);
            setHeadlightState(vehicle, kLightsNormal);
        }
        runtime.lock_flash_active = false;
        runtime.last_flash_time = now;
    }
}

void serviceUnlockFlashes(Tick now) {
    if (!hasElapsed(runtime.last_flash_time, delayOf(settings.unlock_flash_interval), now)) return;
    if (runtime.unlock_flashes_left > 0) {
        nextFlash(runtime.unlock_flashes_left, runtime.unlock_flash_active, false, now);
    } else if (runtime.unlock_flash_active && runtime.unlock_flashes_left == 0) {
        const int vehicle = runtime.tracked_vehicle;
        runtime.flash_in_progress = false;
        setSignalLights(vehicle, false);
        const int engine = settings.engine_on_after_unlocking;
        const bool stops = engine == kEngineOff || engine == kEngineDuringNotification;
        if (stops && !isPedInVehicle(runtime.player_ped, vehicle, true)) {
            setEngine(vehicle, false);
        }
        restoreSavedNeon(vehicle);
        runtime.unlock_flash_active = false;
    }
}

}  // namespace

void serviceTimers() {
    const Tick now = host::getTickCount();
    serviceGesture(now);
    servicePendingActions(now);
    serviceSoundSignal(now);
    serviceLockFlashes(now);
    serviceUnlockFlashes(now);
    stepColourChanger(now);
}

}  // namespace tavrel
