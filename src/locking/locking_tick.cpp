#include "locking/locking_tick.h"

#include "config/persistence.h"
#include "config/setting_modes.h"
#include "config/settings.h"
#include "effects/vehicle_upkeep.h"
#include "host/version.h"
#include "host/world_queries.h"
#include "input/input.h"
#include "locking/characters.h"
#include "locking/gesture.h"
#include "locking/lock_sequence.h"
#include "locking/request_log.h"
#include "locking/timers.h"
#include "state/plugin_log.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr const char* kStartupNotice = "Tavrel " TAVREL_VERSION_TEXT " by Kestrin";
constexpr const char* kIniRestoredNotice = "Tavrel: TavrelConfig.ini was put back after an interrupted save";
constexpr const char* kMultiplayerAudio = "LoadMPData";

enum class Request { None, Lock, Unlock };

struct PendingRequest {
    Request request = Request::None;
    bool combo = false;  // the controller combination, not the hotkey
};

// The hotkey first, then the combination (which asks the game), lock first.
PendingRequest pendingRequest() {
    if (isLockHotkeyDown()) return {Request::Lock, false};
    if (isLockComboPressed()) return {Request::Lock, true};
    if (isUnlockHotkeyDown()) return {Request::Unlock, false};
    if (isUnlockComboPressed()) return {Request::Unlock, true};
    return {};
}

// Blocks (yielding each frame) while the player is dead or being arrested.
// A hotkey pressed meanwhile is told to the log as refused.
void waitWhilePlayerIncapable() {
    for (;;) {
        const int ped = invoke<int>(nat::PLAYER_PED_ID);
        const bool dead = invoke<bool>(nat::IS_ENTITY_DEAD, ped, false);
        if (!dead && !invoke<bool>(nat::IS_PLAYER_BEING_ARRESTED, invoke<int>(nat::PLAYER_ID), true)) return;
        noteRefusedPresses(dead ? "the player is dead" : "the player is being arrested");
        host::scriptWait(0);
    }
}

bool isRefused(Request request) {
    const int player = runtime.player_ped;
    if (!invoke<bool>(nat::IS_PED_GETTING_INTO_A_VEHICLE, player)) return false;
    // Getting in: an unlock still goes ahead when the door the player pulls is locked.
    return request == Request::Lock || !invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, player);
}

void setMultiplayerAudio(bool on) { invoke(nat::SET_AUDIO_FLAG, kMultiplayerAudio, on); }

void act(const PendingRequest& pending) {
    const Request request = pending.request;
    const bool inside = isPedInAnyVehicle(runtime.player_ped, false);
    const int animation = settings.animation;
    const bool gesture = animation == kGesturePhone || animation == kGestureFob ||
                         (animation == kGestureOnFootOnly && !inside);
    // Without a gesture, a fob click or a beep to wait for, the car answers
    // in this very frame.
    const bool immediate = !gesture && !settings.remote_control_fob_sound &&
                           settings.notification_sound_signal != kSoundSignalBeep;
    const bool waiting = runtime.lock_pending || runtime.unlock_pending;
    logRequest(request == Request::Lock, pending.combo,
               immediate ? (waiting ? "acting at once, instead of the request still waiting" : "acting at once")
               : gesture ? "acting after the gesture"
                         : "acting after the remote's delay");
    if (immediate) {
        // Served at once, the request supersedes any still waiting for its
        // gesture (one paused while the player was dead or arrested): an
        // older request never acts after a newer one.
        runtime.lock_pending = false;
        runtime.unlock_pending = false;
        request == Request::Lock ? lockVehicle() : unlockVehicle();
        return;
    }
    if (settings.remote_control_fob_sound || settings.notification_sound_signal == kSoundSignalBeep) {
        setMultiplayerAudio(true);
        runtime.mp_audio_loaded = true;
        runtime.mp_audio_loaded_time = host::getTickCount();
    }
    startRemoteAnimation();
    const Tick now = host::getTickCount();
    if (request == Request::Lock) {
        runtime.lock_pending = true;
        runtime.lock_request_time = now;
    } else {
        runtime.unlock_pending = true;
        runtime.unlock_request_time = now;
    }
}

// The multiplayer audio data stays on for its window; in a vehicle it goes
// off at once.
void serviceMultiplayerAudio() {
    if (!runtime.mp_audio_loaded) return;
    const bool in_vehicle = isPedInAnyVehicle(runtime.player_ped, false);
    if (in_vehicle) runtime.mp_audio_loaded_time = 0;
    const auto window = static_cast<Tick>(runtime.mp_audio_window_ms);
    if (in_vehicle || hasElapsed(runtime.mp_audio_loaded_time, window, host::getTickCount())) {
        setMultiplayerAudio(false);
        runtime.mp_audio_loaded = false;
    }
}

void worldPass() {
    if (!entityExists(runtime.player_ped)) return;
    if (settings.unbreakable_locks || settings.unbreakable_locks_for_player) scanCharacters();
    const int vehicle = runtime.tracked_vehicle;
    if (vehicle == 0 || !entityExists(vehicle)) return;
    updateHeadlights(false);
    updateNeon();
    updateInteriorLight(false);
    if (entityExists(vehicle)) keepEngineRunning();
}

}  // namespace

void showStartupNotice() {
    if (runtime.startup_notice_shown) return;
    if (invoke<bool>(nat::GET_IS_LOADING_SCREEN_ACTIVE)) return;
    postFeedNotice(kStartupNotice);
    if (iniRecovery().restored) postFeedNotice(kIniRestoredNotice);
    runtime.startup_notice_shown = true;
}

void serveHotkeys() {
    const PendingRequest pending = pendingRequest();
    const Request request = pending.request;
    if (request == Request::None) {
        // A hotkey pressed again inside the input guard is not served.
        if (logOn() && !hasElapsed(runtime.last_input_action_time, kHotkeyGuardMs, host::getTickCount())) {
            noteRefusedPresses("less than 1 s after the previous request or menu toggle (input guard)");
        }
        return;
    }

    // Every request re-reads the whole configuration, so hand edits apply.
    runtime.last_input_action_time = host::getTickCount();
    reloadSettings();
    if (!pending.combo) noteServedPress(request == Request::Lock);

    if (isRefused(request)) {
        // Getting in has two stages: at the door (not in the car yet), then
        // climbing onto the seat (in it, counting one being entered).
        if (logOn()) {
            logRequest(request == Request::Lock, pending.combo,
                       isPedInAnyVehicle(runtime.player_ped, true)
                           ? "refused, the player is climbing into a vehicle"
                           : "refused, the player is at a vehicle's door, getting in");
        }
    } else {
        act(pending);
    }

    host::scriptWait(0);
    runtime.last_input_action_time = host::getTickCount();
}

void lockingTick() {
    showStartupNotice();
    waitWhilePlayerIncapable();
    runtime.player_ped = invoke<int>(nat::PLAYER_PED_ID);
    serveHotkeys();
    serviceTimers();
    serviceMultiplayerAudio();
    if (settings.sequential_neon_lights) stepSequentialNeon();
    if (!hasElapsed(runtime.last_world_scan_time, kWorldPassIntervalMs, host::getTickCount())) return;
    worldPass();
    runtime.last_world_scan_time = host::getTickCount();
}

}  // namespace tavrel
