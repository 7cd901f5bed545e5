// Natives of the player, characters, entities, objects, weapons, animation
// dictionaries, controls and hashing.
#include <cmath>
#include <string>

#include "host/natives.h"
#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"
#include "sim/world/joaat.h"

namespace tavrel::sim {

namespace {

constexpr std::uint64_t kStreamLoadFrames = 3;  // a requested dictionary or model is loaded this many frames later

float speedOf(World& w, int handle) {
    if (SimVehicle* v = w.vehicle(handle)) return v->speed;
    if (w.isPlayer(handle)) {
        if (SimVehicle* v = w.vehicle(w.player.vehicle)) return v->speed;
        return w.player.speed;
    }
    if (SimVehicle* v = w.vehicle(w.vehicleOf(handle))) return v->speed;
    return 0.0f;
}

std::uint32_t modelOf(World& w, int handle) {
    if (SimVehicle* v = w.vehicle(handle)) return v->model;
    if (SimProp* p = w.prop(handle)) return p->model;
    if (w.isPlayer(handle)) return joaat("player_zero");
    if (w.ped(handle) != nullptr) return joaat("a_m_y_skater_01");
    return 0;
}

void setAnim(World& w, int ped, const char* clip) {
    if (w.isPlayer(ped)) w.player.anim = clip;
    else if (SimPed* p = w.ped(ped)) p->anim = clip;
}

const World::Control* control(NativeCall& c) {
    if (c.i(0) != 2) return nullptr;  // only control group 2 is modelled
    const auto it = c.world.controls.find(c.i(1));
    return it == c.world.controls.end() ? nullptr : &it->second;
}

// A streamed asset (dictionary or model) is in memory from kStreamLoadFrames
// after its first request, unless it never loads.
template <typename Key, typename Requests, typename Never>
bool streamedIn(const NativeCall& c, const Key& key, const Requests& requests, const Never& never) {
    if (never.count(key) != 0) return false;
    const auto it = requests.find(key);
    return it != requests.end() && c.sim.frame() >= it->second + kStreamLoadFrames;
}

bool dictLoaded(NativeCall& c, const char* name) {
    return name != nullptr && streamedIn(c, std::string(name), c.world.dict_requests, c.world.dicts_never);
}

bool modelLoaded(NativeCall& c, std::uint32_t model) {
    return streamedIn(c, model, c.world.model_requests, c.world.models_never);
}

const HandlerBinding kHandlers[] = {
    // [SECTION] Player and characters
    {nat::PLAYER_PED_ID, [](NativeCall& c) { c.retInt(c.world.player.handle); }},
    {nat::PLAYER_ID, [](NativeCall& c) { c.retInt(0); }},
    {nat::IS_ENTITY_DEAD, [](NativeCall& c) { c.retBool(c.world.isPlayer(c.i(0)) && c.world.player.dead); }},
    {nat::IS_PLAYER_BEING_ARRESTED, [](NativeCall& c) { c.retBool(c.i(0) == 0 && c.world.player.arrested); }},
    {nat::SET_PLAYER_CONTROL,
     [](NativeCall& c) {
         if (c.i(0) != 0) return;
         c.world.player.control = c.b(1);
         c.world.player.control_flags = c.i(2);
     }},
    // Getting in has two stages (EntryStage): at the door the character is
    // not in the vehicle yet, whatever the flag (a locked door keeps it
    // there); with at-get-in true it is once the door is open and it climbs
    // onto the seat; seated it is.
    {nat::IS_PED_IN_ANY_VEHICLE,
     [](NativeCall& c) {
         World& w = c.world;
         c.retBool(w.vehicleOf(c.i(0)) != 0 || (c.b(1) && w.climbingInto(c.i(0)) != 0));
     }},
    {nat::IS_PED_IN_VEHICLE,
     [](NativeCall& c) {
         World& w = c.world;
         const int veh = c.i(1);
         c.retBool(veh != 0 && (w.vehicleOf(c.i(0)) == veh || (c.b(2) && w.climbingInto(c.i(0)) == veh)));
     }},
    // Both stages: the enter task runs from the door to the seat.
    {nat::IS_PED_GETTING_INTO_A_VEHICLE, [](NativeCall& c) { c.retBool(c.world.enteringOf(c.i(0)) != 0); }},
    // Only at a door that stays shut: once climbing in, the door is open.
    {nat::IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE, [](NativeCall& c) { c.retBool(c.world.atLockedDoor(c.i(0))); }},
    // With the flag, a character in no vehicle answers the vehicle it is
    // getting into (either stage), else the player's last vehicle, a wreck
    // included. The references disagree on the flag (a vehicle being entered,
    // or the last one); this keeps the first reading.
    {nat::GET_VEHICLE_PED_IS_IN,
     [](NativeCall& c) {
         World& w = c.world;
         int veh = w.vehicleOf(c.i(0));
         if (veh == 0 && c.b(1)) veh = w.enteringOf(c.i(0));
         if (veh == 0 && c.b(1) && w.isPlayer(c.i(0)) && w.exists(w.player.last_vehicle)) veh = w.player.last_vehicle;
         c.retInt(veh);
     }},
    // Either stage, whatever the lock.
    {nat::GET_VEHICLE_PED_IS_TRYING_TO_ENTER, [](NativeCall& c) { c.retInt(c.world.enteringOf(c.i(0))); }},
    // 0 once the last vehicle is destroyed (a wreck, driveable=0), not only once it is gone.
    {nat::GET_PLAYERS_LAST_VEHICLE,
     [](NativeCall& c) {
         const SimVehicle* last = c.world.vehicle(c.world.player.last_vehicle);
         c.retInt(last != nullptr && last->driveable ? last->handle : 0);
     }},
    // Bone indices are the simulator's own numbering: any bone of an existing character maps to one.
    {nat::GET_PED_BONE_INDEX, [](NativeCall& c) { c.retInt(c.world.exists(c.i(0)) ? 1 + (c.i(1) & 0xFF) : -1); }},
    {nat::SET_PED_TO_RAGDOLL,
     [](NativeCall& c) {
         World& w = c.world;
         if (w.isPlayer(c.i(0))) ++w.player.ragdolls;
         else if (SimPed* p = w.ped(c.i(0))) ++p->ragdolls;
         else return c.retBool(false);
         c.retBool(true);
     }},
    // Makes a ragdoll fall; nothing the world keeps.
    {nat::SET_PED_RAGDOLL_FORCE_FALL, [](NativeCall&) {}},
    // The game plays a clip only from a loaded dictionary; otherwise the task does nothing.
    {nat::TASK_PLAY_ANIM,
     [](NativeCall& c) {
         if (c.s(2) != nullptr && dictLoaded(c, c.s(1))) setAnim(c.world, c.i(0), c.s(2));
     }},
    {nat::REQUEST_ANIM_DICT,
     [](NativeCall& c) {
         if (c.s(0) != nullptr) c.world.dict_requests.try_emplace(c.s(0), c.sim.frame());
     }},
    {nat::HAS_ANIM_DICT_LOADED, [](NativeCall& c) { c.retBool(dictLoaded(c, c.s(0))); }},
    {nat::REQUEST_MODEL, [](NativeCall& c) { c.world.model_requests.try_emplace(c.u(0), c.sim.frame()); }},
    {nat::HAS_MODEL_LOADED, [](NativeCall& c) { c.retBool(modelLoaded(c, c.u(0))); }},
    // Strict: a released model is gone at once (the game may keep it a while).
    {nat::SET_MODEL_AS_NO_LONGER_NEEDED, [](NativeCall& c) { c.world.model_requests.erase(c.u(0)); }},
    {nat::GET_SELECTED_PED_WEAPON,
     [](NativeCall& c) {
         c.retInt(static_cast<int>(c.world.isPlayer(c.i(0)) ? c.world.player.weapon : joaat("weapon_unarmed")));
     }},
    {nat::SET_CURRENT_PED_WEAPON,
     [](NativeCall& c) {
         if (c.world.isPlayer(c.i(0))) c.world.player.weapon = c.u(1);
     }},

    // [SECTION] Entities and objects
    {nat::DOES_ENTITY_EXIST, [](NativeCall& c) { c.retBool(c.world.exists(c.i(0))); }},
    {nat::GET_ENTITY_COORDS, [](NativeCall& c) { c.retVec(c.world.position(c.i(0))); }},
    {nat::GET_ENTITY_MODEL, [](NativeCall& c) { c.retInt(static_cast<int>(modelOf(c.world, c.i(0)))); }},
    {nat::GET_ENTITY_SPEED, [](NativeCall& c) { c.retFloat(speedOf(c.world, c.i(0))); }},
    // Vehicles face along +y in this world, so the world and the
    // vehicle-relative velocity agree: forward on y, the rest sideways on x.
    {nat::GET_ENTITY_SPEED_VECTOR,
     [](NativeCall& c) {
         World& w = c.world;
         if (SimVehicle* v = w.vehicle(c.i(0))) {
             const float side = std::sqrt(std::fmax(0.0f, v->speed * v->speed - v->forward * v->forward));
             return c.retVec(side, v->forward, 0.0f);
         }
         c.retVec(0.0f, speedOf(w, c.i(0)), 0.0f);
     }},
    // Mission status: the game marks the entity whatever the first flag says
    // (the flags are about script ownership), so the plug-in's release path is
    // the only way back.
    {nat::SET_ENTITY_AS_MISSION_ENTITY,
     [](NativeCall& c) {
         if (SimVehicle* v = c.world.vehicle(c.i(0))) v->mission = true;
     }},
    {nat::IS_ENTITY_A_MISSION_ENTITY,
     [](NativeCall& c) {
         SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && v->mission);
     }},
    {nat::SET_ENTITY_AS_NO_LONGER_NEEDED,
     [](NativeCall& c) {
         if (int* e = c.out<int>(0)) {
             if (SimVehicle* v = c.world.vehicle(*e)) v->mission = false;
         }
     }},
    // The game creates no object whose model is not loaded: it answers 0.
    {nat::CREATE_OBJECT,
     [](NativeCall& c) {
         if (!modelLoaded(c, c.u(0))) {
             ++c.world.refused_objects;
             return c.retInt(0);
         }
         c.retInt(c.world.addProp(c.u(0), Vec3{c.f(1), c.f(2), c.f(3)}).handle);
     }},
    {nat::ATTACH_ENTITY_TO_ENTITY,
     [](NativeCall& c) {
         SimProp* p = c.world.prop(c.i(0));
         if (p == nullptr || !c.world.exists(c.i(1)) || c.i(0) == c.i(1)) return;
         p->attached_to = c.i(1);
         p->bone = c.i(2);
     }},
    {nat::SET_ENTITY_VISIBLE,
     [](NativeCall& c) {
         if (SimProp* p = c.world.prop(c.i(0))) p->visible = c.b(1);
     }},
    {nat::SET_ENTITY_COLLISION,
     [](NativeCall& c) {
         if (SimProp* p = c.world.prop(c.i(0))) p->collision = c.b(1);
     }},

