// A stand-in for ScriptHookV.dll: see fake_script_hook.h.
#include "fake_script_hook.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::mutex record_mutex;  // guards report and texts
fake_hook::Report report;
std::vector<std::string> texts;  // text arguments seen, in call order

// Natives whose text argument is recorded: hash and argument index.
struct TextNative {
    std::uint64_t hash;
    int text_arg;
};
constexpr TextNative kTextNatives[] = {
    {0xD24D37CC275948CCull, 0},  // hash of a name
    {0x67C540AA08E4A6F5ull, 1},  // front-end sound
    {0x202709F4C58A0424ull, 0},  // feed post: format
    {0x6C188BE134E074AAull, 0},  // feed post: string component
};

// The native call in progress. Only the script holding the baton calls natives.
std::uint64_t native_hash = 0;
std::uint64_t native_args[32] = {};
int native_arg_count = 0;
std::uint64_t native_result[4] = {};

// Held by the script that runs; released inside scriptWait.
std::mutex baton;
std::atomic<bool> parking{false};
std::atomic<int> running_scripts{0};
std::atomic<int> parked_scripts{0};

void runScript(fake_hook::ScriptMain script) {
    baton.lock();
    script();  // never returns: scripts loop forever
    baton.unlock();
}

}  // namespace

extern "C" {

void fakeScriptRegister(void* module, fake_hook::ScriptMain script) {
    std::lock_guard lock(record_mutex);
    ++report.script_register_calls;
    report.script_module = module;
    report.main_script = script;
}

void fakeScriptRegisterAdditionalThread(void* module, fake_hook::ScriptMain script) {
    std::lock_guard lock(record_mutex);
    ++report.additional_thread_calls;
    report.additional_module = module;
    report.additional_thread = script;
}

void fakeScriptUnregister(void* module) {
    std::lock_guard lock(record_mutex);
    ++report.script_unregister_calls;
    report.unregister_module = module;
}

void fakeScriptWait(unsigned long ms) {
    {
        std::lock_guard lock(record_mutex);
        ++report.frames;
    }
    baton.unlock();
    if (parking.load()) {
        ++parked_scripts;
        for (;;) std::this_thread::sleep_for(1h);
    }
    std::this_thread::sleep_for(1ms + std::chrono::milliseconds(ms));
    baton.lock();
}

void fakeKeyboardHandlerRegister(fake_hook::KeyboardHandler handler) {
    std::lock_guard lock(record_mutex);
    ++report.keyboard_register_calls;
    report.keyboard_registered = handler;
}

void fakeKeyboardHandlerUnregister(fake_hook::KeyboardHandler handler) {
    std::lock_guard lock(record_mutex);
    ++report.keyboard_unregister_calls;
    report.keyboard_unregistered = handler;
}

void fakeNativeInit(std::uint64_t hash) {
    native_hash = hash;
    native_arg_count = 0;
}

void fakeNativePush64(std::uint64_t value) {
    if (native_arg_count < 32) native_args[native_arg_count++] = value;
}

std::uint64_t* fakeNativeCall() {
    for (const TextNative& native : kTextNatives) {
        if (native.hash != native_hash || native.text_arg >= native_arg_count) continue;
        const auto* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(native_args[native.text_arg]));
        if (text == nullptr) continue;
        std::lock_guard lock(record_mutex);
        texts.emplace_back(text);
    }
    std::memset(native_result, 0, sizeof native_result);
    return native_result;
}

int fakeWorldGetAllPeds(int* /*handles*/, int /*capacity*/) { return 0; }

int fakeWorldGetAllVehicles(int* /*handles*/, int /*capacity*/) { return 0; }

void fakeHookReport(fake_hook::Report* out) {
    std::lock_guard lock(record_mutex);
    *out = report;
}

void fakeHookStartScripts() {
    fake_hook::Report now;
    fakeHookReport(&now);
    for (fake_hook::ScriptMain script : {now.main_script, now.additional_thread}) {
        if (script == nullptr) continue;
        ++running_scripts;
        std::thread(runScript, script).detach();
    }
}

int fakeHookSawText(const char* text) {
    std::lock_guard lock(record_mutex);
    for (const std::string& seen : texts) {
        if (seen == text) return 1;
    }
    return 0;
}

int fakeHookParkScripts(int timeout_ms) {
    parking.store(true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (parked_scripts.load() < running_scripts.load()) {
        if (std::chrono::steady_clock::now() > deadline) return 0;
        std::this_thread::sleep_for(1ms);
    }
    return 1;
}

}  // extern "C"
