// Scenario files: one command a line, run against a Simulator.
//
//   std::istringstream text("vehicle 12 car 5 0 0\nstart\nstate\n");
//   const int status = runScenario(text, "demo.scn", options, std::cout, std::cerr);
//
// The whole file is read and every command checked before anything runs; a
// command whose arguments are wrong stops the run with exit status 2 and
// "FILE:LINE: message" on the error stream, as does a command that refers to
// a vehicle or character that is not there when it runs. A protocol fault of
// the plug-in (an unknown native, too many arguments, ...) stops it with 1.
// An `expect` line that does not hold prints "FILE:LINE: expected ..., got
// ..." on the error stream; the run goes on to its end and exits with 3
// (unless a fault or a scenario error stops it first, with 1 or 2).
#pragma once
#include <cstdint>
#include <iosfwd>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/protocol/simulator.h"

namespace tavrel::sim {

struct ScenarioLine {
    int line = 0;                     // 1-based
    std::string word;                 // the command
    std::vector<std::string> args;    // the words after it, comment removed
    std::string rest;                 // the raw text after the command word (echo, ini)
    std::vector<std::string> block;   // the lines of ini-text ... end
};

struct ScenarioError : std::runtime_error {
    int line;
    ScenarioError(int at, const std::string& message) : std::runtime_error(message), line(at) {}
};

// Splits the text into commands; throws ScenarioError for an ini-text
// without its end and for a stray end.
std::vector<ScenarioLine> parseScenario(std::istream& in);
// A line of an ini-text block that ends it: "end" alone (spaces around it allowed).
bool endsIniText(const std::string& line);

struct ScenarioOptions {
    std::uint32_t start_tick = kDefaultStartTick;
    std::uint32_t frame_ms = kDefaultFrameMs;
    bool timeline = false;
    bool timeline_changes = false;  // with timeline: only calls that change something (ChangeFilter)
    std::ostream* trace = nullptr;  // JSON lines of every native call and keyboard message
};

// --timeline and --trace of `options` on `sim`'s calls and key messages
// (keeps no trace of its own). The streams must outlive the sinks.
void attachTraceOutput(Simulator& sim, const ScenarioOptions& options, std::ostream& out);

// What the `expect` lines of one run remember between them. Each of these
// "since the previous check" cursors is the expect family's own: a `state`
// print does not move them, nor they it.
struct ExpectCursors {
    std::map<std::string, std::size_t> sounds;         // by sound name ("*": any)
    std::map<std::string, std::size_t> notifications;  // by text ("*": any)
    std::size_t horns = 0;
    // ./TavrelConfig.ini's bytes (nullopt: no file) at the previous INI
    // check, the scenario's own previous INI edit, or the run's beginning.
    std::optional<std::string> ini_bytes;
    // ./Tavrel.log: lines up to the previous match, and the file's first
    // line then (another first line: the file was started afresh).
    std::size_t log_lines = 0;
    std::string log_first_line;
};

// One run of a scenario: where failed expectations are reported and how many.
struct ScenarioSession {
    std::string file_name;
    std::ostream* err = nullptr;
    ScenarioOptions* options = nullptr;  // the run's own copy: `timeline` turns the timeline on
    ExpectCursors cursors;
    int expect_failures = 0;
};

// Runs a scenario on a fresh Simulator; returns the exit status (0, 1, 2, 3).
int runScenario(std::istream& in, const std::string& fileName, const ScenarioOptions& options, std::ostream& out,
                std::ostream& err);
// The same on a given Simulator (tests add their own scripts first).
// REQUIRES: no frame has run yet.
int runScenarioOn(Simulator& sim, std::istream& in, const std::string& fileName, const ScenarioOptions& options,
                  std::ostream& out, std::ostream& err);

// A room above this one adds commands to the language (the play room's
// `plant`) as rows of the command table (scenario_context.h), and may look
// at every line before it runs (the play room's invariant monitor sees
// `start` and `unload` coming). Host thread, before scenarios are parsed.
struct ScenarioCommand;
void addScenarioCommand(const ScenarioCommand& row);
using ScenarioWatcher = void (*)(const ScenarioLine& cmd, Simulator& sim);
void addScenarioWatcher(ScenarioWatcher watcher);

// Checks one command (`run` false) or carries it out (`run` true) on `sim`.
// Throws ScenarioError. Output commands write to `out`. A failed `expect`
// is reported to `session` (counted, printed on its error stream); without
// a session it throws ExpectFailure.
void scenarioCommand(const ScenarioLine& cmd, Simulator& sim, std::ostream& out, bool run,
                     ScenarioSession* session = nullptr);

struct ExpectFailure : ScenarioError {
    using ScenarioError::ScenarioError;
};

}  // namespace tavrel::sim
