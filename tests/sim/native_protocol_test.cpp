// The native call protocol: dispatch by hash, the argument limits of
// natives.tsv, protocol faults with hash and tick, and the trace.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "host/native_invoker.h"
#include "sim/protocol/native_table.h"
#include "sim/protocol/simulator.h"
#include "sim/report/reports.h"

namespace tavrel::sim {
namespace {

constexpr std::uint64_t kUnknownHash = 0x0123456789ABCDEFULL;

// The cells of a table row "| a | b | c |", trimmed.
std::vector<std::string> cellsOf(const std::string& row) {
    std::vector<std::string> cells;
    std::size_t at = row.find('|');
    while (at != std::string::npos) {
        const std::size_t next = row.find('|', at + 1);
        if (next == std::string::npos) break;
        std::string cell = row.substr(at + 1, next - at - 1);
        cell.erase(0, cell.find_first_not_of(' '));
        cell.erase(cell.find_last_not_of(' ') + 1);
        cells.push_back(cell);
        at = next;
    }
    return cells;
}

// docs/natives.md gives every native of natives.tsv a table row: its name and
// hash in the first cell ("`NAME` `0xHASH`", several natives may share a
// row), then what the game does, what the simulator models, and the tests or
// scenarios that pin it, which name at least one file that exists.
TEST(NativeTable, EveryListedNativeIsModelledAndDocumented) {
    EXPECT_EQ(unmodelledNatives(), std::vector<std::string>{});
    const std::string root = TAVREL_SOURCE_DIR;
    std::ifstream doc(root + "/docs/natives.md");
    ASSERT_TRUE(doc) << "docs/natives.md";
    std::map<std::string, int> rows;  // "`NAME` `0xHASH`" -> rows naming it
    for (std::string line; std::getline(doc, line);) {
        if (!line.starts_with("| `")) continue;
        const std::vector<std::string> cells = cellsOf(line);
        ASSERT_EQ(cells.size(), 4u) << line;
        for (std::size_t at = cells[0].find('`'); at != std::string::npos; at = cells[0].find('`', at)) {
            const std::size_t name_end = cells[0].find('`', at + 1);
            const std::size_t hash_end = cells[0].find('`', cells[0].find('`', name_end + 1) + 1);
            ASSERT_NE(hash_end, std::string::npos) << "`NAME` `0xHASH` in " << cells[0];
            ++rows[cells[0].substr(at, hash_end + 1 - at)];
            at = hash_end + 1;
        }
        EXPECT_FALSE(cells[1].empty() || cells[2].empty()) << line;
        bool pinned = false;
        for (std::size_t at = cells[3].find('`'); at != std::string::npos; at = cells[3].find('`', at + 1)) {
            const std::size_t end = cells[3].find('`', at + 1);
            if (end == std::string::npos) break;
            pinned = pinned || std::filesystem::is_regular_file(root + "/" + cells[3].substr(at + 1, end - at - 1));
            at = end;
        }
        EXPECT_TRUE(pinned) << "no test or scenario file of the repository named in " << line;
    }
    for (const NativeInfo& n : allNatives()) {
        char key[128];
        std::snprintf(key, sizeof key, "`%s` `0x%016llX`", n.name, static_cast<unsigned long long>(n.hash));
        EXPECT_EQ(rows[key], 1) << "docs/natives.md: one row for " << key;
        rows.erase(key);
    }
    for (const auto& [key, count] : rows) ADD_FAILURE() << "docs/natives.md names " << key << ", not in natives.tsv";
    const NativeInfo* attach = findNative(nat::ATTACH_ENTITY_TO_ENTITY);
    ASSERT_NE(attach, nullptr);
    EXPECT_EQ(attach->argc, 16);
    EXPECT_EQ(attach->kinds[3], ParamKind::Float);
    EXPECT_EQ(findNative(kUnknownHash), nullptr);
}

TEST(NativeProtocol, UnknownHashIsAFaultWithHashAndTick) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    sim.setStartTick(5000);
    host::nativeInit(kUnknownHash);
    host::nativePush64(7);
    const std::uint64_t* slots = host::nativeCall();
    EXPECT_EQ(slots[0], 0u);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].hash, kUnknownHash);
    EXPECT_EQ(sim.faults()[0].tick, 5000u);
    EXPECT_EQ(sim.faults()[0].message, "unknown native");
    EXPECT_TRUE(sim.trace().empty());
}

// A raw call through the protocol, as a binding that miscounts would make it.
void rawCall(std::uint64_t hash, std::initializer_list<std::uint64_t> args) {
    host::nativeInit(hash);
    for (std::uint64_t a : args) host::nativePush64(a);
    host::nativeCall();
}

TEST(NativeProtocol, AnyArgumentCountButTheListedOneIsAFault) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    SimVehicle& v = sim.world().addVehicle(3, VehicleKind::Car, {});
    const auto handle = static_cast<std::uint64_t>(v.handle);
    rawCall(nat::SET_VEHICLE_DOORS_LOCKED, {handle, 2});
    EXPECT_TRUE(sim.faults().empty());
    EXPECT_EQ(v.lock, 2);
    rawCall(nat::SET_VEHICLE_DOORS_LOCKED, {handle});  // the game would read a stale slot
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].hash, nat::SET_VEHICLE_DOORS_LOCKED);
    EXPECT_EQ(sim.faults()[0].message, "fewer arguments than SET_VEHICLE_DOORS_LOCKED declares (1 of 2)");
    rawCall(nat::SET_VEHICLE_DOORS_LOCKED, {handle, 4, 9});
    ASSERT_EQ(sim.faults().size(), 2u);
    EXPECT_NE(sim.faults()[1].message.find("more arguments than SET_VEHICLE_DOORS_LOCKED"), std::string::npos);
    EXPECT_EQ(v.lock, 4);  // the listed arguments still act
    rawCall(nat::GET_IS_LOADING_SCREEN_ACTIVE, {});  // no parameters: nothing missing
    EXPECT_EQ(sim.faults().size(), 2u);
}

