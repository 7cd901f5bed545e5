// Loads the built Tavrel.asi the way the game does (LoadLibrary), with a
// stand-in script hook or none, and checks what it registers, that its scripts
// run, that key messages reach them through the registered handler, and what
// it unregisters when unloaded.
//
//   tavrel_load_test full    <ScriptHookV.dll> <Tavrel.asi>   (the hook loaded before, from elsewhere)
//   tavrel_load_test config  <ScriptHookV.dll> <Tavrel.asi>   (F10 opens the menu, set in the INI file)
//   tavrel_load_test first   <ScriptHookV.dll> <Tavrel.asi>   (Tavrel.asi loaded first: the loader brings the hook)
//   tavrel_load_test missing <Tavrel.asi>                      (no hook in the folder: no load)
//
// first and missing lay out a fresh game folder: this program (as
// game.exe), the library and the hook given (as ScriptHookV.dll), then run
// game.exe there, which loads "Tavrel.asi" by name as an ASI loader does,
// with nothing loaded before it.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "check.h"
#include "fake_script_hook.h"

namespace {

using namespace std::chrono_literals;

constexpr unsigned long kF9 = 0x78;
constexpr unsigned long kF10 = 0x79;
constexpr unsigned char kScanCode = 0x43;

template <typename Fn>
Fn hookFunction(HMODULE hook, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(hook, name)));
}

struct FakeHook {
    fake_hook::ReportFn report = nullptr;
    fake_hook::StartFn start = nullptr;
    fake_hook::SawTextFn saw_text = nullptr;
    fake_hook::ParkFn park = nullptr;

    explicit FakeHook(HMODULE hook)
        : report(hookFunction<fake_hook::ReportFn>(hook, "fakeHookReport")),
          start(hookFunction<fake_hook::StartFn>(hook, "fakeHookStartScripts")),
          saw_text(hookFunction<fake_hook::SawTextFn>(hook, "fakeHookSawText")),
          park(hookFunction<fake_hook::ParkFn>(hook, "fakeHookParkScripts")) {}

    bool valid() const { return report && start && saw_text && park; }
    fake_hook::Report snapshot() const {
        fake_hook::Report out;
        report(&out);
        return out;
    }
};

bool waitForText(const FakeHook& hook, const char* text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!hook.saw_text(text)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// The menu key the plug-in should obey, and a key it should not.
struct MenuKeys {
    unsigned long toggle;
    unsigned long other;
};

void checkRegisteredAndRunning(const FakeHook& hook, HMODULE asi, MenuKeys keys) {
    const fake_hook::Report attached = hook.snapshot();
    CHECK(attached.script_register_calls == 1);
    CHECK(attached.additional_thread_calls == 1);
    CHECK(attached.keyboard_register_calls == 1);
    CHECK(attached.script_unregister_calls == 0);
    CHECK(attached.keyboard_unregister_calls == 0);
    CHECK(attached.script_module == asi);
    CHECK(attached.additional_module == asi);
    CHECK(attached.main_script != nullptr);
    CHECK(attached.additional_thread != nullptr);
    CHECK(attached.main_script != attached.additional_thread);
    CHECK(attached.keyboard_registered != nullptr);
    CHECK(attached.frames == 0);  // nothing runs before the host starts the scripts
    if (attached.main_script == nullptr || attached.additional_thread == nullptr ||
        attached.keyboard_registered == nullptr) {
        return;
    }

    hook.start();
    // The main script posts its start-up notice on its first frames.
    CHECK(waitForText(hook, "Tavrel 2.2 by Kestrin", 10s));
    CHECK(waitForText(hook, "WEAPON_UNARMED", 1s));

    // Key messages go through the handler the host holds, arguments in the
    // host's order. The held menu key (repeat: was down before, not up) and a
    // release of another key must not open the menu; the menu key's release must.
    const fake_hook::KeyboardHandler keyboard = attached.keyboard_registered;
    keyboard(keys.toggle, 1, kScanCode, 0, 0, 0, 0);
    keyboard(keys.toggle, 1, kScanCode, 0, 0, 1, 0);
    keyboard(keys.other, 1, kScanCode, 0, 0, 1, 1);
    std::this_thread::sleep_for(300ms);
    CHECK(!hook.saw_text("NAV_UP_DOWN"));
    keyboard(keys.toggle, 1, kScanCode, 0, 0, 1, 1);
    CHECK(waitForText(hook, "NAV_UP_DOWN", 5s));
    CHECK(hook.snapshot().frames > attached.frames);
}

// An INI file in a fresh working directory that moves the menu to F10; the
// plug-in reads ".\\TavrelConfig.ini" from the working directory at start.
// Returns the directory, empty on failure.
std::string enterDirectoryWithConfig() {
    char temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, temp) == 0) return {};
    const std::string dir = std::string(temp) + "tavrel_load_test_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir.c_str(), nullptr);
    if (!SetCurrentDirectoryA(dir.c_str())) return {};
    std::ofstream ini("TavrelConfig.ini", std::ios::binary | std::ios::trunc);
    ini << "[Keys]\r\nmenu_toggle_switch=121\r\n";
    return ini.good() ? dir : std::string();
}

