// Who else sees the plug-in's calls (SimObserver) or answers them in place
// of the simulated world (HostStandIn).
#pragma once
#include <cstddef>
#include <cstdint>

#include "sim/protocol/native_table.h"
#include "sim/protocol/records.h"

namespace tavrel::sim {

// Watches the simulator without changing it (the play room's invariants,
// the replay room's converter): the start of every frame, every native call
// as it is made (before its handler runs; `args` holds the pushed
// arguments) and once answered, every keyboard message, and the end of
// every frame (after the scripts ran, before the frame's
// controls and drawing are cleared). `tick` is the frame's tick.
// Only onCall must be given; the others do nothing unless overridden.
class SimObserver {
public:
    virtual ~SimObserver() = default;
    virtual void onFrameStart(std::uint32_t /*tick*/) {}
    virtual void onCall(const NativeInfo& native, const std::uint64_t* args, bool mainFibre) = 0;
    // The same call once answered: its result slots, its out-parameters filled.
    virtual void onAnswer(const NativeInfo& /*native*/, const std::uint64_t* /*args*/, const std::uint64_t* /*slots*/) {}
    virtual void onKey(const KeyMessage& /*message*/) {}
    virtual void onFrameEnd(std::uint32_t /*tick*/) {}
};

// What answers the plug-in instead of the simulated world while it is set:
// a replay of a recording (sim/replay). Every host call the plug-in makes
// reaches it, in the order made; the world's handlers are not run. It also
// says which fibres run in each frame.
class HostStandIn {
public:
    enum class Registration : std::uint8_t { Main, Thread, Keyboard, UnregisterScripts, UnregisterKeyboard };
    virtual ~HostStandIn() = default;
    // Fills `slots` (zeroed) and the out-parameters, or throws into the plug-in.
    virtual void nativeCall(const NativeInfo& native, const std::uint64_t* args, int argc, std::uint64_t* slots) = 0;
    // A clock read of the plug-in: a script's, or the keyboard handler's.
    virtual std::uint32_t clockRead() = 0;
    virtual void seedRandom(std::uint32_t seed) = 0;
    virtual int nextRandom() = 0;
    virtual int worldList(bool vehicles, int* handles, int capacity) = 0;
    virtual void registration(Registration what) = 0;
    // The running fibre is about to yield for `ms`.
    virtual void wait(std::uint32_t ms) = 0;
    // Whether fibre `index` (0 main, then the others in registration order)
    // runs now, in this frame.
    virtual bool due(std::size_t index) = 0;
};

}  // namespace tavrel::sim
