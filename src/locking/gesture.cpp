#include "locking/gesture.h"

#include <cstring>

#include "config/setting_modes.h"
#include "config/settings.h"
#include "host/world_queries.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

constexpr const char* kFobDictionary = "anim@mp_player_intmenu@key_fob@";
constexpr const char* kPhoneDictionary = "cellphone@";
constexpr const char* kFobPropModel = "lr_prop_carkey_fob";
constexpr int kHandBone = 28422;
constexpr int kFlagsWhileMoving = 120;

struct Clip {
    const char* dictionary;
    const char* name;
    float blend_in;
    float blend_out;
    int duration;
    std::int32_t anim_duration_ms;
};

constexpr Clip kFobOnFoot{kFobDictionary, "fob_click", 16.0f, 1.0f, 750, 2000};
constexpr Clip kFobInVehicle{kPhoneDictionary, "cellphone_horizontal_outro", 0.5f, 1.0f, 100, 100};
constexpr Clip kPhoneInVehicle{kPhoneDictionary, "cellphone_horizontal_intro", 0.5f, 1.0f, 100, 100};
constexpr Clip kPhoneOnFoot{kPhoneDictionary, "cellphone_horizontal_intro", 10.0f, -5.0f, 500, 2000};

// Dictionaries and models that did not load in time. The characters scan
// asks for its dictionary every 300 ms: waiting 5 s each time would stall the
// main script.
struct LoadFailure {
    const char* name = nullptr;  // one of the constant names; null: free slot
    Tick at = 0;
};
LoadFailure loadFailures[4];  // three dictionaries and the fob model

LoadFailure* failureOf(const char* name) {
    for (LoadFailure& failure : loadFailures) {
        if (failure.name != nullptr && std::strcmp(failure.name, name) == 0) return &failure;
    }
    return nullptr;
}

void recordFailure(const char* name, Tick now) {
    LoadFailure* slot = failureOf(name);
    for (LoadFailure& failure : loadFailures) {
        if (slot == nullptr && failure.name == nullptr) slot = &failure;
    }
    if (slot == nullptr) slot = &loadFailures[0];  // more names than slots: forget the oldest-placed
    *slot = LoadFailure{name, now};
}

// Requests a streamed asset (`request`) and polls `loaded` every 50 ms until
// it is in memory; gives up after 5 s and then, for a minute, only asks.
template <typename Request, typename Loaded>
bool waitUntilLoaded(const char* name, Request request, Loaded loaded) {
    request();
    LoadFailure* failure = failureOf(name);
    const Tick start = host::getTickCount();
    for (;;) {
        if (loaded()) {
            if (failure != nullptr) failure->name = nullptr;
            return true;
        }
        const Tick now = host::getTickCount();
        // Recently given up on: asked, not waited for again.
        if (failure != nullptr && isWithin(failure->at, kAssetRetryMs, now)) return false;
        if (hasElapsed(start, kAssetTimeoutMs, now)) {
            recordFailure(name, now);
            return false;
        }
        host::scriptWait(kAssetPollMs);
    }
}

int onFootFlags() {
    return invoke<float>(nat::GET_ENTITY_SPEED, runtime.player_ped) > 0.0f ? kFlagsWhileMoving : 0;
}

void playClip(const Clip& clip, int flags) {
    invoke(nat::TASK_PLAY_ANIM, runtime.player_ped, clip.dictionary, clip.name, clip.blend_in, clip.blend_out,
           clip.duration, flags, 0.0f, false, false, false);
    runtime.anim_duration_ms = clip.anim_duration_ms;
    runtime.anim_start_time = host::getTickCount();
}

void playPhoneGesture() {
    if (!ensureAnimDictLoaded(kPhoneDictionary)) return;
    if (isPedInAnyVehicle(runtime.player_ped, false)) {
        if (!ensureAnimDictLoaded(kPhoneDictionary)) return;
        playClip(kPhoneInVehicle, 16);
    } else if (!isPedInAnyVehicle(runtime.player_ped, true)) {
        playClip(kPhoneOnFoot, onFootFlags());
    }
    holsterWeapon();
}

}  // namespace

