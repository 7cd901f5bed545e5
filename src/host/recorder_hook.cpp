// The script hook's half of the host ABI as the plug-in calls it: each
// function records what crosses and forwards to the binding. Script
// functions and the keyboard handler are registered behind entries of the
// recorder's own, which tell the fibres apart and hand key messages over.
#include "host/host_abi.h"
#include "host/host_binding.h"
#include "host/recorder_core.h"

namespace tavrel::host {

using namespace rec_core;
using rec::Kind;

namespace {

bool on() { return g.on.load(std::memory_order_relaxed); }

void recordRegister(std::uint8_t what) {
    if (!on() || !beginRecord(2)) return;
    *g.w++ = rec::kTagRegister;
    *g.w++ = what;
}

template <int N>
void fibreEntry() {
    if (on()) beginStep(rec::kTagStart, N);
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
    if (!on()) {
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
    in_message = true;
    try {
        handler(key, repeats, scan_code, is_extended, is_with_alt, was_down_before, is_up_now);
    } catch (...) {
        in_message = false;
        handOver(message);
        throw;
    }
    in_message = false;
    handOver(message);
}

// [SECTION] Native calls

constexpr std::size_t kVarint = 5;

std::size_t textSize(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

std::uint8_t* putText(std::uint8_t* p, const char* text, std::size_t size) {
    if (text == nullptr) {
        *p++ = 0;
        return p;
    }
    p = putVarint(p, static_cast<std::uint32_t>(size + 1));
    return putBytes(p, text, size);
}

std::uint8_t* putValue(std::uint8_t* p, Kind kind, std::uint64_t raw) {
    const auto low = static_cast<std::uint32_t>(raw);
    switch (kind) {
        case Kind::I32:
            return putVarint(p, rec::zigzag(static_cast<std::int32_t>(low)));
        case Kind::U32:
            return putVarint(p, low);
        case Kind::F32:
            return put32(p, low);
        default:
            return p;
    }
}

// A call of a native outside the table: its hash, the words pushed, the slots.
void recordUnknown(const OpenCall& c, const std::uint64_t* slots) {
    const int n = c.pushed < rec::kMaxArgs ? c.pushed : rec::kMaxArgs;
    if (!beginRecord(2 + 8 + 1 + 8 * n + 32)) return;
    if (slots == nullptr) *g.w++ = rec::kTagThrew;
    *g.w++ = rec::kTagUnknownNative;
    g.w = put64(g.w, c.hash);
    *g.w++ = static_cast<std::uint8_t>(n);
    for (int i = 0; i < n; ++i) g.w = put64(g.w, c.args[i]);
    for (int i = 0; i < 4; ++i) g.w = put64(g.w, slots != nullptr ? slots[i] : 0);
}

// The call just made (slots null: it threw into the plug-in).
void recordCall(const std::uint64_t* slots) {
    const OpenCall& c = g.call;
    if (c.shape == nullptr) {
        recordUnknown(c, slots);
        return;
    }
    const rec::NativeShape& s = *c.shape;
    // Room: the largest each part can be, texts by their length.
    std::size_t bound = 3 + 1 + s.argc * (kVarint + 4) + 12 + kVarint;
    const char* texts[rec::kMaxArgs];
    std::size_t sizes[rec::kMaxArgs];
    for (int i = 0; i < s.argc; ++i) {
        if (s.args[i] != Kind::Text) continue;
        texts[i] = i < c.pushed ? reinterpret_cast<const char*>(static_cast<std::uintptr_t>(c.args[i])) : nullptr;
        sizes[i] = textSize(texts[i]);
        bound += sizes[i];
    }
    const char* result_text = nullptr;
    std::size_t result_size = 0;
    if (s.result == Kind::Text && slots != nullptr) {
        result_text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0]));
        result_size = textSize(result_text);
        bound += result_size;
    }
    if (!beginRecord(bound)) return;
    std::uint8_t* p = g.w;
    if (slots == nullptr) *p++ = rec::kTagThrew;
    if (c.index < 0xFF - rec::kNativeBase) {
        *p++ = static_cast<std::uint8_t>(rec::kNativeBase + c.index);
    } else {
        *p++ = rec::kNativeWide;
        p = putVarint(p, static_cast<std::uint32_t>(c.index));
    }
    for (int i = 0; i < s.argc; ++i) {
        const std::uint64_t raw = i < c.pushed ? c.args[i] : 0;
        switch (s.args[i]) {
            case Kind::Text:
                p = putText(p, texts[i], sizes[i]);
                break;
            case Kind::Ptr:
                if (raw == 0) {
                    *p++ = 0;
                } else {
                    *p++ = 1;
                    p = put32(p, c.before[i]);
                }
                break;
            case Kind::Out:
                *p++ = raw == 0 ? 0 : 1;
                break;
            default:
                p = putValue(p, s.args[i], raw);
        }
    }
    if (slots != nullptr) {
        switch (s.result) {
            case Kind::None:
                break;
            case Kind::Text:
                p = putText(p, result_text, result_size);
                break;
            case Kind::Vec3:
                for (int i = 0; i < 3; ++i) p = put32(p, static_cast<std::uint32_t>(slots[i]));
                break;
            default:
                p = putValue(p, s.result, slots[0]);
        }
        for (int i = 0; i < s.argc; ++i) {
            if ((s.args[i] != Kind::Ptr && s.args[i] != Kind::Out) || i >= c.pushed || c.args[i] == 0) continue;
            std::uint32_t after = 0;
            std::memcpy(&after, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(c.args[i])), 4);
            p = put32(p, after);
        }
    }
    g.w = p;
}

