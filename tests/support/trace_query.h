// Questions about the simulator's trace: when was a native called, and with
// which arguments.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "host/natives.h"
#include "sim/protocol/simulator.h"

namespace tavrel::testing {

// Integer arguments of a call, as the plug-in passed them (ints, hashes, bools).
inline std::vector<std::int32_t> intArgs(const sim::TraceEntry& e) {
    std::vector<std::int32_t> out;
    for (const sim::TraceArg& a : e.args) out.push_back(a.value);
    return out;
}

// Ticks of every call of `hash` whose leading integer arguments equal `prefix`.
inline std::vector<std::uint32_t> callTicks(const sim::Simulator& sim, std::uint64_t hash,
                                            std::initializer_list<std::int32_t> prefix = {}) {
    std::vector<std::uint32_t> ticks;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.hash != hash || e.args.size() < prefix.size()) continue;
        bool match = true;
        std::size_t i = 0;
        for (std::int32_t want : prefix) match = match && e.args[i++].value == want;
        if (match) ticks.push_back(e.tick);
    }
    return ticks;
}

// Ticks at which the plug-in switched the multiplayer audio data on (or off):
// on at each request that waits for beeps or the fob click.
inline std::vector<std::uint32_t> multiplayerAudioTicks(const sim::Simulator& sim, bool on) {
    std::vector<std::uint32_t> ticks;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.hash == nat::SET_AUDIO_FLAG && e.args.size() == 2 && e.args[1].value == (on ? 1 : 0)) {
            ticks.push_back(e.tick);
        }
    }
    return ticks;
}

// Argument lists of every call of `hash`.
inline std::vector<std::vector<std::int32_t>> callArgs(const sim::Simulator& sim, std::uint64_t hash) {
    std::vector<std::vector<std::int32_t>> out;
    for (const sim::TraceEntry& e : sim.trace()) {
        if (e.hash == hash) out.push_back(intArgs(e));
    }
    return out;
}

}  // namespace tavrel::testing
