// A stand-in for ScriptHookV.dll: see fake_script_hook.h.
//
// Win32 threads and locks throughout: the build's compiler (win32 thread
// model) has no std::thread or std::mutex.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "fake_script_hook.h"

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A slim reader/writer lock held exclusively for one scope.
class Lock {
public:
    explicit Lock(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    ~Lock() { ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK& lock_;
};

SRWLOCK record_lock = SRWLOCK_INIT;  // guards report and texts
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
SRWLOCK baton = SRWLOCK_INIT;
std::atomic<bool> parking{false};
std::atomic<int> running_scripts{0};
std::atomic<int> parked_scripts{0};

DWORD WINAPI runScript(void* script) {
    AcquireSRWLockExclusive(&baton);
    reinterpret_cast<fake_hook::ScriptMain>(script)();  // never returns: scripts loop forever
    ReleaseSRWLockExclusive(&baton);
    return 0;
}

}  // namespace

extern "C" {

void fakeScriptRegister(void* module, fake_hook::ScriptMain script) {
    const Lock lock(record_lock);
    ++report.script_register_calls;
    report.script_module = module;
    report.main_script = script;
}

void fakeScriptRegisterAdditionalThread(void* module, fake_hook::ScriptMain script) {
    const Lock lock(record_lock);
    ++report.additional_thread_calls;
    report.additional_module = module;
    report.additional_thread = script;
}

void fakeScriptUnregister(void* module) {
    const Lock lock(record_lock);
    ++report.script_unregister_calls;
    report.unregister_module = module;
}

void fakeScriptWait(unsigned long ms) {
    {
        const Lock lock(record_lock);
        ++report.frames;
    }
    ReleaseSRWLockExclusive(&baton);
    if (parking.load()) {
        ++parked_scripts;
        for (;;) Sleep(INFINITE);
    }
    Sleep(1 + ms);
    AcquireSRWLockExclusive(&baton);
}

void fakeKeyboardHandlerRegister(fake_hook::KeyboardHandler handler) {
    const Lock lock(record_lock);
    ++report.keyboard_register_calls;
    report.keyboard_registered = handler;
}

void fakeKeyboardHandlerUnregister(fake_hook::KeyboardHandler handler) {
    const Lock lock(record_lock);
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
        const Lock lock(record_lock);
        texts.emplace_back(text);
    }
    std::memset(native_result, 0, sizeof native_result);
    return native_result;
}

int fakeWorldGetAllPeds(int* /*handles*/, int /*capacity*/) { return 0; }

int fakeWorldGetAllVehicles(int* /*handles*/, int /*capacity*/) { return 0; }

void fakeHookReport(fake_hook::Report* out) {
    const Lock lock(record_lock);
    *out = report;
}

void fakeHookStartScripts() {
    fake_hook::Report now;
    fakeHookReport(&now);
    for (fake_hook::ScriptMain script : {now.main_script, now.additional_thread}) {
        if (script == nullptr) continue;
        HANDLE thread = CreateThread(nullptr, 0, &runScript, reinterpret_cast<void*>(script), 0, nullptr);
        if (thread == nullptr) continue;
        ++running_scripts;
        CloseHandle(thread);
    }
}

int fakeHookSawText(const char* text) {
    const Lock lock(record_lock);
    for (const std::string& seen : texts) {
        if (seen == text) return 1;
    }
    return 0;
}

int fakeHookParkScripts(int timeout_ms) {
    parking.store(true);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    while (parked_scripts.load() < running_scripts.load()) {
        if (GetTickCount64() > deadline) return 0;
        Sleep(1);
    }
    return 1;
}

}  // extern "C"
