// A player beside one car in the simulator, with helpers to request locks and
// unlocks and to read back what happened. Shared by the upkeep, effects and
// gesture tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "config/settings.h"
#include "host/ticks.h"
#include "state/runtime_state.h"
#include "support/plugin_fixture.h"

namespace tavrel::testing {

// An INI file with the given [Vehicle] lines and gesture; no sound, no light
// notification unless the lines say otherwise (the first key of a name wins).
inline std::string carIni(const std::string& vehicle_lines, int animation = 0) {
    return "[Vehicle]\r\n" + vehicle_lines +
           "notification_sound_signal=0\r\nremote_control_fob_sound=0\r\nlight_notification=0\r\n"
           "[Animation]\r\nanimation=" +
           std::to_string(animation) + "\r\n";
}

class CarTest : public PluginTest {
protected:
    static constexpr int kCar = 1;
    // Past the 1000 ms input guard, so that the next request is served.
    static constexpr std::uint32_t kSettleMs = 1100;

    sim::World& world() { return sim.world(); }
    sim::SimVehicle& car(int id = kCar) { return *sim.world().vehicleById(id); }
    int handleOf(int id) { return car(id).handle; }

    // The player on foot at the origin, a car 3 m away.
    sim::SimVehicle& addCar(int id = kCar, sim::VehicleKind kind = sim::VehicleKind::Car, sim::Vec3 pos = {3, 0, 0}) {
        return world().addVehicle(id, kind, pos);
    }
    void startWith(const std::string& ini) {
        sandbox.writeIni(ini);
        sim.start();
    }
    // The player sits in the driver's seat of vehicle `id`.
    void sit(int id) {
        world().player.vehicle = handleOf(id);
        world().player.entering = 0;
        world().player.last_vehicle = handleOf(id);
    }
    void unlock(std::uint32_t settle_ms = kSettleMs) {
        sim.tap(kVkU);
        sim.waitMs(settle_ms);
    }
    void lock(std::uint32_t settle_ms = kSettleMs) {
        sim.tap(kVkL);
        sim.waitMs(settle_ms);
    }
    // Long enough for at least one 300 ms world pass.
    void worldPass() { sim.waitMs(400); }
    // Runs frames until `done` holds; false if it never did within `max_frames`.
    template <typename Done>
    bool runUntil(Done done, int max_frames = 2000) {
        for (int i = 0; i < max_frames && !done(); ++i) sim.runFrame();
        return done();
    }

    // The calls of one native made by the plug-in's scripts (not by the test).
    std::vector<sim::TraceEntry> scriptCalls(std::uint64_t hash) const {
        std::vector<sim::TraceEntry> out;
        for (const sim::TraceEntry& e : sim.trace()) {
            if (e.hash == hash && e.fibre != "host") out.push_back(e);
        }
        return out;
    }
    std::uint32_t weaponHash(const char* name) { return world().hashName(name); }
    // Runs a plug-in operation from the test thread, between frames, as if a
    // script fibre called it (outside a fibre a native call is a fault).
    template <typename Operation>
    void callDirectly(Operation operation) {
        sim.allowNativeCallsFromHost(true);
        operation();
        sim.allowNativeCallsFromHost(false);
    }
};

}  // namespace tavrel::testing