TEST(NativeProtocol, ANativeCalledOutsideAScriptFibreIsAFault) {
    Simulator sim;
    invoke(nat::PLAYER_ID);
    ASSERT_EQ(sim.faults().size(), 1u);
    EXPECT_EQ(sim.faults()[0].fibre, "host");
    EXPECT_EQ(sim.faults()[0].hash, nat::PLAYER_ID);
    EXPECT_EQ(sim.faults()[0].message, "PLAYER_ID called outside a script fibre");
    sim.allowNativeCallsFromHost(true);
    invoke(nat::PLAYER_ID);
    EXPECT_EQ(sim.faults().size(), 1u);
}

TEST(NativeProtocol, CallsOutOfOrderAreFaults) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    host::nativePush64(1);  // no init
    host::nativeCall();     // no init
    host::nativeInit(nat::PLAYER_ID);
    host::nativeInit(nat::PLAYER_ID);  // the first one never called
    host::nativeCall();
    ASSERT_EQ(sim.faults().size(), 3u);
    EXPECT_EQ(sim.faults()[2].hash, nat::PLAYER_ID);
    EXPECT_EQ(sim.countCalls(nat::PLAYER_ID), 1u);
}

TEST(NativeProtocol, ResultsOfThePreviousCallAreNotKept) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    host::nativeInit(nat::PLAYER_PED_ID);
    const std::uint64_t* first = host::nativeCall();
    EXPECT_EQ(static_cast<int>(first[0]), sim.world().player.handle);
    host::nativeInit(nat::PLAYER_ID);
    const std::uint64_t* second = host::nativeCall();
    EXPECT_NE(first, second);
    EXPECT_EQ(second[0], 0u);
#if defined(__SANITIZE_ADDRESS__)
    // A read of the stale result is reported by AddressSanitizer.
    EXPECT_DEATH(
        {
            volatile std::uint64_t stale = first[0];
            (void)stale;
        },
        "use-after-poison");
#else
    EXPECT_EQ(first[0], 0xBAADF00DBAADF00DULL);
#endif
}

TEST(NativeProtocol, TraceDecodesArgumentsByTheirListedTypes) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    SimVehicle& v = sim.world().addVehicle(12, VehicleKind::Car, {});
    int w = 0;
    int h = 0;
    invoke(nat::SET_VEHICLE_LIGHT_MULTIPLIER, v.handle, 2.5f);
    invoke(nat::SET_VEHICLE_INDICATOR_LIGHTS, v.handle, -1, true);
    invoke(nat::SET_VEH_RADIO_STATION, v.handle, static_cast<const char*>(nullptr));
    invoke(nat::GET_SCREEN_RESOLUTION, &w, &h);
    invoke(nat::SET_CURRENT_PED_WEAPON, sim.world().player.handle, 0xA2719263u, true);
    const auto& t = sim.trace();
    ASSERT_EQ(t.size(), 5u);
    EXPECT_EQ(t[0].name, "SET_VEHICLE_LIGHT_MULTIPLIER");
    EXPECT_EQ(t[0].fibre, "host");
    EXPECT_EQ(traceJson(t[0]), "{\"t\":3600000,\"fiber\":\"host\",\"hash\":\"0xB385454F8791F57C\",\"name\":"
                               "\"SET_VEHICLE_LIGHT_MULTIPLIER\",\"args\":[" + std::to_string(v.handle) + ",2.5]}");
    EXPECT_EQ(t[1].args[1].value, -1);
    EXPECT_FALSE(t[2].args[1].text.has_value());
    EXPECT_EQ(traceJson(t[3]).substr(traceJson(t[3]).find("\"args\"")), "\"args\":[\"ptr\",\"ptr\"]}");
    EXPECT_EQ(w, 1280);  // the game's answer on any display
    EXPECT_EQ(h, 720);
    EXPECT_EQ(timelineLine(t[4]),
              "3600000 host SET_CURRENT_PED_WEAPON(" + std::to_string(sim.world().player.handle) + ", 0xA2719263, 1)");
}

TEST(NativeProtocol, CallsAreCountedPerFrame) {
    Simulator sim;
    sim.allowNativeCallsFromHost(true);
    invoke(nat::PLAYER_ID);
    sim.runFrame();
    invoke(nat::PLAYER_ID);
    invoke(nat::PLAYER_PED_ID);
    EXPECT_EQ(sim.countCallsInFrame(0), 1u);
    EXPECT_EQ(sim.countCallsInFrame(1), 2u);
    EXPECT_EQ(sim.countCallsInFrame(1, nat::PLAYER_PED_ID), 1u);
    sim.setTraceKept(false);
    invoke(nat::PLAYER_ID);
    EXPECT_EQ(sim.trace().size(), 3u);
}

}  // namespace
}  // namespace tavrel::sim
