// Vehicle natives: model kinds, locks, engine, alarm, roof, doors, windows,
// seats, modifications, ownership, plates and blips.
#include <cmath>

#include "host/natives.h"
#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"
#include "sim/world/joaat.h"

namespace tavrel::sim {

namespace {

constexpr std::size_t kPlateChars = 8;  // the game's plates hold eight characters

// Runs `f` on the vehicle of argument 0 when it exists.
template <typename F>
void onVehicle(NativeCall& c, F f) {
    if (SimVehicle* v = c.world.vehicle(c.i(0))) f(*v);
}

template <VehicleKind K>
void isModelKind(NativeCall& c) {
    c.retBool(c.u(0) == joaat(vehicleKindModel(K)));
}

bool validDoor(int door) { return door >= 0 && door < kDoorCount; }

const HandlerBinding kHandlers[] = {
    // [SECTION] Model kinds and general state
    {nat::IS_THIS_MODEL_A_CAR, &isModelKind<VehicleKind::Car>},
    {nat::IS_THIS_MODEL_A_BIKE, &isModelKind<VehicleKind::Bike>},
    {nat::IS_THIS_MODEL_A_QUADBIKE, &isModelKind<VehicleKind::Quad>},
    {nat::IS_THIS_MODEL_A_HELI, &isModelKind<VehicleKind::Heli>},
    {nat::IS_THIS_MODEL_A_PLANE, &isModelKind<VehicleKind::Plane>},
    {nat::IS_THIS_MODEL_A_BOAT, &isModelKind<VehicleKind::Boat>},
    {nat::IS_THIS_MODEL_A_BICYCLE, &isModelKind<VehicleKind::Bicycle>},
    {nat::IS_THIS_MODEL_A_JETSKI, &isModelKind<VehicleKind::Jetski>},
    {nat::IS_THIS_MODEL_A_TRAIN, &isModelKind<VehicleKind::Train>},
    {nat::IS_VEHICLE_DRIVEABLE,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && v->driveable);
     }},
    // Stopped: below 0.1 m/s, in either direction.
    {nat::IS_VEHICLE_STOPPED,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && std::fabs(v->speed) < 0.1f);
     }},

    // [SECTION] Locks, alarm, engine, roof
    {nat::SET_VEHICLE_DOORS_LOCKED, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.lock = c.i(1); }); }},
    {nat::GET_VEHICLE_DOOR_LOCK_STATUS,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retInt(v != nullptr ? v->lock : 0);
     }},
    {nat::SET_VEHICLE_ALARM, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.alarm = c.b(1); }); }},
    {nat::SET_VEHICLE_ENGINE_ON, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.engine = c.b(1); }); }},
    {nat::GET_IS_VEHICLE_ENGINE_RUNNING,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && v->engine);
     }},
    {nat::IS_VEHICLE_A_CONVERTIBLE,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && v->convertible);
     }},
    {nat::LOWER_CONVERTIBLE_ROOF,
     [](NativeCall& c) { onVehicle(c, [](SimVehicle& v) { v.roof_down = v.convertible; }); }},
    {nat::RAISE_CONVERTIBLE_ROOF, [](NativeCall& c) { onVehicle(c, [](SimVehicle& v) { v.roof_down = false; }); }},

    // [SECTION] Doors and windows. A door opens or shuts at once (the game
    // swings it over a moment; nothing here depends on the swing).
    {nat::SET_VEHICLE_DOOR_OPEN,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (validDoor(c.i(1))) v.doors[static_cast<std::size_t>(c.i(1))] = 1.0f;
         });
     }},
    {nat::SET_VEHICLE_DOOR_SHUT,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (validDoor(c.i(1))) v.doors[static_cast<std::size_t>(c.i(1))] = 0.0f;
         });
     }},
    {nat::GET_VEHICLE_DOOR_ANGLE_RATIO,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retFloat(v != nullptr && validDoor(c.i(1)) ? v->doors[static_cast<std::size_t>(c.i(1))] : 0.0f);
     }},
    {nat::ROLL_DOWN_WINDOWS, [](NativeCall& c) { onVehicle(c, [](SimVehicle& v) { v.windows_down.fill(true); }); }},
    {nat::ROLL_UP_WINDOW,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (c.i(1) >= 0 && c.i(1) < kWindowCount) v.windows_down[static_cast<std::size_t>(c.i(1))] = false;
         });
     }},

    // [SECTION] Seats, modifications, ownership, plate
    // Only the driver's seat (-1) is modelled: the player or a scenario driver.
    {nat::GET_PED_IN_VEHICLE_SEAT,
     [](NativeCall& c) {
         World& w = c.world;
         const SimVehicle* v = w.vehicle(c.i(0));
         if (v == nullptr || c.i(1) != -1) return c.retInt(0);
         if (w.player.vehicle == v->handle) return c.retInt(w.player.handle);
         c.retInt(w.exists(v->driver_ped) ? v->driver_ped : 0);
     }},
    {nat::SET_VEHICLE_MOD_KIT, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.mod_kit = c.i(1); }); }},
    // The game ignores modifications until modification kit 0 is selected.
    {nat::SET_VEHICLE_MOD,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (v.mod_kit == 0) v.mods[c.i(1)] = c.i(2);
         });
     }},
    {nat::SET_VEHICLE_HAS_BEEN_OWNED_BY_PLAYER,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.owned = c.b(1); }); }},
    {nat::SET_VEHICLE_NUMBER_PLATE_TEXT,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (c.s(1) != nullptr) v.plate = std::string(c.s(1)).substr(0, kPlateChars);
         });
     }},

    // [SECTION] Blips
    {nat::ADD_BLIP_FOR_ENTITY,
     [](NativeCall& c) { c.retInt(c.world.exists(c.i(0)) ? c.world.addBlip(c.i(0)).handle : 0); }},
    {nat::GET_BLIP_FROM_ENTITY,
     [](NativeCall& c) {
         const SimBlip* b = c.world.blipOf(c.i(0));
         c.retInt(b != nullptr ? b->handle : 0);
     }},
    {nat::DOES_BLIP_EXIST, [](NativeCall& c) { c.retBool(c.world.blip(c.i(0)) != nullptr); }},
    {nat::SET_BLIP_SPRITE,
     [](NativeCall& c) {
         if (SimBlip* b = c.world.blip(c.i(0))) b->sprite = c.i(1);
     }},
    {nat::REMOVE_BLIP,
     [](NativeCall& c) {
         if (int* b = c.out<int>(0)) c.world.removeBlip(*b);
     }},
};

}  // namespace

std::span<const HandlerBinding> vehicleHandlers() { return kHandlers; }

}  // namespace tavrel::sim
