// The script hook's half of the host ABI as the plug-in calls it: each
// function records what crosses and forwards to the binding. Script
// functions and the keyboard handler are registered behind entries of the
// recorder's own, which tell the fibres apart and hand key messages over.
#include "host/host_abi.h"
#include "host/host_binding.h"
#include "host/recorder_calls.h"

namespace tavrel::host {

using namespace rec_core;

namespace {

void recordRegister(std::uint8_t what) {
    if (!recording() || !beginRecord(2)) return;
    *g.w++ = rec::kTagRegister;
    *g.w++ = what;
}

template <int N>
void fibreEntry() {
    if (recording()) beginStep(rec::kTagStart, N);
    g.scripts[N]();
}

constexpr ScriptMain kFibreEntries[rec::kMaxFibres] = {fibreEntry<0>, fibreEntry<1>, fibreEntry<2>, fibreEntry<3>};

// [SECTION] Key messages (the window thread)

std::atomic<KeyboardHandler> plugin_handler{nullptr};

void handOver(const KeyEntry& entry) {
    const std::uint32_t head = keys.head.load(std::memory_order_relaxed);
    const std::uint32_t tail = keys.tail.load(std::memory_order_acquire);
    if (head - tail >= kKeyQueueSize) {
        keys.lost.store(true, std::memory_order_relaxed);
        return;
    }
    keys.entries[head % kKeyQueueSize] = entry;
    keys.head.store(head + 1, std::memory_order_release);
}

void keyEntry(std::uint32_t key, std::uint16_t repeats, std::uint8_t scan_code, int is_extended, int is_with_alt,
              int was_down_before, int is_up_now) {
    const KeyboardHandler handler = plugin_handler.load(std::memory_order_acquire);
    if (handler == nullptr) return;
    if (!recording()) {
        handler(key, repeats, scan_code, is_extended, is_with_alt, was_down_before, is_up_now);
        return;
    }
    message = KeyEntry{};
    message.key = key;
    message.repeats = repeats;
    message.scan = scan_code;
    message.flags = static_cast<std::uint8_t>((is_extended != 0 ? rec::kKeyExtended : 0) |
                                              (is_with_alt != 0 ? rec::kKeyAlt : 0) |
                                              (was_down_before != 0 ? rec::kKeyWasDown : 0) |
                                              (is_up_now != 0 ? rec::kKeyUp : 0));
    in_message.store(true, std::memory_order_relaxed);
    try {
        handler(key, repeats, scan_code, is_extended, is_with_alt, was_down_before, is_up_now);
    } catch (...) {
        in_message.store(false, std::memory_order_relaxed);
        handOver(message);
        throw;
    }
    in_message.store(false, std::memory_order_relaxed);
    handOver(message);
}

// [SECTION] World lists

void recordWorld(int which, const int* handles, int capacity, int count) {
    const int n = count < 0 ? 0 : (count > capacity ? capacity : count);
    const int kept = handles != nullptr ? n : 0;
    bool same = handles != nullptr && kept <= kWorldListCapacity && g.world_known[which] && g.world_count[which] == kept &&
                std::memcmp(g.world[which], handles, static_cast<std::size_t>(kept) * sizeof(int)) == 0;
    const std::size_t whole = 1 + 1 + 2 * kVarint + static_cast<std::size_t>(kept) * kVarint;
    if (!beginRecord(same ? 1 + 1 + 2 * kVarint : whole)) return;
    // A chunk opened for this record forgets the last list: write it whole.
    if (same && !g.world_known[which]) {
        same = false;
        if (!beginRecord(whole)) return;
    }
    std::uint8_t* p = g.w;
    if (same) g.step_refers = g.step_refers || g.in_step;
    *p++ = rec::kTagWorld;
    *p++ = static_cast<std::uint8_t>(which | (same ? 2 : 0));
    p = putVarint(p, static_cast<std::uint32_t>(capacity < 0 ? 0 : capacity));
    p = putVarint(p, static_cast<std::uint32_t>(count < 0 ? 0 : count));
    if (!same) {
        std::int32_t previous = 0;
        for (int i = 0; i < kept; ++i) {
            p = putVarint(p, rec::zigzag(static_cast<std::int32_t>(static_cast<std::uint32_t>(handles[i]) -
                                                                   static_cast<std::uint32_t>(previous))));
            previous = handles[i];
        }
        if (kept <= kWorldListCapacity && handles != nullptr) {
            std::memcpy(g.world[which], handles, static_cast<std::size_t>(kept) * sizeof(int));
            g.world_count[which] = kept;
            g.world_known[which] = true;
        }
    }
    g.w = p;
}

}  // namespace

void scriptRegister(void* module, ScriptMain script) {
    recordRegister(rec::kRegisterMain);
    g.scripts[0] = script;
    binding::scriptRegister(module, kFibreEntries[0]);
}

void scriptRegisterAdditionalThread(void* module, ScriptMain script) {
    recordRegister(rec::kRegisterThread);
    const int fibre = 1 + g.threads_registered;
    if (fibre >= rec::kMaxFibres) {
        g.flags |= rec::kFlagIncomplete;  // told apart no more: its calls are not kept
        binding::scriptRegisterAdditionalThread(module, script);
        return;
    }
    ++g.threads_registered;
    g.scripts[fibre] = script;
    binding::scriptRegisterAdditionalThread(module, kFibreEntries[fibre]);
}

void scriptUnregister(void* module) {
    recordRegister(rec::kUnregisterScripts);
    binding::scriptUnregister(module);
}

void scriptWait(std::uint32_t ms) {
    const int me = g.current;
    if (!recording() || me == kHost) {
        binding::scriptWait(ms);
        return;
    }
    leaveStep(ms);
    binding::scriptWait(ms);
    g.current = me;
    if (recording()) beginStep(rec::kTagResume, me);
}

void keyboardHandlerRegister(KeyboardHandler handler) {
    recordRegister(rec::kRegisterKeyboard);
    plugin_handler.store(handler, std::memory_order_release);
    binding::keyboardHandlerRegister(handler != nullptr ? &keyEntry : nullptr);
}

void keyboardHandlerUnregister(KeyboardHandler handler) {
    recordRegister(rec::kUnregisterKeyboard);
    if (plugin_handler.load(std::memory_order_acquire) != handler) {
        binding::keyboardHandlerUnregister(handler);
        return;
    }
    binding::keyboardHandlerUnregister(&keyEntry);
    plugin_handler.store(nullptr, std::memory_order_release);
}

void nativeInit(std::uint64_t hash) { binding::nativeInit(hash); }

void nativePush64(std::uint64_t value) { binding::nativePush64(value); }

// The call's record (invoke writes it) is marked when it throws.
std::uint64_t* nativeCall() {
    try {
        return binding::nativeCall();
    } catch (...) {
        if (g.open != nullptr) markThrew();
        throw;
    }
}

int worldGetAllPeds(int* handles, int capacity) {
    const int n = binding::worldGetAllPeds(handles, capacity);
    if (recording()) recordWorld(0, handles, capacity, n);
    return n;
}

int worldGetAllVehicles(int* handles, int capacity) {
    const int n = binding::worldGetAllVehicles(handles, capacity);
    if (recording()) recordWorld(1, handles, capacity, n);
    return n;
}

namespace rec_core {

void markThrew() {
    // The record so far is the tag and the arguments: it moves on by one byte
    // for kTagThrew before it (the room was kept when it began).
    std::uint8_t* const start = g.open;
    g.open = nullptr;
    std::memmove(start + 1, start, static_cast<std::size_t>(g.w - start));
    *start = rec::kTagThrew;
    ++g.w;
}

}  // namespace rec_core

}  // namespace tavrel::host
