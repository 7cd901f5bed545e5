#include "sim/cli/cli.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <iostream>
#include <string>

#include "sim/play/play.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_values.h"

namespace {

int usage(const std::string& problem) {
    std::cerr << "tavrel-sim: " << problem << "\n"
              << "usage: tavrel-sim [--timeline[=changes]] [--trace FILE] [--start-tick N] [--frame-ms N] [SCENARIO | -]\n"
              << "       tavrel-sim --play SEED --sim-minutes M [--out DIR]\n";
    return 2;
}

}  // namespace

namespace tavrel::sim {

int runCommandLine(int argc, char** argv) {
    ScenarioOptions options;
    std::string scenario = "-";
    std::string tracePath;
    bool haveScenario = false;
    std::optional<std::uint32_t> playSeed;
    std::uint32_t playMinutes = 10;
    std::string playOut;
    registerPlayCommands();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
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
        } else if (a == "--play" || a == "--sim-minutes") {
            const char* v = next();
            const std::int64_t n = (v != nullptr ? parseInteger(v) : std::nullopt).value_or(-1);
            if (n < 0 || n > 0xFFFFFFFF) return usage(a + " wants a number 0...4294967295");
            if (a == "--play") playSeed = static_cast<std::uint32_t>(n);
            else playMinutes = static_cast<std::uint32_t>(n);
        } else if (a == "--out") {
            const char* v = next();
            if (v == nullptr) return usage("--out wants a folder");
            playOut = v;
        } else if ((a.size() > 1 && a[0] == '-') || haveScenario) {
            return usage((a[0] == '-' ? "unknown option " : "unexpected argument ") + a +
                         (a[0] == '-' ? " (options: --timeline, --timeline=changes, --trace FILE, --start-tick N, --frame-ms N; --play SEED, --sim-minutes M, --out DIR)" : ""));
        } else {
            scenario = a;
            haveScenario = true;
        }
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
    if (scenario == "-") return runScenario(std::cin, "<stdin>", options, std::cout, std::cerr);
    std::ifstream file(scenario, std::ios::binary);
    if (!file) return usage("cannot read " + scenario);
    return runScenario(file, scenario, options, std::cout, std::cerr);
}

}  // namespace tavrel::sim
