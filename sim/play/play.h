// Random play: a session generated from a seed, run against the plug-in in
// the simulator with the invariants checked after every frame; a session
// that breaks one is shrunk to a small scenario file that still breaks it.
//
//   const PlaySession session = generateSession(7, 60);       // seed 7, an hour
//   const PlayOutcome outcome = runSession(session, "/tmp/play7");
//   if (outcome.broken) {
//       const PlaySession small = shrinkSession(session, outcome.violation.name, "/tmp/play7");
//       writeScenarioFile(small, outcome.violation.name, "/tmp/play7.scn");
//   }
//
// A session is a list of steps, each a few scenario lines, so that replaying
// it is running the same lines and a shrunk session is a scenario file. The
// first step sets up the world, the INI file and the clock and loads the
// plug-in. The same seed gives the same session and the same run.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "sim/play/invariants.h"

namespace tavrel::sim {

struct PlayStep {
    std::string what;                // a few words: what the step does
    std::vector<std::string> lines;  // scenario lines (an ini-text block with its end line)
};

struct PlaySession {
    std::uint32_t seed = 0;
    std::vector<PlayStep> steps;
};

PlaySession generateSession(std::uint32_t seed, std::uint32_t sim_minutes);

struct PlayOutcome {
    bool broken = false;
    Violation violation;       // when broken
    std::size_t step = 0;      // the step during which it broke
    bool scenario_error = false;
    std::string error;         // a line the simulator refused (a shrunk session that no longer makes sense)
    std::uint64_t frames = 0;
    std::uint64_t checks = 0;
    std::uint64_t requests = 0;
    std::uint64_t actions = 0;
    std::uint64_t sim_ms = 0;
    std::uint64_t digest = 0;  // calls, keys and the final state
};

// Runs the session in `folder` (made empty first; the working directory while
// it runs), stopping at the first violation.
PlayOutcome runSession(const PlaySession& session, const std::filesystem::path& folder);

// The smallest session found that still breaks `invariant`: steps dropped;
// then, until a round cuts nothing, lines inside steps (a vehicle or
// character with every line that names it), keys of ini-text blocks (and
// sections left empty), waits halved; steps left without lines go. Stops
// after two minutes of wall time. `trials` counts the runs.
PlaySession shrinkSession(const PlaySession& session, const std::string& invariant,
                          const std::filesystem::path& folder, int* trials = nullptr);

// The session as a scenario file; with an invariant, it ends with
// `expect invariant NAME`.
std::string scenarioText(const PlaySession& session, const std::string& invariant);
bool writeScenarioFile(const PlaySession& session, const std::string& invariant, const std::filesystem::path& file);

// `expect invariant NAME` (with the monitor it needs) and `plant lock-drop N`
// in scenario files: registered once with the scenario language.
void registerPlayCommands();

// `tavrel-sim --play SEED --sim-minutes M [--out DIR]`: runs the session,
// prints a summary line, shrinks a failure and prints the file's path.
// Returns 0 when every invariant held, 3 when one broke, 2 on misuse.
int runPlayCommand(std::uint32_t seed, std::uint32_t sim_minutes, const std::filesystem::path& out, std::ostream& log);

}  // namespace tavrel::sim
