// Small typed queries of the game world used across the plug-in.
#pragma once
#include "host/native_invoker.h"

namespace tavrel {

inline bool entityExists(int entity) { return invoke<bool>(nat::DOES_ENTITY_EXIST, entity); }

inline bool isPedInAnyVehicle(int ped, bool at_get_in) {
    return invoke<bool>(nat::IS_PED_IN_ANY_VEHICLE, ped, at_get_in);
}

inline bool isPedInVehicle(int ped, int vehicle, bool at_get_in) {
    return invoke<bool>(nat::IS_PED_IN_VEHICLE, ped, vehicle, at_get_in);
}

inline bool isVehicleStopped(int vehicle) { return invoke<bool>(nat::IS_VEHICLE_STOPPED, vehicle); }

inline std::uint32_t entityModel(int entity) { return invoke<std::uint32_t>(nat::GET_ENTITY_MODEL, entity); }

inline float distanceBetween(const Vector3& a, const Vector3& b) {
    return invoke<float>(nat::GET_DISTANCE_BETWEEN_COORDS, a.x, a.y, a.z, b.x, b.y, b.z, true);
}

// A speed in m/s truncated to whole m/s; out-of-range host answers are clamped.
inline int wholeSpeed(float metres_per_second) {
    if (!(metres_per_second > 0.0f)) return 0;
    return metres_per_second < 100000.0f ? static_cast<int>(metres_per_second) : 100000;
}

inline std::uint32_t hashOf(const char* name) { return invoke<std::uint32_t>(nat::GET_HASH_KEY, name); }

// Posts `text` (a constant: nothing is copied) as a feed ticker notification.
inline void postFeedNotice(const char* text) {
    invoke(nat::BEGIN_TEXT_COMMAND_THEFEED_POST, "STRING");
    invoke(nat::ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME, text);
    invoke<int>(nat::END_TEXT_COMMAND_THEFEED_POST_TICKER, true, true);
}

inline void setNeonSide(int vehicle, int side, bool on) { invoke(nat::SET_VEHICLE_NEON_ENABLED, vehicle, side, on); }

inline void setEngine(int vehicle, bool on) { invoke(nat::SET_VEHICLE_ENGINE_ON, vehicle, on, true, false); }

inline void setHeadlightState(int vehicle, int state) { invoke(nat::SET_VEHICLE_LIGHTS, vehicle, state); }

// Headlight states of SET_VEHICLE_LIGHTS.
inline constexpr int kLightsNormal = 0;
inline constexpr int kLightsForcedOff = 1;
inline constexpr int kLightsForcedOn = 2;

}  // namespace tavrel
