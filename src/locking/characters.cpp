#include "locking/characters.h"

#include "config/settings.h"
#include "host/world_queries.h"
#include "locking/gesture.h"

namespace tavrel {

namespace {

constexpr const char* kMeleeDictionary = "melee@unarmed@base";

int playerPed() { return invoke<int>(nat::PLAYER_PED_ID); }

int pedHandles[kWorldCapacity];  // reused by every scan: no allocation

}  // namespace

void knockDown(int ped) { invoke(nat::SET_PED_TO_RAGDOLL, ped, 1000, 1000, 0, true, true, true); }

void resistEntry(int ped) {
    if (!ensureAnimDictLoaded(kMeleeDictionary)) return;
    if (ped == 0 || !entityExists(ped)) return;
    invoke(nat::TASK_PLAY_ANIM, ped, kMeleeDictionary, "melee_intro", 16.0f, -4.0f, -1, 0, 0.0f, false, false, false);
    invoke(nat::SET_PED_RAGDOLL_FORCE_FALL, ped);
    knockDown(ped);
}

void scanCharacters() {
    const int count = host::worldGetAllPeds(pedHandles, kWorldCapacity);
    for (int i = 0; i < count && i < kWorldCapacity; ++i) {
        const int ped = pedHandles[i];
        if (ped == 0 || !entityExists(ped)) continue;
        if (settings.nearby_peds_value == kKnockDownEveryone && ped != playerPed()) knockDown(ped);
        if (!invoke<bool>(nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, ped)) continue;
        if (settings.unbreakable_locks && ped != playerPed()) resistEntry(ped);
        if (settings.unbreakable_locks_for_player && ped == playerPed()) resistEntry(ped);
    }
}

}  // namespace tavrel
