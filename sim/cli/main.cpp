// tavrel-sim: runs the plug-in against a scenario file in the simulator.
//
//   tavrel-sim [OPTION...] [SCENARIO | -]      (tavrel-sim --help: every option)
#include "sim/cli/cli.h"

int main(int argc, char** argv) { return tavrel::sim::runCommandLine(argc, argv); }
