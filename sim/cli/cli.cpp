#include "sim/cli/cli.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <iostream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

#include "sim/cli/ini_check.h"
#include "sim/play/play.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_values.h"

namespace {

// The whole usage: every option on a line of its own, the exit statuses and
// where the scenario language is described.
constexpr const char* kUsage =
    "usage: tavrel-sim [OPTION...] [SCENARIO | -]\n"
    "       tavrel-sim --play SEED [--sim-minutes M] [--out DIR]\n"
    "       tavrel-sim --check-ini FILE\n"
    "Runs the plug-in against a scenario file (standard input for - or none) in\n"
    "the simulator, in the current folder: the plug-in's TavrelConfig.ini is\n"
    "./TavrelConfig.ini, and stays there after the run.\n"
    "\n"
    "options:\n"
    "  --timeline            print every native call and keyboard message as it happens\n"
    "  --timeline=changes    the same, without the per-frame queries and menu drawing\n"
    "  --trace FILE          write every call and keyboard message to FILE as JSON lines\n"
    "  --start-tick N        the simulated tick of the first frame (default 3600000)\n"
    "  --frame-ms N          simulated milliseconds per frame (default 16)\n"
    "  --wall-limit SECONDS  stop a run still going after that much wall time (status 4)\n"
    "  --play SEED           random play from SEED, invariants checked every frame, a failure shrunk\n"
    "  --sim-minutes M       how long --play plays, in simulated minutes (default 10)\n"
    "  --out DIR             where --play runs and writes the shrunk scenario (default TEMP/tavrel-play)\n"
    "  --check-ini FILE      does FILE load as written? names each missing or corrected key (status 3)\n"
#ifdef _WIN32
    "  --plugin FILE         the Tavrel.asi to load (default: the one beside this program)\n"
    "  --plugin-map FILE     its link map (default: the plug-in's path with .map)\n"
#endif
    "  -h, --help            print this text and exit\n"
    "\n"
    "exit status:\n"
    "  0  the scenario ran and every expect line held (--play: every invariant held)\n"
    "  1  the plug-in called a native the simulator does not know, or broke the call protocol\n"
    "  2  an error in the scenario or on the command line\n"
    "  3  an expect line did not hold (--play: an invariant broke; --check-ini: a key is wrong)\n"
    "  4  the run outlasted --wall-limit\n"
    "\n"
    "The scenario language (commands, expect lines, the state report) and the\n"
    "options in full: docs/scenario-language.md in Tavrel's sources.\n";

int usage(const std::string& problem) {
    std::cerr << "tavrel-sim: " << problem << "\n" << kUsage;
    return 2;
}

// --wall-limit: a run still going after that many seconds of wall time (a
// scenario's simulated time may be huge: `wait 4294967295`) is stopped
// where it stands: standard output written so far is flushed, the message
// goes to stderr and the process ends with kWallLimitStatus. Nothing is
// unwound (the scenario thread is inside a frame), so a --trace file may
// lack its last lines.
constexpr int kWallLimitStatus = 4;

[[noreturn]] void stopAtWallLimit(double seconds) {
    std::fflush(stdout);
    std::fprintf(stderr, "tavrel-sim: stopped at the wall-time limit of %g s (--wall-limit); the scenario did not end\n",
                 seconds);
    std::fflush(stderr);
#ifdef _WIN32
    // No process detach: the plug-in's DLL is in the middle of a frame.
    TerminateProcess(GetCurrentProcess(), kWallLimitStatus);
#endif
    std::_Exit(kWallLimitStatus);
}

// Watches the run from a thread of its own; disarmed when it goes out of
// scope (the run ended in time).
class WallLimit {
public:
    explicit WallLimit(double seconds) : seconds_(seconds) {
        if (seconds_ <= 0) return;
#ifdef _WIN32
        done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        watcher_ = CreateThread(nullptr, 0, &WallLimit::watch, this, 0, nullptr);
#else
        watcher_ = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex_);
            const auto limit = std::chrono::duration<double>(seconds_);
            if (!ended_.wait_for(lock, limit, [this] { return done_; })) stopAtWallLimit(seconds_);
        });
#endif
    }
    ~WallLimit() {
        if (seconds_ <= 0) return;
#ifdef _WIN32
        SetEvent(done_);
        WaitForSingleObject(watcher_, INFINITE);
        CloseHandle(watcher_);
        CloseHandle(done_);
#else
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        ended_.notify_one();
        watcher_.join();
#endif
    }
    WallLimit(const WallLimit&) = delete;
    WallLimit& operator=(const WallLimit&) = delete;

