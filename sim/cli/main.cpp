// tavrel-sim: runs the plug-in against a scenario file in the simulator.
//
//   tavrel-sim [--timeline[=changes]] [--trace FILE] [--start-tick N] [--frame-ms N] [SCENARIO | -]
#include "sim/cli/cli.h"

int main(int argc, char** argv) { return tavrel::sim::runCommandLine(argc, argv); }
