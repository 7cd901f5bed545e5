// Audio natives: sounds, the horn, the audio flags and the radio.
#include <algorithm>
#include <cstring>

#include "host/natives.h"
#include "sim/natives/radio_stations.h"
#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"

namespace tavrel::sim {

namespace {

template <typename F>
void onVehicle(NativeCall& c, F f) {
    if (SimVehicle* v = c.world.vehicle(c.i(0))) f(*v);
}

// The vehicle the player sits in, or null.
SimVehicle* playerVehicle(World& w) { return w.vehicle(w.player.vehicle); }

// A horn started with the player sitting in the car sounds only briefly; how
// briefly is not documented: this is the simulator's figure.
constexpr int kShortHornMs = 100;

const HandlerBinding kHandlers[] = {
    // [SECTION] Sounds and the horn
    {nat::PLAY_SOUND_FRONTEND, [](NativeCall& c) { c.sim.recordSound(c.s(1), c.s(2), "frontend"); }},
    {nat::PLAY_SOUND_FROM_ENTITY,
     [](NativeCall& c) {
         World& w = c.world;
         const int entity = c.i(2);
         if (w.isPlayer(entity)) return c.sim.recordSound(c.s(1), c.s(3), "player");
         if (const auto id = w.idOf(entity)) return c.sim.recordSound(c.s(1), c.s(3), "id", *id);
         c.sim.recordSound(c.s(1), c.s(3), "entity");
     }},
    {nat::START_VEHICLE_HORN,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             const bool player_inside = c.world.player.vehicle == v.handle;
             c.sim.recordHorn(v.id, player_inside ? std::min(c.i(1), kShortHornMs) : c.i(1));
         });
     }},
    {nat::SET_AUDIO_FLAG,
     [](NativeCall& c) {
         if (c.s(0) == nullptr) return;
         c.world.audio_flags[c.s(0)] = c.b(1);
         if (std::strcmp(c.s(0), "LoadMPData") == 0) c.world.mp_audio = c.b(1);
     }},

    // [SECTION] Radio
    {nat::GET_RADIO_STATION_NAME,
     [](NativeCall& c) { c.retText(c.i(0) >= 0 && c.i(0) < kRadioStationCount ? kRadioStations[c.i(0)] : nullptr); }},
    // The station the player hears: none on foot or with the radio off.
    {nat::GET_PLAYER_RADIO_STATION_NAME,
     [](NativeCall& c) {
         const SimVehicle* v = playerVehicle(c.world);
         if (v == nullptr || !v->radio_enabled || v->radio == kRadioOff) return c.retText(nullptr);
         c.retText(c.sim.keepText(v->radio));
     }},
    {nat::IS_PLAYER_VEH_RADIO_ENABLE,
     [](NativeCall& c) {
         const SimVehicle* v = playerVehicle(c.world);
         c.retBool(v != nullptr && v->radio_enabled);
     }},
    {nat::SET_VEHICLE_RADIO_ENABLED,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.radio_enabled = c.b(1); }); }},
    {nat::SET_VEH_FORCED_RADIO_THIS_FRAME,
     [](NativeCall& c) { onVehicle(c, [](SimVehicle& v) { ++v.forced_radio_frames; }); }},
    {nat::SET_VEH_RADIO_STATION,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (c.s(1) != nullptr) v.radio = c.s(1);
         });
     }},
    {nat::SET_VEHICLE_RADIO_LOUD, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.loud_radio = c.b(1); }); }},
};

}  // namespace

std::span<const HandlerBinding> audioHandlers() { return kHandlers; }

}  // namespace tavrel::sim
