// How fast the simulator plays the plug-in: simulated seconds per wall
// second for each fibre backend, over
//   idle  the shipped INI file, the player on foot beside a locked car,
//         nothing pressed, for the whole time;
//   busy  the same, with an unlock or a lock (the hotkeys U and L in turn)
//         every 2.5 simulated seconds; each one must be served (the car's
//         lock state changes before the next).
// Prints a table, then the budget: an idle simulated hour in under 1 s of
// wall time on the user-space fibres, at least 20 times faster than the
// threads. Exit status 1 when a request went unserved, the plug-in faulted,
// or the budget is missed (checked when both backends ran).
//
//   build/release/bench/tavrel_sim_bench [--minutes N] [--backend user|threads]
//
// Also given: heap allocations per frame in the steady idle frames (the
// simulator's and the plug-in's together), from a separate count; and what
// one round trip host -> fibre -> host costs with Boost.Context's fcontext
// (the user-space backend's switch) and with ucontext's swapcontext (which
// saves and restores the signal mask with a system call every time).
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <boost/context/detail/fcontext.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "sim/protocol/simulator.h"
#include "sim/scenario/scenario.h"
#include "tests/support/counting_new.h"

namespace {

using tavrel::sim::FibreBackend;
using tavrel::sim::Simulator;
namespace fs = std::filesystem;

constexpr std::uint32_t kVkL = 0x4C;
constexpr std::uint32_t kVkU = 0x55;
constexpr std::uint32_t kRequestEveryMs = 2500;
constexpr int kCar = 1;

struct Result {
    FibreBackend backend = FibreBackend::UserSpace;
    bool busy = false;
    double simulated_s = 0;
    double wall_s = 0;
    double cpu_s = 0;
    std::uint64_t frames = 0;
    int requests = 0;
    int served = 0;
    std::size_t faults = 0;
};

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A fresh folder holding the shipped INI file; the plug-in reads ./TavrelConfig.ini.
struct Folder {
    Folder() {
        char pattern[] = "/tmp/tavrel-sim-bench-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            std::perror("tavrel_sim_bench: mkdtemp");
            std::exit(2);
        }
        path = pattern;
        fs::copy_file(fs::path(TAVREL_SOURCE_DIR) / "dist" / "TavrelConfig.ini", path / "TavrelConfig.ini");
        previous = fs::current_path();
        fs::current_path(path);
    }
    ~Folder() {
        fs::current_path(previous);
        fs::remove_all(path);
    }
    fs::path path;
    fs::path previous;
};

void setUp(Simulator& sim) {
    std::istringstream setup(
        "player 0 0 0\n"
        "weapon WEAPON_PISTOL\n"
        "vehicle 1 car 4 0 0 lock=2\n"
        "start\n");
    tavrel::sim::ScenarioOptions options;
    std::ostringstream out;
    std::ostringstream err;
    if (tavrel::sim::runScenarioOn(sim, setup, "bench", options, out, err) != 0) {
        std::fprintf(stderr, "tavrel_sim_bench: setup failed: %s\n", err.str().c_str());
        std::exit(2);
    }
}

Result run(FibreBackend backend, bool busy, std::uint32_t simulatedMs) {
    Folder folder;
    Result r;
    r.backend = backend;
    r.busy = busy;
    Simulator sim;
    sim.setFibreBackend(backend);
    setUp(sim);
    const std::uint32_t start = sim.now();
    const std::uint64_t firstFrame = sim.frame();
    const double cpu0 = cpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    if (!busy) {
        sim.waitMs(simulatedMs);
    } else {
        for (std::uint32_t due = 0; due < simulatedMs; due += kRequestEveryMs) {
            while (sim.now() - start < due) sim.runFrame();
            const int before = sim.world().vehicleById(kCar)->lock;
            sim.tap(r.requests % 2 == 0 ? kVkU : kVkL);
            ++r.requests;
            while (sim.now() - start < due + kRequestEveryMs - sim.frameMs()) sim.runFrame();
            if (sim.world().vehicleById(kCar)->lock != before) ++r.served;
        }
        while (sim.now() - start < simulatedMs) sim.runFrame();
    }
    const auto wall1 = std::chrono::steady_clock::now();
    r.cpu_s = cpuSeconds() - cpu0;
    r.wall_s = std::chrono::duration<double>(wall1 - wall0).count();
    r.simulated_s = static_cast<double>(sim.now() - start) / 1000.0;
    r.frames = sim.frame() - firstFrame;
    sim.unload();
    r.faults = sim.faults().size();
    for (const auto& f : sim.faults()) std::fprintf(stderr, "fault: %s: %s\n", f.fibre.c_str(), f.message.c_str());
    return r;
}

