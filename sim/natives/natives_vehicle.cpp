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
constexpr int kLastHorn = 51;           // horn modifications 0 ... 51; any other index fits the stock horn
constexpr float kStoppedSpeed = 0.02f;            // m/s: walking-pace creep or less
constexpr float kStoppedSpeedHandbrake = 0.05f;   // m/s, with the handbrake on

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
    // Stopped: at most 0.02 m/s (0.05 with the handbrake on), in either direction.
    {nat::IS_VEHICLE_STOPPED,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && std::fabs(v->speed) <= (v->handbrake ? kStoppedSpeedHandbrake : kStoppedSpeed));
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
    // Reads false while a character climbs in (the engine itself keeps its state).
    {nat::GET_IS_VEHICLE_ENGINE_RUNNING,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && v->engine && !c.world.someoneClimbingInto(v->handle));
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
    // Asking who sits in an empty seat of an ambient vehicle (not a mission
    // entity) makes the game create a character there, who stays. A seat the
    // vehicle lacks answers 0.
    {nat::GET_PED_IN_VEHICLE_SEAT,
     [](NativeCall& c) {
         World& w = c.world;
         SimVehicle* v = w.vehicle(c.i(0));
         const int seat = c.i(1);
         if (v == nullptr || !hasSeat(v->kind, seat)) return c.retInt(0);
         if (const int seated = w.occupant(*v, seat)) return c.retInt(seated);
         c.retInt(v->mission ? 0 : w.createOccupant(*v, seat).handle);
     }},
    // The flag also counts a seat someone is on the way to; the plug-in passes
    // false. A seat the vehicle lacks is not free.
    {nat::IS_VEHICLE_SEAT_FREE,
     [](NativeCall& c) {
         World& w = c.world;
         const SimVehicle* v = w.vehicle(c.i(0));
         c.retBool(v != nullptr && hasSeat(v->kind, c.i(1)) && w.occupant(*v, c.i(1)) == 0);
     }},
    {nat::SET_VEHICLE_MOD_KIT, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.mod_kit = c.i(1); }); }},
    // The game ignores modifications until modification kit 0 is selected;
    // a horn index it does not have fits the stock horn (-1).
    {nat::SET_VEHICLE_MOD,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             const bool stock = c.i(1) == kHornModSlot && (c.i(2) < 0 || c.i(2) > kLastHorn);
             if (v.mod_kit == 0) v.mods[c.i(1)] = stock ? -1 : c.i(2);
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