private:
    double seconds_;
#ifdef _WIN32
    static DWORD WINAPI watch(void* self) {
        const auto* limit = static_cast<WallLimit*>(self);
        const double ms = limit->seconds_ * 1000.0;
        const DWORD wait = ms >= 4294967294.0 ? 4294967294u : static_cast<DWORD>(ms);
        if (WaitForSingleObject(limit->done_, wait) == WAIT_TIMEOUT) stopAtWallLimit(limit->seconds_);
        return 0;
    }
    HANDLE done_ = nullptr;
    HANDLE watcher_ = nullptr;
#else
    std::mutex mutex_;
    std::condition_variable ended_;
    bool done_ = false;
    std::thread watcher_;
#endif
};

}  // namespace

namespace tavrel::sim {

int runCommandLine(int argc, char** argv) {
    ScenarioOptions options;
    std::string scenario = "-";
    std::string tracePath;
    double wallLimit = 0;  // seconds; 0: none
    bool haveScenario = false;
    std::optional<std::uint32_t> playSeed;
    std::uint32_t playMinutes = 10;
    std::string playOut;
    std::string checkIni;
    registerPlayCommands();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (a == "--timeline" || a == "--timeline=all") {
            options.timeline = true;
            options.timeline_changes = false;
        } else if (a == "--timeline=changes") {
            options.timeline = true;
            options.timeline_changes = true;
        } else if (a == "--trace") {
            const char* v = next();
            if (v == nullptr) return usage("--trace wants a file");
            tracePath = v;
        } else if (a == "--start-tick" || a == "--frame-ms") {
            const char* v = next();
            const std::int64_t low = a == "--frame-ms" ? 1 : 0;
            const std::int64_t n = (v != nullptr ? parseInteger(v) : std::nullopt).value_or(-1);
            if (n < low || n > 0xFFFFFFFF) return usage(a + " wants a number " + std::to_string(low) + "...4294967295");
            (a == "--start-tick" ? options.start_tick : options.frame_ms) = static_cast<std::uint32_t>(n);
        } else if (a == "--wall-limit") {
            const char* v = next();
            const auto seconds = v != nullptr ? parseDecimal(v) : std::nullopt;
            if (!seconds || !(*seconds > 0) || *seconds > 1e6f) return usage("--wall-limit wants seconds above 0");
            wallLimit = *seconds;
        } else if (a == "--play" || a == "--sim-minutes") {
            const char* v = next();
            const std::int64_t n = (v != nullptr ? parseInteger(v) : std::nullopt).value_or(-1);
            if (n < 0 || n > 0xFFFFFFFF) return usage(a + " wants a number 0...4294967295");
            if (a == "--play") playSeed = static_cast<std::uint32_t>(n);
            else playMinutes = static_cast<std::uint32_t>(n);
        } else if (a == "--check-ini") {
            const char* v = next();
            if (v == nullptr) return usage("--check-ini wants a file");
            checkIni = v;
        } else if (a == "--out") {
            const char* v = next();
            if (v == nullptr) return usage("--out wants a folder");
            playOut = v;
        } else if ((a.size() > 1 && a[0] == '-') || haveScenario) {
            return usage((a[0] == '-' ? "unknown option " : "unexpected argument ") + a);
        } else {
            scenario = a;
            haveScenario = true;
        }
    }
    const WallLimit limit(wallLimit);
    if (!checkIni.empty()) {
        if (haveScenario || playSeed) return usage("--check-ini runs on its own");
        return checkIniFile(checkIni, std::cout, std::cerr);
    }
    if (playSeed) {
        if (haveScenario) return usage("--play runs a generated session, not " + scenario);
        const std::filesystem::path out =
            playOut.empty() ? std::filesystem::temp_directory_path() / "tavrel-play" : std::filesystem::path(playOut);
        return runPlayCommand(*playSeed, playMinutes, out, std::cout);
    }
    std::ofstream trace;
    if (!tracePath.empty()) {
        trace.open(tracePath, std::ios::binary | std::ios::trunc);
        if (!trace) return usage("cannot write " + tracePath);
        options.trace = &trace;
    }
    std::ifstream file;
    if (scenario != "-") {
        file.open(scenario, std::ios::binary);
        if (!file) return usage("cannot read " + scenario);
    }
    if (scenario == "-") return runScenario(std::cin, "<stdin>", options, std::cout, std::cerr);
    return runScenario(file, scenario, options, std::cout, std::cerr);
}

}  // namespace tavrel::sim
