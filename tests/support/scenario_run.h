// Runs a scenario's text as tavrel-sim runs a file, in the current folder,
// keeping its status and what it printed on each stream.
#pragma once
#include <sstream>
#include <string>

#include "sim/scenario/scenario.h"

namespace tavrel::testing {

struct ScenarioRun {
    int status;
    std::string out;
    std::string err;
};

inline ScenarioRun runScenarioText(const std::string& text, const sim::ScenarioOptions& options = {},
                                   const char* file = "t.scn") {
    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream err;
    const int status = sim::runScenario(in, file, options, out, err);
    return ScenarioRun{status, out.str(), err.str()};
}

}  // namespace tavrel::testing