bool ensureAnimDictLoaded(const char* dictionary) {
    return waitUntilLoaded(
        dictionary, [dictionary] { invoke(nat::REQUEST_ANIM_DICT, dictionary); },
        [dictionary] { return invoke<bool>(nat::HAS_ANIM_DICT_LOADED, dictionary); });
}

bool ensureModelLoaded(const char* model_name, std::uint32_t model) {
    return waitUntilLoaded(
        model_name, [model] { invoke(nat::REQUEST_MODEL, model); },
        [model] { return invoke<bool>(nat::HAS_MODEL_LOADED, model); });
}

void resetLoadFailures() {
    for (LoadFailure& failure : loadFailures) failure = LoadFailure{};
}

void holsterWeapon() {
    const std::uint32_t selected = invoke<std::uint32_t>(nat::GET_SELECTED_PED_WEAPON, runtime.player_ped);
    // A second gesture before the first gave the weapon back would otherwise
    // remember "unarmed" and lose the weapon the player really held.
    if (!runtime.weapon_restore_pending) runtime.saved_weapon = selected;
    invoke(nat::SET_CURRENT_PED_WEAPON, runtime.player_ped, hashOf("WEAPON_UNARMED"), true);
    runtime.weapon_restore_pending = true;
}

void giveBackWeapon(std::uint32_t weapon) {
    invoke(nat::SET_CURRENT_PED_WEAPON, runtime.player_ped, weapon, true);
}

bool showFobProp() {
    const int player = runtime.player_ped;
    if (runtime.fob_prop != 0 && entityExists(runtime.fob_prop)) {
        invoke(nat::SET_ENTITY_COLLISION, runtime.fob_prop, false, true);
        invoke(nat::SET_ENTITY_VISIBLE, runtime.fob_prop, true, false);
    } else {
        const std::uint32_t model = hashOf(kFobPropModel);
        if (!ensureModelLoaded(kFobPropModel, model)) return false;
        const Vector3 at = invoke<Vector3>(nat::GET_ENTITY_COORDS, player, false);
        runtime.fob_prop = invoke<int>(nat::CREATE_OBJECT, model, at.x, at.y, at.z, true, false, false);
        invoke(nat::SET_MODEL_AS_NO_LONGER_NEEDED, model);  // the object keeps what it needs
        if (runtime.fob_prop == 0) return false;
    }
    const int bone = invoke<int>(nat::GET_PED_BONE_INDEX, player, kHandBone);
    invoke(nat::ATTACH_ENTITY_TO_ENTITY, runtime.fob_prop, player, bone, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, true,
           false, false, false, 2, true, 0);
    return true;
}

void playFobAnimation() {
    holsterWeapon();
    if (isPedInAnyVehicle(runtime.player_ped, false)) {
        if (ensureAnimDictLoaded(kPhoneDictionary)) playClip(kFobInVehicle, 16);
        return;
    }
    // Getting in: no clip; the weapon comes back as soon as the old gesture's
    // time has run out.
    if (isPedInAnyVehicle(runtime.player_ped, true)) return;
    if (!ensureAnimDictLoaded(kFobDictionary)) return;
    const bool prop_shown = showFobProp();  // without its model the gesture goes on bare-handed
    playClip(kFobOnFoot, onFootFlags());
    runtime.fob_prop_visible = prop_shown;
}

void startRemoteAnimation() {
    switch (settings.animation) {
        case kGestureOnFootOnly:
            if (!isPedInAnyVehicle(runtime.player_ped, false)) playFobAnimation();
            break;
        case kGesturePhone: playPhoneGesture(); break;
        case kGestureFob: playFobAnimation(); break;
        default: break;
    }
    if (settings.remote_control_fob_sound && !isPedInAnyVehicle(runtime.player_ped, false)) {
        runtime.fob_sound_pending = true;
        runtime.fob_sound_request_time = host::getTickCount();
    }
}

}  // namespace tavrel
