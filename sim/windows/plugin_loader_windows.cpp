// The plug-in's load and unload on Windows: the shipped Tavrel.asi, loaded
// with LoadLibraryA as the script hook loads it and freed with FreeLibrary,
// so that its own DllMain registers and unregisters. Two things reach into it
// from outside, neither changing a byte of the file:
//   - its import of GetTickCount is pointed at the simulated clock, from the
//     loader's notification that the library is mapped and its imports bound,
//     which comes before its static initialisers and DllMain run;
//   - its Settings record is read in place, at the address the link map of
//     the build gives (the library is stripped and exports nothing).
// Checked at every load: the clock redirected, the address inside a writable
// section of the library, and the record there holding its load-time values.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/settings.h"
#include "state/runtime_state.h"
#include "sim/protocol/simulator.h"
#include "sim/report/reports.h"
#include "sim/windows/plugin_loader_windows.h"

namespace tavrel::sim {

namespace {

// [SECTION] The loader's notifications (ntdll; declared here as ntdll has them)

struct LoaderString {
    USHORT length;  // bytes
    USHORT maximum_length;
    PWSTR buffer;
};

struct LoadedNotice {
    ULONG flags;
    const LoaderString* full_name;
    const LoaderString* base_name;
    void* base;
    ULONG image_size;
};

constexpr ULONG kNoticeLoaded = 1;

using LoaderCallback = void(CALLBACK*)(ULONG reason, const LoadedNotice* notice, void* context);
using RegisterNotification = LONG(NTAPI*)(ULONG flags, LoaderCallback callback, void* context, void** cookie);
using UnregisterNotification = LONG(NTAPI*)(void* cookie);

// [SECTION] State of the one loaded plug-in

struct PluginFiles {
    std::string library = "Tavrel.asi";
    std::string link_map = "Tavrel.map";
};

struct LoadedPlugin {
    HMODULE module = nullptr;
    const Settings* settings = nullptr;  // inside the module while it is loaded
    Settings last;                       // load-time values, then the values at the last unload
    const RuntimeState* runtime = nullptr;
    RuntimeState last_runtime;
};

struct LoadWatch {
    std::wstring base_name;   // the plug-in's file name, as the loader reports it
    void* base = nullptr;     // where it was mapped
    int clock_imports = 0;    // GetTickCount entries redirected before its initialisers ran
};

PluginFiles files;
LoadedPlugin plugin;

// [SECTION] Import table

// Points every import named `function` in the image at `target`, from the
// DLLs whose name `fromDll` accepts; returns how many entries it changed.
int redirectImport(void* image, bool (*fromDll)(const char*), const char* function, void* target) {
    auto* base = static_cast<BYTE*>(image);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return 0;
    int changed = 0;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name != 0; ++d) {
        if (!fromDll(reinterpret_cast<const char*>(base + d->Name))) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) continue;
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(target);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
            ++changed;
        }
    }
    return changed;
}

bool isKernel32(const char* dll) { return lstrcmpiA(dll, "kernel32.dll") == 0; }

// The C runtime the library was linked with: msvcrt, the universal CRT's
// forwarders, or another runtime DLL.
bool isCRuntime(const char* dll) {
    std::string name(dll);
    for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name.find("msvcr") != std::string::npos || name.find("ucrt") != std::string::npos ||
           name.find("api-ms-win-crt-") != std::string::npos;
}

void CALLBACK onLibraryLoaded(ULONG reason, const LoadedNotice* notice, void* context) {
    auto* watch = static_cast<LoadWatch*>(context);
    if (reason != kNoticeLoaded || notice == nullptr || notice->base_name == nullptr) return;
    const std::wstring name(notice->base_name->buffer, notice->base_name->length / sizeof(wchar_t));
    if (lstrcmpiW(name.c_str(), watch->base_name.c_str()) != 0) return;
    watch->base = notice->base;
    watch->clock_imports = redirectImport(notice->base, isKernel32, "GetTickCount", reinterpret_cast<void*>(&simulatedTickCount));
    // The generator: the simulator's (the same numbers as the runtime's), so
    // that a replay can answer it.
    redirectImport(notice->base, isCRuntime, "rand", reinterpret_cast<void*>(&simulatedRand));
    redirectImport(notice->base, isCRuntime, "srand", reinterpret_cast<void*>(&simulatedSrand));
}

// [SECTION] Link map

// A record's offset from the image base, from a GNU ld map:
//   " .data   0x...0a0   0x180 ...(settings.cpp.obj)"   (a section's part)
//   "         0x...0a0             tavrel::settings"     (a symbol in it)
//   "         0x...000             __image_base__ = 0x..."
// Names may be demangled (`name`) or not (`mangled`). Returns false with
// `problem` set.
bool symbolOffset(const std::string& path, const char* name, const char* mangled, std::size_t size,
                  std::uint64_t& offset, std::string& problem) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        problem = "cannot read the link map " + path;
        return false;
    }
    std::uint64_t imageBase = 0, symbol = 0, partStart = 0, partEnd = 0, symbolPartEnd = 0;
    bool haveBase = false, haveSymbol = false;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string t; words >> t;) w.push_back(t);
        const auto hex = [](const std::string& t, std::uint64_t& v) {
            if (t.size() < 3 || t[0] != '0' || t[1] != 'x') return false;
            v = std::stoull(t, nullptr, 16);
            return true;
        };
        std::uint64_t a = 0, b = 0;
        if (w.size() >= 3 && hex(w[1], a) && hex(w[2], b)) {
            partStart = a;
            partEnd = a + b;
        } else if (w.size() >= 2 && hex(w[0], a) && w[1] == "__image_base__") {
            imageBase = a;
            haveBase = true;
        } else if (w.size() == 2 && hex(w[0], a) && (w[1] == mangled || w[1] == name)) {
            if (haveSymbol) {
                problem = std::string("the link map names ") + name + " twice";
                return false;
            }
            symbol = a;
            symbolPartEnd = a >= partStart ? partEnd : 0;
            haveSymbol = true;
        }
    }
    if (!haveBase || !haveSymbol) {
        problem = "the link map " + path + " has no " + (haveBase ? name : "__image_base__");
        return false;
    }
    if (symbol < imageBase || symbol + size > symbolPartEnd) {
        problem = std::string("the link map's ") + name + " does not hold its record";
        return false;
    }
    offset = symbol - imageBase;
    return true;
}

