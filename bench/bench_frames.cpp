// Own CPU time of the plug-in's per-frame work and of a full lock and unlock,
// over the scripted host. Counters per iteration: natives, heap allocations,
// and file accesses (the INI store's and the log's).
//
//   build/release/bench/tavrel_bench --benchmark_filter='Frame|Lock|Pass'
#include <benchmark/benchmark.h>

#include "bench/support/bench_host.h"
#include "config/persistence.h"
#include "config/settings.h"
#include "host/host_file.h"
#include "host/recorder.h"
#include "host/natives.h"
#include "input/input.h"
#include "locking/lock_sequence.h"
#include "locking/locking_tick.h"
#include "shell/entry.h"
#include "state/plugin_log.h"
#include "state/runtime_state.h"
#include "tests/support/heap_counter.h"
#include "tests/support/sandbox.h"

namespace tavrel {
namespace {

constexpr int kPlayer = 1;
constexpr int kCar = 5;

// Defaults of a missing INI file with the controller off (as the shipped
// file has it), the player on foot, the notice posted; the flight recorder
// with its default ring, or off.
void idleWorld(bool recording = false) {
    bench::clearAnswers();
    bench::setPedCount(0);
    bench::setVehicleCount(0);
    resetPluginState();
    reloadSettings();
    host::sizeRecording(recording ? host::kRecorderDefaultKb : 0);
    settings.activate_controller = false;
    runtime.startup_notice_shown = true;
    bench::setAnswer(nat::PLAYER_PED_ID, kPlayer);
    bench::setAnswer(nat::DOES_ENTITY_EXIST, 1);
}

unsigned long files_at_start = 0;

// Counts natives, heap allocations and file accesses from here to reportNatives.
void startCounting() {
    files_at_start = host::testing::file_calls.load();
    bench::resetNativeCallCount();
    testing::heap::allocations = 0;
    testing::heap::counting = true;
}

void reportNatives(benchmark::State& state) {
    testing::heap::counting = false;
    state.counters["natives"] =
        benchmark::Counter(static_cast<double>(bench::nativeCallCount()), benchmark::Counter::kAvgIterations);
    state.counters["allocs"] = benchmark::Counter(static_cast<double>(testing::heap::allocations.load()),
                                                  benchmark::Counter::kAvgIterations);
    state.counters["files"] = benchmark::Counter(static_cast<double>(host::testing::file_calls.load() - files_at_start),
                                                 benchmark::Counter::kAvgIterations);
}

// One frame of both fibres with nothing to do: the locking tick (its world
// pass runs every 300 ms, as in the game) and the menu toggle poll, each
// fibre's step ending at its wait, with the log on (in a folder of its own):
// files stays 0. Argument: the flight recorder off (0) or on (1), side by
// side in one run (the budget: on at most twice off, no allocation either
// way).
void BM_IdleFrameOnFoot(benchmark::State& state) {
    const testing::Sandbox folder;
    idleWorld(state.range(0) != 0);
    startLog(true);
    startCounting();
    for (auto _ : state) {
        bench::advanceTick(16);
        host::testing::enterFibre(0);
        lockingTick();
        host::testing::leaveFibre(0);
        host::testing::enterFibre(1);
        benchmark::DoNotOptimize(isMenuToggleRequested());
        host::testing::leaveFibre(0);
    }
    reportNatives(state);
    resetLog();
    idleWorld(false);  // the next benchmarks run without a recording
}
BENCHMARK(BM_IdleFrameOnFoot)->ArgName("recorder")->Arg(0)->Arg(1);

// The world pass with 1024 characters and unbreakable locks: every character
// is asked whether it tries a locked door (none does); the tracked car's
// lights, neon and interior light are kept up.
void BM_WorldPass1024Characters(benchmark::State& state) {
    idleWorld();
    settings.unbreakable_locks = true;
    settings.unbreakable_locks_for_player = true;
    settings.headlights_at_movement = 2;
    settings.interior_lights = 3;
    settings.neon_lights = 3;
    settings.neon_affects_all_cars = true;
    runtime.tracked_vehicle = kCar;
    bench::setPedCount(1024);
    startCounting();
    for (auto _ : state) {
        bench::advanceTick(301);  // every frame is a world-pass frame
        lockingTick();
    }
    reportNatives(state);
}
BENCHMARK(BM_WorldPass1024Characters);

void actionWorld() {
    idleWorld();
    settings.current_player_vehicle_blip = true;
    settings.current_player_vehicle_persistent = true;
    settings.roll_up_windows_upon_lock = true;
    settings.roll_down_windows_upon_unlock = true;
    settings.alter_roof_on_convertibles = true;
    settings.open_door_front_left = settings.open_door_front_right = settings.open_door_trunk = true;
    settings.light_notification = true;
    settings.number_of_lock_flashes = 2;
    settings.number_of_unlock_flashes = 2;
    settings.neon_lights = 1;
    settings.neon_affects_all_cars = true;
    settings.neon_default_color = 4;
    settings.radio_station_index = 3;
    settings.set_plate_text_on = 1;
    settings.make_vehicle_belong_to_player = true;
    settings.horn_type_index = 12;
    bench::setVehicleCount(1);  // the one car nearby, 3 m away
    bench::setAnswer(nat::IS_VEHICLE_DRIVEABLE, 1);
    bench::setAnswer(nat::IS_THIS_MODEL_A_CAR, 1);
    bench::setFloatAnswer(nat::GET_DISTANCE_BETWEEN_COORDS, 3.0f);
    bench::setAnswer(nat::IS_VEHICLE_A_CONVERTIBLE, 1);
    bench::setFloatAnswer(nat::GET_VEHICLE_DOOR_ANGLE_RATIO, 0.5f);
}

void BM_FullLock(benchmark::State& state) {
    actionWorld();
    startCounting();
    for (auto _ : state) lockVehicle();
    reportNatives(state);
}
BENCHMARK(BM_FullLock);

void BM_FullUnlock(benchmark::State& state) {
    actionWorld();
    startCounting();
    for (auto _ : state) unlockVehicle();
    reportNatives(state);
}
BENCHMARK(BM_FullUnlock);

// The nearest-vehicle search over a full world list of 1024 vehicles.
void BM_NearestOf1024Vehicles(benchmark::State& state) {
    actionWorld();
    bench::setVehicleCount(1024);
    startCounting();
    for (auto _ : state) benchmark::DoNotOptimize(findNearestVehicle());
    reportNatives(state);
}
BENCHMARK(BM_NearestOf1024Vehicles);

}  // namespace
}  // namespace tavrel