void leaveDirectory(const std::string& dir) {
    DeleteFileA("TavrelConfig.ini");
    char temp[MAX_PATH] = {};
    if (GetTempPathA(MAX_PATH, temp) != 0) SetCurrentDirectoryA(temp);
    RemoveDirectoryA(dir.c_str());
}

// The library is loaded and attached: checks it registered with `hook_module`
// and runs, then unloads it and checks what it unregistered.
void checkLoadedAndUnload(HMODULE hook_module, HMODULE asi, MenuKeys keys) {
    const FakeHook hook(hook_module);
    CHECK(hook.valid());
    if (!hook.valid()) return;
    checkRegisteredAndRunning(hook, asi, keys);

    // The host stops the scripts before it unloads the plug-in.
    CHECK(hook.park(5000) != 0);
    const fake_hook::Report before = hook.snapshot();
    CHECK(FreeLibrary(asi) != 0);
    const fake_hook::Report after = hook.snapshot();
    CHECK(after.script_unregister_calls == 1);
    CHECK(after.unregister_module == asi);
    CHECK(after.keyboard_unregister_calls == 1);
    CHECK(after.keyboard_unregistered == before.keyboard_registered);
    CHECK(after.script_register_calls == 1);
}

// The script hook already in the process (another plug-in brought it in):
// the library binds to that one.
int runFull(const char* hook_path, const char* asi_path, MenuKeys keys) {
    HMODULE hook_module = LoadLibraryA(hook_path);
    CHECK(hook_module != nullptr);
    if (hook_module == nullptr) return checkResult("load full");
    HMODULE asi = LoadLibraryA(asi_path);
    CHECK(asi != nullptr);
    if (asi == nullptr) return checkResult("load full");
    CHECK(GetModuleHandleA("ScriptHookV.dll") == hook_module);
    checkLoadedAndUnload(hook_module, asi, keys);
    return checkResult("load full");
}

// [SECTION] A fresh game folder

std::string ownPath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string directoryOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Makes a fresh folder holding this program as game.exe and the given files
// under their names in the game folder, runs "game.exe <child_mode>" there
// and returns its exit status (1 when it could not be run). Removes the
// folder afterwards.
int runInGameFolder(const char* child_mode, const std::vector<std::pair<std::string, std::string>>& files) {
    char temp[MAX_PATH] = {};
    CHECK(GetTempPathA(MAX_PATH, temp) != 0);
    // A new folder (Wine reuses process ids: a name of its own).
    std::string dir;
    for (unsigned n = 0; n < 1000 && dir.empty(); ++n) {
        const std::string name = std::string(temp) + "tavrel_game_" + child_mode + "_" +
                                 std::to_string(GetCurrentProcessId()) + "_" + std::to_string(n);
        if (CreateDirectoryA(name.c_str(), nullptr)) dir = name;
    }
    CHECK(!dir.empty());
    if (dir.empty()) return 1;
    std::vector<std::string> made;
    const auto copy = [&](const std::string& from, const std::string& name) {
        const std::string to = dir + "\\" + name;
        CHECK(CopyFileA(from.c_str(), to.c_str(), TRUE) != 0);
        made.push_back(to);
    };
    copy(ownPath(), "game.exe");
    for (const auto& [from, name] : files) copy(from, name);

    std::string command = "\"" + made.front() + "\" " + child_mode;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD status = 1;
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, dir.c_str(), &startup,
                       &process)) {
        CHECK(WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0);
        GetExitCodeProcess(process.hProcess, &status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        std::fprintf(stderr, "cannot start %s: error %lu\n", command.c_str(), GetLastError());
        CHECK(false);
    }
    for (const std::string& file : made) DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
    return static_cast<int>(status);
}

