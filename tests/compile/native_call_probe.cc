// Calls that must not compile: each PROBE value is one way to get a native
// call wrong. PROBE 0 is the same calls made right, and must compile, so a
// broken include path or flag cannot pass for a rejected call.
#include <cstdint>

#include "host/native_invoker.h"

namespace tavrel {

void probe(int vehicle, int ped) {
    float ground = 0.0f;
    int width = 0;
    int height = 0;
    (void)ped;
#if PROBE == 0
    (void)invoke<bool>(nat::IS_ENTITY_DEAD, ped, false);
    (void)invoke(nat::GET_PED_IN_VEHICLE_SEAT, vehicle, -1, false);
    (void)invoke(nat::GET_GROUND_Z_FOR_3D_COORD, 1.0f, 2.0f, 3.0f, &ground, false, false);
    invoke(nat::SET_VEHICLE_DOOR_SHUT, vehicle, 0, true);
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, vehicle, 2.0f);
    (void)invoke<bool>(nat::IS_THIS_MODEL_A_CAR, std::uint32_t{0x1234});
    invoke(nat::GET_SCREEN_RESOLUTION, &width, &height);
    invoke(nat::SET_VEHICLE_NUMBER_PLATE_TEXT, vehicle, "TAVREL");
    const std::uint32_t model = invoke(nat::GET_ENTITY_MODEL, vehicle);
    (void)model;
#elif PROBE == 1  // a BOOL left out: the host would read the previous call's slot
    (void)invoke<bool>(nat::IS_ENTITY_DEAD, ped);
#elif PROBE == 2  // one argument too many
    invoke(nat::SET_VEHICLE_DOORS_LOCKED, vehicle, 2, 0);
#elif PROBE == 3  // an int where the native takes a BOOL
    invoke(nat::SET_VEHICLE_DOOR_SHUT, vehicle, 0, 1);
#elif PROBE == 4  // a double where the native takes a 32-bit float
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, vehicle, 2.0);
#elif PROBE == 5  // an int where the native takes a float
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, vehicle, 2);
#elif PROBE == 6  // a signed int where the native takes a Hash
    (void)invoke<bool>(nat::IS_THIS_MODEL_A_CAR, 0x1234);
#elif PROBE == 7  // a float out-parameter where the native fills ints
    invoke(nat::GET_SCREEN_RESOLUTION, &ground, &ground);
#elif PROBE == 8  // text where the native takes a handle
    invoke(nat::SET_VEHICLE_NUMBER_PLATE_TEXT, "TAVREL", vehicle);
#elif PROBE == 9  // a BOOL result read as an int
    (void)invoke<int>(nat::IS_ENTITY_DEAD, ped, false);
#elif PROBE == 10  // a raw hash instead of a declared native
    invoke(std::uint64_t{0x5F9532F3B5CC2551}, ped, false);
#endif
}

}  // namespace tavrel
