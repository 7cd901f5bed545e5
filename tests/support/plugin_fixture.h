// The plug-in running in the simulator, in a sandbox directory: the shared
// fixture of the tests that drive it end to end.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host/natives.h"
#include "sim/protocol/simulator.h"
#include "sim/scenario/scenario.h"
#include "support/sandbox.h"

namespace tavrel::testing {

// Virtual-key codes used across the tests.
inline constexpr std::uint32_t kVkL = 0x4C;
inline constexpr std::uint32_t kVkU = 0x55;
inline constexpr std::uint32_t kVkF9 = 0x78;
inline constexpr std::uint32_t kVkControl = 0x11;

// An INI file in which a request acts at once: no gesture, no fob click, no
// beep, no light notification. `vehicle_lines` ("key=value\r\n" ...) go
// first into its one [Vehicle] section, so they override these (the first
// occurrence of a key wins; only the first section of a name is read).
inline std::string immediateIni(const std::string& vehicle_lines = "") {
    return "[Vehicle]\r\n" + vehicle_lines +
           "notification_sound_signal=0\r\nremote_control_fob_sound=0\r\nlight_notification=0\r\n"
           "[Animation]\r\nanimation=0\r\n";
}
inline const std::string kImmediateIni = immediateIni();

// Runs scenario commands on `sim`; returns what output commands printed.
inline std::string runScenarioLines(sim::Simulator& sim, const std::string& text) {
    std::istringstream in(text);
    std::ostringstream out;
    for (const sim::ScenarioLine& line : sim::parseScenario(in)) sim::scenarioCommand(line, sim, out, true);
    return out.str();
}

class PluginTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (sim.started()) sim.unload();
        EXPECT_TRUE(sim.faults().empty()) << firstFault();
    }

    std::string firstFault() const {
        if (sim.faults().empty()) return {};
        const sim::Fault& f = sim.faults().front();
        return f.message + " at tick " + std::to_string(f.tick);
    }

    std::size_t calls(std::uint64_t hash) const { return sim.countCalls(hash); }

    // Runs scenario commands ("vehicle 1 car 3 0 0\nsit 1\ntap L") on this
    // simulator; returns what output commands printed.
    std::string scenario(const std::string& text) { return runScenarioLines(sim, text); }

    // The player on foot at the origin, car 1 three metres away.
    void addCarBeside() {
        sim.world().placePlayer({0, 0, 0});
        sim.world().addVehicle(1, sim::VehicleKind::Car, {3, 0, 0});
    }

    sim::SimVehicle& vehicle(int id) {
        sim::SimVehicle* found = sim.world().vehicleById(id);
        if (found == nullptr) throw std::runtime_error("no vehicle " + std::to_string(id));
        return *found;
    }

    Sandbox sandbox;
    sim::Simulator sim;
};

}  // namespace tavrel::testing