void recordWorld(int which, const int* handles, int capacity, int count) {
    const int n = count < 0 ? 0 : (count > capacity ? capacity : count);
    const int kept = handles != nullptr ? n : 0;
    bool same = handles != nullptr && kept <= 1024 && g.world_known[which] && g.world_count[which] == kept &&
                std::memcmp(g.world[which], handles, static_cast<std::size_t>(kept) * sizeof(int)) == 0;
    if (!beginRecord(1 + 1 + 2 * kVarint + (same ? 0 : static_cast<std::size_t>(kept) * kVarint))) return;
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
        if (kept <= 1024 && handles != nullptr) {
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
    if (!on() || me == kHost) {
        binding::scriptWait(ms);
        return;
    }
    endStep(ms);
    if (g.save_pending) saveNow();
    g.current = kHost;
    binding::scriptWait(ms);
    g.current = me;
    if (on()) beginStep(rec::kTagResume, me);
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

void nativeInit(std::uint64_t hash) {
    if (on()) {
        OpenCall& c = g.call;
        c.index = nativeIndex(hash);
        c.shape = c.index >= 0 ? &rec::kNativeShapes[c.index] : nullptr;
        c.hash = hash;
        c.pushed = 0;
    }
    binding::nativeInit(hash);
}

void nativePush64(std::uint64_t value) {
    if (on()) {
        OpenCall& c = g.call;
        if (c.pushed < rec::kMaxArgs) {
            c.args[c.pushed] = value;
            if (c.shape != nullptr && c.pushed < c.shape->argc && c.shape->args[c.pushed] == Kind::Ptr && value != 0) {
                std::memcpy(&c.before[c.pushed], reinterpret_cast<const void*>(static_cast<std::uintptr_t>(value)), 4);
            }
        }
        ++c.pushed;
    }
    binding::nativePush64(value);
}

std::uint64_t* nativeCall() {
    if (!on()) return binding::nativeCall();
    std::uint64_t* slots = nullptr;
    try {
        slots = binding::nativeCall();
    } catch (...) {
        if (on()) recordCall(nullptr);
        throw;
    }
    if (on()) recordCall(slots);
    return slots;
}

int worldGetAllPeds(int* handles, int capacity) {
    const int n = binding::worldGetAllPeds(handles, capacity);
    if (on()) recordWorld(0, handles, capacity, n);
    return n;
}

int worldGetAllVehicles(int* handles, int capacity) {
    const int n = binding::worldGetAllVehicles(handles, capacity);
    if (on()) recordWorld(1, handles, capacity, n);
    return n;
}

}  // namespace tavrel::host