// Heap allocations over `frames` idle frames after the first simulated minute.
long idleAllocations(FibreBackend backend, int frames) {
    Folder folder;
    Simulator sim;
    sim.setFibreBackend(backend);
    setUp(sim);
    sim.waitMs(60000);
    tavrel::testing::heap::Counter counter;
    sim.runFrames(frames);
    return counter.count();
}

// [SECTION] One switch, measured alone

constexpr int kRoundTrips = 1000000;
constexpr std::size_t kSwitchStack = 64 * 1024;

namespace fc = boost::context::detail;

void fcontextLoop(fc::transfer_t from) {
    for (;;) from = fc::jump_fcontext(from.fctx, nullptr);
}

double fcontextRoundTripNs() {
    std::vector<char> stack(kSwitchStack);
    fc::fcontext_t fibre = fc::make_fcontext(stack.data() + stack.size(), stack.size(), &fcontextLoop);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kRoundTrips; ++i) fibre = fc::jump_fcontext(fibre, nullptr).fctx;
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(t1 - t0).count() / kRoundTrips;
}

ucontext_t hostContext;
ucontext_t fibreContext;

void ucontextLoop() {
    for (;;) swapcontext(&fibreContext, &hostContext);
}

double ucontextRoundTripNs() {
    std::vector<char> stack(kSwitchStack);
    getcontext(&fibreContext);
    fibreContext.uc_stack.ss_sp = stack.data();
    fibreContext.uc_stack.ss_size = stack.size();
    fibreContext.uc_link = nullptr;
    makecontext(&fibreContext, &ucontextLoop, 0);
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kRoundTrips; ++i) swapcontext(&hostContext, &fibreContext);
    const auto t1 = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(t1 - t0).count() / kRoundTrips;
}

void print(const Result& r) {
    std::printf("%-8s %-5s %8.0f %9.3f %9.3f %12.0f %10.2f", tavrel::sim::fibreBackendName(r.backend),
                r.busy ? "busy" : "idle", r.simulated_s, r.wall_s, r.cpu_s, r.simulated_s / r.wall_s,
                r.wall_s * 1e6 / static_cast<double>(r.frames));
    if (r.busy) std::printf("   %d of %d served", r.served, r.requests);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    double minutes = 60;
    std::vector<FibreBackend> backends = {FibreBackend::UserSpace, FibreBackend::Threads};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc) {
            minutes = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--backend") == 0 && i + 1 < argc) {
            const std::string b = argv[++i];
            if (b != "user" && b != "threads") return std::fprintf(stderr, "--backend user|threads\n"), 2;
            backends = {b == "user" ? FibreBackend::UserSpace : FibreBackend::Threads};
        } else {
            std::fprintf(stderr, "usage: tavrel_sim_bench [--minutes N] [--backend user|threads]\n");
            return 2;
        }
    }
    if (!(minutes > 0 && minutes <= 24 * 60)) return std::fprintf(stderr, "--minutes 0...1440\n"), 2;
    const auto simulatedMs = static_cast<std::uint32_t>(minutes * 60000);

    std::printf("%-8s %-5s %8s %9s %9s %12s %10s\n", "fibres", "load", "sim-s", "wall-s", "cpu-s", "sim-s/wall-s",
                "us/frame");
    std::vector<Result> results;
    bool ok = true;
    for (FibreBackend b : backends) {
        for (bool busy : {false, true}) {
            results.push_back(run(b, busy, simulatedMs));
            print(results.back());
            ok = ok && results.back().faults == 0 && results.back().served == results.back().requests;
        }
    }
    for (FibreBackend b : backends) {
        const long n = idleAllocations(b, 1000);
        std::printf("%s: %.2f heap allocations per idle frame (1000 frames)\n", tavrel::sim::fibreBackendName(b),
                    static_cast<double>(n) / 1000.0);
    }
    std::printf("one round trip host -> fibre -> host: fcontext %.1f ns, swapcontext %.1f ns\n",
                fcontextRoundTripNs(), ucontextRoundTripNs());
    if (backends.size() == 2) {
        const Result& userIdle = results[0];
        const Result& threadIdle = results[2];
        const double wallPerHour = userIdle.wall_s * 3600.0 / userIdle.simulated_s;
        const double speedup = threadIdle.wall_s / userIdle.wall_s;
        const bool fast = wallPerHour < 1.0;
        const bool faster = speedup >= 20.0;
        std::printf("budget: idle hour on user-space fibres %.3f s wall (< 1 s, aim 0.3 s): %s\n", wallPerHour,
                    fast ? "ok" : "OVER");
        std::printf("budget: user-space %.1fx faster than threads when idle (>= 20x): %s\n", speedup,
                    faster ? "ok" : "SHORT");
        std::printf("busy: user-space %.1fx faster than threads\n", results[3].wall_s / results[1].wall_s);
        ok = ok && fast && faster;
    }
    return ok ? 0 : 1;
}
