// The expect family of scenario commands: `expect KIND ARGS...` checks, when
// its line runs, that something holds; a failure prints
// "FILE:LINE: expected KIND ARGS..., got WHAT" and the run ends with 3.
//
// The kinds are a table. A room of the simulator with checks of its own adds
// a kind before the scenario is parsed:
//
//   std::optional<std::string> invariantHolds(const CommandContext& c, ExpectCursors&) {
//       c.argCount(2, 2);                      // expect invariant NAME
//       if (!knownInvariant(c.arg(1))) c.fail("unknown invariant: " + c.arg(1));
//       if (!c.run) return std::nullopt;       // parse time: arguments only
//       return brokenInvariant(c.sim, c.arg(1));  // nullopt: holds; else what was found
//   }
//   addExpectKind({"invariant", "NAME", invariantHolds});
#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/report/json_writer.h"
#include "sim/scenario/scenario_context.h"

namespace tavrel::sim {

// One kind of expectation. `check` gets the whole `expect` line: c.arg(0) is
// the kind's name, its arguments follow. With c.run false it only checks the
// arguments (c.fail for bad ones, naming the valid forms); with c.run true it
// also evaluates them and returns nullopt when the expectation holds, else
// the text that follows "got" in the failure message.
struct ExpectKind {
    std::string_view name;
    std::string_view usage;  // its arguments, for messages and `expect` alone: "ID FIELD VALUE"
    std::optional<std::string> (*check)(const CommandContext& c, ExpectCursors& cursors);
};

// Adds a kind (a kind of the same name is replaced). Host thread, before
// scenarios are parsed.
void addExpectKind(const ExpectKind& kind);
// Every kind, the built-in ones first.
std::span<const ExpectKind> expectKinds();

// The fields `expect vehicle|player|ped` accepts: the keys of that object in
// `state`, in its order.
std::span<const std::string_view> expectVehicleFields();
std::span<const std::string_view> expectPlayerFields();
std::span<const std::string_view> expectPedFields();

// The text of an expect line from argument `first` on, as written (comment
// removed; with `unquote`, outer double quotes taken off): the TEXT of
// `expect screen TEXT`.
std::string expectText(const CommandContext& c, std::size_t first, bool unquote = true);

// True when `actual` (one value of a report) matches the scenario's
// `expected` text: numbers by value, booleans as true/false or 1/0, null,
// text as written (quotes optional), arrays as 1,0,1 or [1,0,1].
bool jsonValueMatches(const JsonValue& actual, std::string_view expected);

}  // namespace tavrel::sim
