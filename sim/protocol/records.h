// What the simulator keeps of a run: the trace of native calls, keyboard
// messages, faults of the plug-in, sounds and horns.
#pragma once
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/protocol/native_table.h"

namespace tavrel::sim {

struct TraceArg {
    ParamKind kind = ParamKind::Int;
    std::int32_t value = 0;  // Int and Hash (raw 32 bits), Pointer (0 or 1: null or not)
    float number = 0.0f;     // Float
    std::optional<std::string> text;  // Text; nullopt for a null pointer
};

struct TraceEntry {
    std::uint32_t tick = 0;
    std::uint64_t frame = 0;
    std::string fibre;  // "main", "menu" or "host" (called from the host thread)
    std::uint64_t hash = 0;
    std::string_view name;  // from the native table: lives as long as the program
    std::vector<TraceArg> args;
};

// A native call as the trace shows it (tick, frame and fibre left empty):
// the arguments pushed, read by the native's parameter kinds.
TraceEntry describeCall(const NativeInfo& info, const std::uint64_t* args, int argc);

struct KeyMessage {
    std::uint32_t tick = 0;
    std::uint32_t key = 0;
    std::uint16_t repeats = 0;
    bool was_down_before = false;
    bool is_up_now = false;
};

// What an injected fault throws into the plug-in (see Simulator::injectThrow),
// with these messages (a replay throws the same).
inline constexpr const char* kThrowAtNative = "injected at a native call";
inline constexpr const char* kThrowAtClockRead = "injected at the keyboard handler's clock read";
struct InjectedThrow : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A breach of the host protocol by the plug-in: an unknown native, too many
// arguments, calls out of order, a script left registered after unload.
struct Fault {
    std::uint32_t tick = 0;
    std::uint64_t hash = 0;  // 0 when no native is involved
    std::string fibre;
    std::string message;
};

struct SoundEvent {
    std::uint32_t tick = 0;
    std::string name;
    std::string set;
    std::string source;  // "player", "frontend", "id" (see source_id) or "entity" (no ID)
    int source_id = 0;   // the scenario ID of the entity when source is "id"
};

struct HornEvent {
    std::uint32_t tick = 0;
    int vehicle_id = 0;
    int ms = 0;
};

}  // namespace tavrel::sim
