// Loads the built Tavrel.asi the way the game does (LoadLibrary), next to a
// stand-in script hook or none, and checks what it registers, that its scripts
// run, that key messages reach them through the registered handler, and what
// it unregisters when unloaded.
//
//   tavrel_load_test full    <ScriptHookV.dll> <Tavrel.asi>
//   tavrel_load_test config  <ScriptHookV.dll> <Tavrel.asi>   (F10 opens the menu, set in the INI file)
//   tavrel_load_test partial <ScriptHookV.dll> <Tavrel.asi>   (one export missing)
//   tavrel_load_test none    <Tavrel.asi>                      (no script hook)
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

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

int runFull(const char* hook_path, const char* asi_path, MenuKeys keys) {
    HMODULE hook_module = LoadLibraryA(hook_path);
    CHECK(hook_module != nullptr);
    if (hook_module == nullptr) return checkResult("load full");
    const FakeHook hook(hook_module);
    CHECK(hook.valid());
    if (!hook.valid()) return checkResult("load full");

    HMODULE asi = LoadLibraryA(asi_path);
    CHECK(asi != nullptr);
    if (asi == nullptr) return checkResult("load full");
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
    return checkResult("load full");
}

int runPartial(const char* hook_path, const char* asi_path) {
    HMODULE hook_module = LoadLibraryA(hook_path);
    CHECK(hook_module != nullptr);
    if (hook_module == nullptr) return checkResult("load partial");
    const FakeHook hook(hook_module);
    CHECK(hook.valid());
    if (!hook.valid()) return checkResult("load partial");
    CHECK(GetProcAddress(hook_module, "?worldGetAllVehicles@@YAHPEAHH@Z") == nullptr);

    // Loads and stays inert: nothing registered, nothing unregistered.
    HMODULE asi = LoadLibraryA(asi_path);
    CHECK(asi != nullptr);
    if (asi == nullptr) return checkResult("load partial");
    CHECK(FreeLibrary(asi) != 0);
    const fake_hook::Report report = hook.snapshot();
    CHECK(report.script_register_calls == 0);
    CHECK(report.additional_thread_calls == 0);
    CHECK(report.keyboard_register_calls == 0);
    CHECK(report.script_unregister_calls == 0);
    CHECK(report.keyboard_unregister_calls == 0);
    CHECK(report.frames == 0);
    return checkResult("load partial");
}

int runNone(const char* asi_path) {
    CHECK(GetModuleHandleA("ScriptHookV.dll") == nullptr);
    HMODULE asi = LoadLibraryA(asi_path);
    CHECK(asi != nullptr);
    if (asi != nullptr) CHECK(FreeLibrary(asi) != 0);
    return checkResult("load none");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "full") == 0) return runFull(argv[2], argv[3], {kF9, kF10});
    if (argc == 4 && std::strcmp(argv[1], "config") == 0) {
        const std::string dir = enterDirectoryWithConfig();
        CHECK(!dir.empty());
        if (dir.empty()) return checkResult("load config");
        const int result = runFull(argv[2], argv[3], {kF10, kF9});
        leaveDirectory(dir);
        return result;
    }
    if (argc == 4 && std::strcmp(argv[1], "partial") == 0) return runPartial(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "none") == 0) return runNone(argv[2]);
    std::fprintf(stderr,
                 "usage: tavrel_load_test full|config|partial <ScriptHookV.dll> <Tavrel.asi> | none <Tavrel.asi>\n");
    return 2;
}
