// The host ABI on Windows: the functions ScriptHookV.dll exports (under the
// script hook's decorated names, see script_hook_sim.def), each with the
// host's own signature and forwarding to the live Simulator as the Linux
// binding does (protocol/host_forward.h), and the entry tavrel-sim.exe calls.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "sim/cli/cli.h"
#include "sim/protocol/host_forward.h"
#include "sim/windows/plugin_loader_windows.h"

namespace tavrel::sim {

void attachHostBinding() {}

// The plug-in's GetTickCount, rand and srand (its imports are redirected
// here): without a simulator, the system's clock.
unsigned long __stdcall simulatedTickCount() { return forward::clockRead(GetTickCount()); }
int __cdecl simulatedRand() { return forward::nextRandom(); }
void __cdecl simulatedSrand(unsigned seed) { forward::seedRandom(seed); }

namespace {

// The host's types, as its decorated names spell them.
using HostScriptMain = void (*)();
using HostKeyboardHandler = void (*)(DWORD, WORD, BYTE, BOOL, BOOL, BOOL, BOOL);
static_assert(sizeof(DWORD) == sizeof(std::uint32_t) && sizeof(WORD) == sizeof(std::uint16_t) &&
                  sizeof(BYTE) == sizeof(std::uint8_t) && sizeof(BOOL) == sizeof(int),
              "the host's handler and the simulator's take the same arguments");

host::KeyboardHandler asSimHandler(HostKeyboardHandler handler) {
    // The same arguments in the same registers: only the spelling differs.
    return reinterpret_cast<host::KeyboardHandler>(reinterpret_cast<void (*)()>(handler));
}

// The directory of this DLL, with its trailing separator.
std::string ownDirectory() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ownDirectory), &self);
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(self, path, MAX_PATH);
    std::string dir(path, n);
    const std::size_t cut = dir.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : dir.substr(0, cut + 1);
}

}  // namespace

}  // namespace tavrel::sim

using tavrel::sim::HostKeyboardHandler;
using tavrel::sim::HostScriptMain;
namespace forward = tavrel::sim::forward;

extern "C" {

void simScriptRegister(HINSTANCE module, HostScriptMain script) { forward::scriptRegister(module, script, true); }
void simScriptRegisterAdditionalThread(HINSTANCE module, HostScriptMain script) {
    forward::scriptRegister(module, script, false);
}
void simScriptUnregister(HINSTANCE module) { forward::scriptUnregister(module); }
void simScriptWait(DWORD ms) { forward::scriptWait(ms); }
void simKeyboardHandlerRegister(HostKeyboardHandler handler) {
    forward::keyboardRegister(tavrel::sim::asSimHandler(handler));
}
void simKeyboardHandlerUnregister(HostKeyboardHandler handler) {
    forward::keyboardUnregister(tavrel::sim::asSimHandler(handler));
}
void simNativeInit(std::uint64_t hash) { forward::nativeInit(hash); }
void simNativePush64(std::uint64_t value) { forward::nativePush(value); }
std::uint64_t* simNativeCall() { return forward::nativeCall(); }
int simWorldGetAllPeds(int* handles, int capacity) { return forward::worldPeds(handles, capacity); }
int simWorldGetAllVehicles(int* handles, int capacity) { return forward::worldVehicles(handles, capacity); }

// tavrel-sim.exe's main. Takes the Windows build's own options first:
//   --plugin FILE      the plug-in to load (default: Tavrel.asi beside this DLL)
//   --plugin-map FILE  its link map (default: the plug-in's path with .map)
// and runs the rest as the tavrel-sim command line.
int tavrelSimMain(int argc, char** argv) {
    // Byte for byte, as on Linux: no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::string library = tavrel::sim::ownDirectory() + "Tavrel.asi";
    std::string map;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (i > 0 && (a == "--plugin" || a == "--plugin-map") && i + 1 < argc) {
            (a == "--plugin" ? library : map) = argv[++i];
            continue;
        }
        rest.push_back(argv[i]);
    }
    if (map.empty()) {
        const std::size_t dot = library.find_last_of('.');
        const std::size_t slash = library.find_last_of("\\/");
        const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        map = (hasExtension ? library.substr(0, dot) : library) + ".map";
    }
    tavrel::sim::setPluginFiles(library, map);
    rest.push_back(nullptr);
    const int status = tavrel::sim::runCommandLine(static_cast<int>(rest.size()) - 1, rest.data());
    std::cout.flush();
    std::cerr.flush();
    return status;
}

}  // extern "C"
