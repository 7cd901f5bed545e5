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
#pragma once
#include <cstdint>
#include <iosfwd>
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

struct ScenarioOptions {
    std::uint32_t start_tick = kDefaultStartTick;
    std::uint32_t frame_ms = kDefaultFrameMs;
    bool timeline = false;
    std::ostream* trace = nullptr;  // JSON lines of every native call and keyboard message
};

// Runs a scenario on a fresh Simulator; returns the exit status (0, 1, 2).
int runScenario(std::istream& in, const std::string& fileName, const ScenarioOptions& options, std::ostream& out,
                std::ostream& err);
// The same on a given Simulator (tests add their own scripts first).
// REQUIRES: no frame has run yet.
int runScenarioOn(Simulator& sim, std::istream& in, const std::string& fileName, const ScenarioOptions& options,
                  std::ostream& out, std::ostream& err);

// A command whose expectation does not hold: the run prints
// "FILE:LINE: expected ..., got ..." (the message is what follows the line
// number) and ends with kExpectationFailedStatus after that line.
struct ExpectationFailed : std::runtime_error {
    using std::runtime_error::runtime_error;
};
inline constexpr int kExpectationFailedStatus = 3;

// Commands a room above this one adds to the language (the play room's
// `expect invariant`). `command` is offered every line, before the built-in
// commands, to check (`run` false) or to run; it returns true when the line
// is its own, which is then not taken as a built-in. It throws ScenarioError
// or ExpectationFailed.
using ScenarioExtension = bool (*)(const ScenarioLine& cmd, Simulator& sim, std::ostream& out, bool run);
void addScenarioExtension(ScenarioExtension extension);

// Checks one command (`run` false) or carries it out (`run` true) on `sim`.
// Throws ScenarioError. Output commands write to `out`.
void scenarioCommand(const ScenarioLine& cmd, Simulator& sim, std::ostream& out, bool run);

}  // namespace tavrel::sim
