// The argument readers shared by the scenario command handlers.
#pragma once
#include <ostream>
#include <span>
#include <string_view>

#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_values.h"

namespace tavrel::sim {

// "tap VK": how a command is written, for messages; every command's, or
// the word alone for one that is not known.
std::string commandUsage(const std::string& word);

struct CommandContext;

// One scenario command: a row of the command table. The table checks the
// number of arguments before `run` is called (a wrong number: "WORD:
// expected N arguments, got M (WORD USAGE)"); `run` checks the arguments
// themselves and, with c.run true, carries the command out.
struct ScenarioCommand {
    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
    std::string_view word;
    std::size_t least = 0;           // arguments
    std::size_t most = 0;            // kNoLimit: any number
    std::string_view usage;          // its arguments as written: "ID KIND X Y Z [key=value ...]"
    void (*run)(const CommandContext& c) = nullptr;
};

// Every command, the built-in ones first, then those added.
std::span<const ScenarioCommand> scenarioCommands();

struct CommandContext {
    const ScenarioLine& cmd;
    Simulator& sim;
    std::ostream& out;
    bool run;  // false: only check the arguments
    ScenarioSession* session = nullptr;  // the run's; null while checking, or for a lone command

    [[noreturn]] void fail(const std::string& message) const { throw ScenarioError(cmd.line, message); }

    void argCount(std::size_t least, std::size_t most) const {
        const std::size_t n = cmd.args.size();
        if (n < least || n > most) {
            const std::string want = least == most                       ? std::to_string(least)
                                     : most == ScenarioCommand::kNoLimit ? "at least " + std::to_string(least)
                                                                         : std::to_string(least) + " to " + std::to_string(most);
            fail(cmd.word + ": expected " + want + " argument" + (most == 1 ? "" : "s") + ", got " +
                 std::to_string(n) + " (" + commandUsage(cmd.word) + ")");
        }
    }

    const std::string& arg(std::size_t i) const { return cmd.args.at(i); }

    std::int64_t integer(std::size_t i, std::int64_t low, std::int64_t high, const char* what) const {
        const auto v = parseInteger(arg(i));
        if (!v) fail(std::string("not a number for ") + what + ": " + arg(i));
        if (*v < low || *v > high) fail(std::string(what) + " out of range: " + arg(i));
        return *v;
    }

    int id(std::size_t i) const { return static_cast<int>(integer(i, 1, 0x7FFFFFFF, "ID")); }

    float decimal(std::size_t i, const char* what) const {
        const auto v = parseDecimal(arg(i));
        if (!v) fail(std::string("not a decimal number for ") + what + ": " + arg(i));
        return *v;
    }

    Vec3 position(std::size_t i) const { return Vec3{decimal(i, "X"), decimal(i + 1, "Y"), decimal(i + 2, "Z")}; }

    std::uint32_t key(std::size_t i) const {
        const auto k = parseKey(arg(i));
        if (!k) fail("unknown key: " + arg(i) + " (keys: a number, A-Z, 0-9, F1-F24, NUMPAD0-NUMPAD9, BACK, RETURN, SHIFT, CONTROL, MENU, ESCAPE, SPACE, LEFT, UP, RIGHT, DOWN)");
        return *k;
    }

    bool flag(std::size_t i) const {
        const auto f = parseFlag(arg(i));
        if (!f) fail(cmd.word + ": expected 0 or 1, got " + arg(i));
        return *f;
    }

    // The vehicle with that ID; fails when there is none.
    SimVehicle& vehicle(int vid) const {
        SimVehicle* v = sim.world().vehicleById(vid);
        if (v == nullptr) fail("no vehicle " + std::to_string(vid));
        return *v;
    }
};

// The rows of the world commands (scenario_world.cpp).
std::span<const ScenarioCommand> worldCommands();
// `expect KIND ARGS...` (scenario_expect.cpp).
void expectCommand(const CommandContext& c);
// After a command of the scenario's own changed ./TavrelConfig.ini: that
// content is what `expect ini-unchanged` compares with next.
void noteIniEdited(const CommandContext& c);

}  // namespace tavrel::sim
