// Vehicle natives of lights, neon and colours.
#include "host/natives.h"
#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"

namespace tavrel::sim {

namespace {

template <typename F>
void onVehicle(NativeCall& c, F f) {
    if (SimVehicle* v = c.world.vehicle(c.i(0))) f(*v);
}

// Components are kept as given; the game's own clamping is not modelled.
Rgb rgbArgs(const NativeCall& c) { return Rgb{c.i(1), c.i(2), c.i(3)}; }

// Writes a colour to the three int out-parameters 1, 2, 3 (black for a missing vehicle).
void putRgb(NativeCall& c, Rgb SimVehicle::*field) {
    int* r = c.out<int>(1);
    int* g = c.out<int>(2);
    int* b = c.out<int>(3);
    const SimVehicle* v = c.world.vehicle(c.i(0));
    const Rgb colour = v != nullptr ? v->*field : Rgb{};
    if (r != nullptr) *r = colour.r;
    if (g != nullptr) *g = colour.g;
    if (b != nullptr) *b = colour.b;
}

bool validSide(int side) { return side >= 0 && side < 4; }

const HandlerBinding kHandlers[] = {
    // [SECTION] Lights
    {nat::SET_VEHICLE_LIGHTS, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.headlights = c.i(1); }); }},
    {nat::SET_VEHICLE_FULLBEAM, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.full_beam = c.b(1); }); }},
    {nat::SET_VEHICLE_LIGHT_MULTIPLIER,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.light_multiplier = c.f(1); }); }},
    {nat::SET_VEHICLE_INTERIORLIGHT,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.interior_light = c.b(1); }); }},
    {nat::SET_VEHICLE_BRAKE_LIGHTS,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.brake_lights = c.b(1); }); }},
    // Indicator 0 is the right one, 1 the left one.
    {nat::SET_VEHICLE_INDICATOR_LIGHTS,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (c.i(1) == 0 || c.i(1) == 1) v.indicators[static_cast<std::size_t>(c.i(1))] = c.b(2);
         });
     }},

    // [SECTION] Neon
    {nat::SET_VEHICLE_NEON_ENABLED,
     [](NativeCall& c) {
         onVehicle(c, [&](SimVehicle& v) {
             if (validSide(c.i(1))) v.neon[static_cast<std::size_t>(c.i(1))] = c.b(2);
         });
     }},
    {nat::GET_VEHICLE_NEON_ENABLED,
     [](NativeCall& c) {
         const SimVehicle* v = c.world.vehicle(c.i(0));
         c.retBool(v != nullptr && validSide(c.i(1)) && v->neon[static_cast<std::size_t>(c.i(1))]);
     }},
    {nat::SET_VEHICLE_NEON_COLOUR, [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.neon_rgb = rgbArgs(c); }); }},
    {nat::GET_VEHICLE_NEON_COLOUR, [](NativeCall& c) { putRgb(c, &SimVehicle::neon_rgb); }},

    // [SECTION] Paint and tyre smoke
    {nat::SET_VEHICLE_CUSTOM_PRIMARY_COLOUR,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.primary = rgbArgs(c); }); }},
    {nat::SET_VEHICLE_CUSTOM_SECONDARY_COLOUR,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.secondary = rgbArgs(c); }); }},
    {nat::GET_VEHICLE_CUSTOM_PRIMARY_COLOUR, [](NativeCall& c) { putRgb(c, &SimVehicle::primary); }},
    {nat::GET_VEHICLE_CUSTOM_SECONDARY_COLOUR, [](NativeCall& c) { putRgb(c, &SimVehicle::secondary); }},
    {nat::SET_VEHICLE_TYRE_SMOKE_COLOR,
     [](NativeCall& c) { onVehicle(c, [&](SimVehicle& v) { v.tyre_smoke = rgbArgs(c); }); }},
};

}  // namespace

std::span<const HandlerBinding> vehicleLookHandlers() { return kHandlers; }

}  // namespace tavrel::sim
