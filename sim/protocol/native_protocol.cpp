// The native call protocol of the host ABI: nativeInit, nativePush64,
// nativeCall; dispatch by hash, the trace and the protocol faults.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim/protocol/native_call.h"
#include "sim/protocol/simulator.h"

#if defined(__SANITIZE_ADDRESS__)
#define TAVREL_SIM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVREL_SIM_ASAN 1
#endif
#endif
#if defined(TAVREL_SIM_ASAN)
#include <sanitizer/asan_interface.h>
#endif

namespace tavrel::sim {

namespace {

constexpr std::uint64_t kStaleSlot = 0xBAADF00DBAADF00DULL;

std::string hexHash(std::uint64_t hash) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "0x%016llX", static_cast<unsigned long long>(hash));
    return buf;
}

}  // namespace

std::uint64_t* Simulator::takeSlots() {
    std::uint64_t* stale = slots_[slot_set_];
    slot_set_ ^= 1;
    std::uint64_t* fresh = slots_[slot_set_];
#if defined(TAVREL_SIM_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(fresh, sizeof slots_[0]);
#endif
    for (int i = 0; i < 4; ++i) {
        fresh[i] = 0;
        stale[i] = kStaleSlot;
    }
#if defined(TAVREL_SIM_ASAN)
    ASAN_POISON_MEMORY_REGION(stale, sizeof slots_[0]);
#endif
    return fresh;
}

void Simulator::releaseSlots() {
#if defined(TAVREL_SIM_ASAN)
    ASAN_UNPOISON_MEMORY_REGION(slots_, sizeof slots_);
#endif
}

void Simulator::hostNativeInit(std::uint64_t hash) {
    const NativeInfo* info = findNative(hash);  // once per call: the push and the call use it
    if (FibreScheduler::currentFibre() == nullptr && !host_calls_allowed_) {
        recordFault(hash, std::string(info != nullptr ? info->name : hexHash(hash)) +
                              " called outside a script fibre");
    }
    if (call_open_) recordFault(call_hash_, "nativeInit before the previous call was made (" + hexHash(hash) + " next)");
    call_hash_ = hash;
    call_info_ = info;
    call_open_ = true;
    call_argc_ = 0;
    for (std::uint64_t& a : call_args_) a = 0;
}

void Simulator::hostNativePush(std::uint64_t value) {
    if (!call_open_) {
        recordFault(0, "nativePush64 without nativeInit");
        return;
    }
    const NativeInfo* info = call_info_;
    const int limit = info != nullptr ? info->argc : kMaxNativeArgs;
    if (call_argc_ >= limit) {
        if (call_argc_ == limit && info != nullptr) {
            recordFault(call_hash_, std::string("more arguments than ") + info->name + " takes (" +
                                        std::to_string(info->argc) + ")");
        }
        ++call_argc_;
        return;
    }
    call_args_[call_argc_++] = value;
}

std::uint64_t* Simulator::hostNativeCall() {
    throwIfInjectedAtCall();
    std::uint64_t* slots = takeSlots();
    if (!call_open_) {
        recordFault(0, "nativeCall without nativeInit");
        return slots;
    }
    call_open_ = false;
    const NativeInfo* info = call_info_;
    if (info == nullptr) {
        recordFault(call_hash_, "unknown native");
        return slots;
    }
    if (call_argc_ < info->argc) {
        // The game does not clear its argument slots: a missing argument is
        // whatever the previous call left there.
        recordFault(info->hash, std::string("fewer arguments than ") + info->name + " declares (" +
                                    std::to_string(call_argc_) + " of " + std::to_string(info->argc) + ")");
    }
    traceCall(*info);
    if (observer_ != nullptr) {
        const FibreScheduler::Fibre* fibre = FibreScheduler::currentFibre();
        observer_->onCall(*info, call_args_, fibre != nullptr && fibre->name == "main");
    }
    if (++calls_this_frame_ == kMaxCallsPerFrame && FibreScheduler::currentFibre() != nullptr) {
        recordFault(info->hash, "the script made " + std::to_string(kMaxCallsPerFrame) +
                                    " native calls in one frame without yielding; it is ended");
        fibres_.abortCurrent();
    }
    if (stand_in_ != nullptr) {
        stand_in_->nativeCall(*info, call_args_, call_argc_ < info->argc ? call_argc_ : info->argc, slots);
    } else if (info->handler != nullptr) {
        NativeCall call{*this, world_, *info, call_args_, slots};
        info->handler(call);
    }
    if (observer_ != nullptr) observer_->onAnswer(*info, call_args_, slots);
    return slots;
}

TraceEntry describeCall(const NativeInfo& info, const std::uint64_t* args, int argc) {
    TraceEntry e;
    e.hash = info.hash;
    e.name = info.name;
    const int n = argc < info.argc ? argc : info.argc;
    e.args.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        TraceArg& a = e.args[static_cast<std::size_t>(k)];
        a.kind = info.kinds[k];
        const std::uint64_t raw = args[k];
        switch (a.kind) {
            case ParamKind::Float: {
                const std::uint32_t bits = static_cast<std::uint32_t>(raw);
                std::memcpy(&a.number, &bits, sizeof a.number);
                break;
            }
            case ParamKind::Text:
                if (raw != 0) a.text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(raw));
                break;
            case ParamKind::Pointer:
                a.value = raw != 0 ? 1 : 0;
                break;
            default:
                a.value = static_cast<std::int32_t>(static_cast<std::uint32_t>(raw));
        }
    }
    return e;
}

void Simulator::traceCall(const NativeInfo& info) {
    if (!keep_trace_ && !trace_sink_) return;
    TraceEntry e = describeCall(info, call_args_, call_argc_);
    e.tick = now();
    e.frame = frame_;
    e.fibre = fibreName();
    if (trace_sink_) trace_sink_(e);
    if (!keep_trace_) return;
    if (trace_.size() >= kTraceLimit) {
        const std::size_t cut = trace_.size() / 2;
        trace_.erase(trace_.begin(), trace_.begin() + static_cast<std::ptrdiff_t>(cut));
        trace_dropped_ += cut;
    }
    trace_.push_back(std::move(e));
}

namespace {

// The handles in the game's list order (each entity's `order`), at most `capacity`.
int listHandles(std::vector<std::pair<std::int64_t, int>>& entries, int* handles, int capacity) {
    std::sort(entries.begin(), entries.end());
    int n = 0;
    for (const auto& [order, handle] : entries) {
        if (n < capacity && handles != nullptr) handles[n++] = handle;
    }
    return n;
}

}  // namespace

int Simulator::hostWorldPeds(int* handles, int capacity) {
    if (HostStandIn* s = standInForCaller()) return s->worldList(false, handles, capacity);
    std::vector<std::pair<std::int64_t, int>> entries;
    entries.emplace_back(world_.player.handle, world_.player.handle);
    for (const auto& [id, p] : world_.peds) entries.emplace_back(p.order, p.handle);
    return listHandles(entries, handles, capacity);
}

int Simulator::hostWorldVehicles(int* handles, int capacity) {
    if (HostStandIn* s = standInForCaller()) return s->worldList(true, handles, capacity);
    std::vector<std::pair<std::int64_t, int>> entries;
    for (const auto& [id, v] : world_.vehicles) entries.emplace_back(v.order, v.handle);
    return listHandles(entries, handles, capacity);
}

}  // namespace tavrel::sim