    // [SECTION] Controls, hashing, geometry, loading screen
    {nat::IS_CONTROL_PRESSED,
     [](NativeCall& c) {
         const World::Control* k = control(c);
         c.retBool(k != nullptr && k->pressed);
     }},
    {nat::IS_CONTROL_JUST_PRESSED,
     [](NativeCall& c) {
         const World::Control* k = control(c);
         c.retBool(k != nullptr && k->just_pressed);
     }},
    {nat::IS_CONTROL_JUST_RELEASED,
     [](NativeCall& c) {
         const World::Control* k = control(c);
         c.retBool(k != nullptr && k->just_released);
     }},
    {nat::GET_HASH_KEY,
     [](NativeCall& c) { c.retInt(c.s(0) != nullptr ? static_cast<int>(c.world.hashName(c.s(0))) : 0); }},
    {nat::GET_DISTANCE_BETWEEN_COORDS,
     [](NativeCall& c) {
         const float dx = c.f(0) - c.f(3);
         const float dy = c.f(1) - c.f(4);
         const float dz = c.b(6) ? c.f(2) - c.f(5) : 0.0f;
         c.retFloat(std::sqrt(dx * dx + dy * dy + dz * dz));
     }},
    // The ground is flat at height 0, except below a vehicle that says
    // otherwise (its `ground` value, for points within half a metre of it).
    // Where no ground is found (ground=none) the answer is false and the
    // height 0, as the game gives where the ground is not loaded. Over water
    // (water=) the water's surface is ground only with the fifth argument
    // true (one reference's reading; the other calls the flag "ignore
    // water"); with it false the answer is the seabed.
    {nat::GET_GROUND_Z_FOR_3D_COORD,
     [](NativeCall& c) {
         float ground = 0.0f;
         bool found = true;
         for (const auto& [id, v] : c.world.vehicles) {
             if (std::fabs(v.pos.x - c.f(0)) <= 0.5f && std::fabs(v.pos.y - c.f(1)) <= 0.5f) {
                 found = v.ground_known;
                 ground = !found ? 0.0f : c.b(4) ? v.ground : v.ground - v.water_depth;
             }
         }
         if (float* out = c.out<float>(3)) *out = ground;
         c.retBool(found);
     }},
    {nat::GET_IS_LOADING_SCREEN_ACTIVE, [](NativeCall& c) { c.retBool(c.world.loading_screen); }},
};

}  // namespace

std::span<const HandlerBinding> entityHandlers() { return kHandlers; }

}  // namespace tavrel::sim
