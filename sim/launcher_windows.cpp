// tavrel-sim.exe: loads the simulator, ScriptHookV.dll from beside this
// program, which then loads the plug-in as the game's script hook does, and
// runs the command line there (sim/cli.h; the Windows options are in
// host_exports_windows.cpp).
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self, n);
    const std::size_t cut = dir.find_last_of("\\/");
    dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
    const std::string hookPath = dir + "ScriptHookV.dll";
    HMODULE hook = LoadLibraryA(hookPath.c_str());
    if (hook == nullptr) {
        std::fprintf(stderr, "tavrel-sim: cannot load %s (error %lu)\n", hookPath.c_str(), GetLastError());
        return 2;
    }
    using SimMain = int (*)(int, char**);
    const auto simMain = reinterpret_cast<SimMain>(reinterpret_cast<void (*)()>(GetProcAddress(hook, "tavrelSimMain")));
    if (simMain == nullptr) {
        std::fprintf(stderr, "tavrel-sim: %s is not the simulator's script hook\n", hookPath.c_str());
        return 2;
    }
    return simMain(argc, argv);
}
