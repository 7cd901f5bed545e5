// The tavrel-sim command line (documented in docs/scenario-language.md; the
// whole usage is `tavrel-sim --help`):
//   tavrel-sim [--timeline[=changes]] [--trace FILE] [--start-tick N] [--frame-ms N] [--wall-limit SECONDS] [SCENARIO | -]
//   tavrel-sim --play SEED [--sim-minutes M] [--out DIR]
//   tavrel-sim --check-ini FILE
// Returns the exit status: 0 ran, 1 plug-in fault, 2 scenario or usage error,
// 3 an expect line did not hold. A run that outlasts --wall-limit ends the
// process with status 4. --help prints the usage and returns 0.
#pragma once

namespace tavrel::sim {

int runCommandLine(int argc, char** argv);

}  // namespace tavrel::sim
