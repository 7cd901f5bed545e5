#include "effects/vehicle_markers.h"

#include "config/settings.h"
#include "host/world_queries.h"
#include "state/runtime_state.h"

namespace tavrel {

namespace {

struct SpriteRule {
    Native<nat::BOOL(nat::Hash)> model_test;
    int sprite;
};

// First matching model-kind test wins.
constexpr SpriteRule kSpriteRules[] = {
    {nat::IS_THIS_MODEL_A_CAR, 225},  {nat::IS_THIS_MODEL_A_BIKE, 226},    {nat::IS_THIS_MODEL_A_QUADBIKE, 147},
    {nat::IS_THIS_MODEL_A_TRAIN, 426}, {nat::IS_THIS_MODEL_A_HELI, 43},     {nat::IS_THIS_MODEL_A_JETSKI, 308},
    {nat::IS_THIS_MODEL_A_PLANE, 251}, {nat::IS_THIS_MODEL_A_BOAT, 410},    {nat::IS_THIS_MODEL_A_BICYCLE, 226},
};
constexpr int kFallbackSprite = 426;

void openDoor(int vehicle, int door) { invoke(nat::SET_VEHICLE_DOOR_OPEN, vehicle, door, false, false); }

}  // namespace

void openChosenDoors() {
    const int vehicle = runtime.tracked_vehicle;
    if (settings.open_door_front_right) openDoor(vehicle, 1);
    if (settings.open_door_front_left) openDoor(vehicle, 0);
    if (settings.open_door_back_left) openDoor(vehicle, 2);
    if (settings.open_door_back_right) openDoor(vehicle, 3);
    if (settings.open_door_hood) openDoor(vehicle, 4);
    if (settings.open_door_trunk) openDoor(vehicle, 5);
    if (settings.open_door_back1) openDoor(vehicle, 6);
    if (settings.open_door_back2) openDoor(vehicle, 7);
}

void shutOpenDoors(int vehicle, bool instantly) {
    // All eight doors: the unlock can open door 7 ("Back2") too.
    for (int door = 0; door < kDoorCount; ++door) {
        if (invoke<float>(nat::GET_VEHICLE_DOOR_ANGLE_RATIO, vehicle, door) > 0.0f) {
            invoke(nat::SET_VEHICLE_DOOR_SHUT, vehicle, door, instantly);
        }
    }
}

int blipSpriteFor(int vehicle) {
    for (const SpriteRule& rule : kSpriteRules) {
        if (invoke<bool>(rule.model_test, entityModel(vehicle))) return rule.sprite;
    }
    return kFallbackSprite;
}

void setVehicleBlip(int vehicle, bool on) {
    if (!entityExists(vehicle)) return;
    int blip = invoke<int>(nat::GET_BLIP_FROM_ENTITY, vehicle);
    const bool has_blip = invoke<bool>(nat::DOES_BLIP_EXIST, blip);
    if (on) {
        if (has_blip) return;
        const int sprite = blipSpriteFor(vehicle);
        blip = invoke<int>(nat::ADD_BLIP_FOR_ENTITY, vehicle);
        invoke(nat::SET_BLIP_SPRITE, blip, sprite);
    } else if (has_blip) {
        invoke(nat::REMOVE_BLIP, &blip);
    }
}

void setVehiclePersistent(int vehicle, bool on) {
    if (!entityExists(vehicle)) return;
    invoke(nat::SET_ENTITY_AS_MISSION_ENTITY, vehicle, on, true);
    if (!on && invoke<bool>(nat::IS_ENTITY_A_MISSION_ENTITY, vehicle)) {
        int handle = vehicle;
        invoke(nat::SET_ENTITY_AS_NO_LONGER_NEEDED, &handle);
    }
}

}  // namespace tavrel