// In the game folder: Tavrel.asi is the first library loaded after the
// program's own, by name; the loader must bring in the folder's
// ScriptHookV.dll for it, and it registers with that one.
int childFirst() {
    CHECK(GetModuleHandleA("ScriptHookV.dll") == nullptr);
    CHECK(GetModuleHandleA("Tavrel.asi") == nullptr);
    HMODULE asi = LoadLibraryA("Tavrel.asi");
    CHECK(asi != nullptr);
    if (asi == nullptr) {
        std::fprintf(stderr, "LoadLibrary(Tavrel.asi) failed: error %lu\n", GetLastError());
        return checkResult("load first");
    }
    HMODULE hook_module = GetModuleHandleA("ScriptHookV.dll");
    CHECK(hook_module != nullptr);
    if (hook_module == nullptr) return checkResult("load first");
    char hook_path[MAX_PATH] = {};
    GetModuleFileNameA(hook_module, hook_path, MAX_PATH);
    CHECK(lstrcmpiA(hook_path, (directoryOf(ownPath()) + "ScriptHookV.dll").c_str()) == 0);
    // Held here too, so its record can be read after the plug-in is unloaded
    // (the plug-in's reference was the only one).
    HMODULE held = nullptr;
    CHECK(GetModuleHandleExA(0, "ScriptHookV.dll", &held) != 0 && held == hook_module);
    checkLoadedAndUnload(hook_module, asi, {kF9, kF10});
    return checkResult("load first");
}

// In a game folder without the script hook: LoadLibrary fails with
// `expected` and leaves nothing loaded, so the ASI loader goes on without
// Tavrel and the game runs.
int childRefused(DWORD expected, const char* name) {
    SetLastError(0);
    HMODULE asi = LoadLibraryA("Tavrel.asi");
    const DWORD error = GetLastError();
    CHECK(asi == nullptr);
    if (error != expected) std::fprintf(stderr, "LoadLibrary(Tavrel.asi): error %lu, expected %lu\n", error, expected);
    CHECK(error == expected);
    CHECK(GetModuleHandleA("Tavrel.asi") == nullptr);
    return checkResult(name);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (argc == 4 && mode == "full") return runFull(argv[2], argv[3], {kF9, kF10});
    if (argc == 4 && mode == "config") {
        const std::string dir = enterDirectoryWithConfig();
        CHECK(!dir.empty());
        if (dir.empty()) return checkResult("load config");
        const int result = runFull(argv[2], argv[3], {kF10, kF9});
        leaveDirectory(dir);
        return result;
    }
    if (argc == 4 && mode == "first") {
        CHECK(runInGameFolder("first-child", {{argv[3], "Tavrel.asi"}, {argv[2], "ScriptHookV.dll"}}) == 0);
        return checkResult("load first");
    }
    if (argc == 3 && mode == "missing") {
        CHECK(runInGameFolder("missing-child", {{argv[2], "Tavrel.asi"}}) == 0);
        return checkResult("load missing");
    }
    if (mode == "first-child") return childFirst();
    if (mode == "missing-child") return childRefused(ERROR_MOD_NOT_FOUND, "load missing");
    std::fprintf(stderr,
                 "usage: tavrel_load_test full|config|first <ScriptHookV.dll> <Tavrel.asi> | missing <Tavrel.asi>\n");
    return 2;
}
