// The tavrel-sim command line (the published contract of the tool):
//   tavrel-sim [--timeline[=changes]] [--trace FILE] [--start-tick N] [--frame-ms N] [SCENARIO | -]
// Returns the exit status: 0 ran, 1 plug-in fault, 2 scenario or usage error,
// 3 an expect line did not hold.
#pragma once

namespace tavrel::sim {

int runCommandLine(int argc, char** argv);

}  // namespace tavrel::sim
