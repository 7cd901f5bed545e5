// Where the Windows simulator finds the plug-in it loads, and the clock it
// gives it. Windows build only.
#pragma once
#include <string>

namespace tavrel::sim {

// The plug-in library (Tavrel.asi, as shipped) and the link map written when
// it was built (for the address of its Settings record). Set before start.
void setPluginFiles(std::string library, std::string link_map);

// The simulated clock with GetTickCount's signature; the loaded plug-in's
// import of GetTickCount is pointed here. Without a simulator: the real clock.
unsigned long __stdcall simulatedTickCount();
// The simulated C runtime generator (the simulator's, or a replay's); the
// plug-in's imports of rand and srand are pointed here.
int __cdecl simulatedRand();
void __cdecl simulatedSrand(unsigned seed);

}  // namespace tavrel::sim