bool settingsOffset(const std::string& path, std::uint64_t& offset, std::string& problem) {
    return symbolOffset(path, "tavrel::settings", "_ZN6tavrel8settingsE", sizeof(Settings), offset, problem);
}

bool runtimeOffset(const std::string& path, std::uint64_t& offset, std::string& problem) {
    return symbolOffset(path, "tavrel::runtime", "_ZN6tavrel7runtimeE", sizeof(RuntimeState), offset, problem);
}

// The record at `offset` lies inside one writable section of the module.
bool inWritableSection(HMODULE module, std::uint64_t offset, std::size_t size) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        const std::uint64_t start = section->VirtualAddress;
        const std::uint64_t end = start + section->Misc.VirtualSize;
        if (offset >= start && offset + size <= end) {
            return (section->Characteristics & IMAGE_SCN_MEM_WRITE) != 0;
        }
    }
    return false;
}

// [SECTION] Load

std::wstring baseNameOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    std::wstring wide(name.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

// LoadLibraryA with the loader watched; null with `problem` set on failure.
HMODULE loadLibraryWatched(LoadWatch& watch, std::string& problem) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto reg = reinterpret_cast<RegisterNotification>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrRegisterDllNotification")));
    const auto unreg = reinterpret_cast<UnregisterNotification>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "LdrUnregisterDllNotification")));
    void* cookie = nullptr;
    if (reg == nullptr || unreg == nullptr || reg(0, &onLibraryLoaded, &watch, &cookie) != 0) {
        problem = "the loader offers no load notifications, so GetTickCount cannot be redirected in time";
        return nullptr;
    }
    HMODULE module = LoadLibraryA(files.library.c_str());
    const DWORD error = GetLastError();
    unreg(cookie);
    if (module == nullptr) problem = "LoadLibraryA(" + files.library + ") failed with error " + std::to_string(error);
    return module;
}

}  // namespace

void setPluginFiles(std::string library, std::string link_map) {
    files.library = std::move(library);
    files.link_map = std::move(link_map);
}

void Simulator::start() {
    if (started_) return;
    std::string problem;
    std::uint64_t offset = 0;
    std::uint64_t runtime_offset = 0;
    if (!settingsOffset(files.link_map, offset, problem) || !runtimeOffset(files.link_map, runtime_offset, problem)) {
        recordFault(0, "cannot load the plug-in: " + problem);
        return;
    }
    LoadWatch watch;
    watch.base_name = baseNameOf(files.library);
    HMODULE module = loadLibraryWatched(watch, problem);
    if (module == nullptr) {
        recordFault(0, "cannot load the plug-in: " + problem);
        return;
    }
    if (watch.base != module || watch.clock_imports == 0) {
        problem = "its GetTickCount import was not redirected before it was initialised";
    } else if (!inWritableSection(module, offset, sizeof(Settings)) ||
               !inWritableSection(module, runtime_offset, sizeof(RuntimeState))) {
        problem = "the link map " + files.link_map + " does not fit " + files.library;
    } else {
        const auto* record = reinterpret_cast<const Settings*>(reinterpret_cast<const BYTE*>(module) + offset);
        if (settingsJson(*record) != settingsJson(Settings{})) {
            problem = "no Settings record at the link map's address (" + files.link_map + " is not the map of " +
                      files.library + ")";
        } else {
            plugin.module = module;
            plugin.settings = record;
            plugin.runtime = reinterpret_cast<const RuntimeState*>(reinterpret_cast<const BYTE*>(module) + runtime_offset);
        }
    }
    if (plugin.module != module) {
        FreeLibrary(module);  // its DllMain unregisters what it registered
        keyboard_handlers_.clear();
        fibres_.stop(module);
        std::erase(registered_modules_, static_cast<void*>(module));
        recordFault(0, "cannot use the plug-in: " + problem);
        return;
    }
    module_ = module;
    started_ = true;
    runFrame();
}

void Simulator::unload() {
    if (!started_) return;
    plugin.last = *plugin.settings;  // the memory goes with the library
    plugin.settings = nullptr;
    plugin.last_runtime = *plugin.runtime;
    plugin.runtime = nullptr;
    FreeLibrary(plugin.module);  // process detach: DllMain unregisters
    plugin.module = nullptr;
    afterDetach();
}

const Settings& pluginSettings() { return plugin.settings != nullptr ? *plugin.settings : plugin.last; }

const RuntimeState& pluginRuntime() { return plugin.runtime != nullptr ? *plugin.runtime : plugin.last_runtime; }

}  // namespace tavrel::sim
