// tavrel-sim.exe: loads the simulator, ScriptHookV.dll from beside this
// program, which then loads the plug-in as the game's script hook does, and
// runs the command line there (sim/cli/cli.h; the Windows options are in
// host_exports_windows.cpp).
//
// Without --plugin, the plug-in is found here: Tavrel.asi beside this
// program first (a folder laid out like the game's), then the build tree's
// (build/mingw/win/Tavrel.asi, as seen from build/mingw/sim/), so
// `wine tavrel-sim.exe my.scn` runs from any working directory. Its link map
// is the Tavrel.map beside it, unless --plugin-map names one.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool isFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string fullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(full, n) : path;
}

// True when the command line names the plug-in (the option and its value),
// or asks only for the usage (which needs no plug-in).
bool namesPlugin(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) return true;
        if (i + 1 == argc) break;
        if (std::strcmp(argv[i], "--plugin") == 0) return true;
        if (std::strcmp(argv[i], "--plugin-map") == 0) ++i;  // its value is not an option
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    char self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string dir(self, n);
    const std::size_t cut = dir.find_last_of("\\/");
    dir = cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);

    std::vector<char*> args(argv, argv + argc);
    std::string plugin;
    if (!namesPlugin(argc, argv)) {
        const std::string places[] = {dir + "Tavrel.asi", dir + "..\\win\\Tavrel.asi"};
        for (const std::string& place : places) {
            if (isFile(place)) {
                plugin = fullPath(place);
                break;
            }
        }
        if (plugin.empty()) {
            std::fprintf(stderr,
                         "tavrel-sim: no Tavrel.asi beside this program (%s) nor in the build tree (%s);"
                         " name it with --plugin FILE\n",
                         fullPath(places[0]).c_str(), fullPath(places[1]).c_str());
            return 2;
        }
        static char option[] = "--plugin";
        args.insert(args.begin() + 1, {option, plugin.data()});
    }
    args.push_back(nullptr);

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
    return simMain(static_cast<int>(args.size()) - 1, args.data());
}
