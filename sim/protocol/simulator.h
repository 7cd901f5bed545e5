// Simulator: the headless host. It implements the host ABI of
// src/host/host_abi.h over a simulated world, runs the plug-in's scripts as
// cooperative fibres frame by frame, and records every native call.
//
//   tavrel::sim::Simulator sim;           // at most one alive at a time
//   sim.world().placePlayer({0, 0, 0});
//   sim.start();                          // loads the plug-in, runs one frame
//   sim.tap(0x55);                        // the unlock key
//   sim.waitMs(1500);
//   sim.unload();
//
// Clock: an unsigned 32-bit tick that holds the frame's value while the
// frame runs and moves by frame-ms at its end; it wraps. Keyboard messages
// and controls sent between frames are stamped with the next frame's tick.
//
// What it keeps of a run (trace entries, faults, sounds) is declared in
// records.h; who watches it or answers in its world's place, in stand_in.h.
//
// Thread safety: every member is for the host thread (the test or the
// scenario runner), never for a script fibre; the host's entry points
// (host_forward.h) are the fibres' way in.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/host_abi.h"
#include "sim/protocol/crt_random.h"
#include "sim/protocol/fibre_scheduler.h"
#include "sim/protocol/native_table.h"
#include "sim/protocol/records.h"
#include "sim/protocol/stand_in.h"
#include "sim/world/screen.h"
#include "sim/world/world.h"

namespace tavrel {
struct Settings;
struct RuntimeState;
}

namespace tavrel::sim {

inline constexpr std::uint32_t kDefaultStartTick = 3600000;
inline constexpr std::uint32_t kDefaultFrameMs = 16;
inline constexpr std::uint32_t kKeyRepeatMs = 33;
// A fibre that makes this many native calls in one frame is taken to loop
// without yielding: a fault is recorded and the fibre is ended.
inline constexpr std::uint64_t kMaxCallsPerFrame = 1000000;
// The kept trace is cut to its newer half when it reaches this size.
inline constexpr std::size_t kTraceLimit = 2000000;

class Simulator {
public:
    Simulator();
    ~Simulator();  // stops and joins every fibre
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // The live simulator, or null.
    static Simulator* current();

    // [SECTION] Clock and frames
    void setStartTick(std::uint32_t tick);  // REQUIRES: no frame has run
    void setFrameMs(std::uint32_t ms);
    std::uint32_t now() const { return clock_.load(std::memory_order_relaxed); }
    std::uint32_t frameMs() const { return frame_ms_; }
    std::uint64_t frame() const { return frame_; }  // frames run so far
    void runFrame();
    void runFrames(int n);
    // Runs frames until at least `ms` simulated ms have passed.
    void waitMs(std::uint32_t ms);

    // How the plug-in's script fibres are made on Linux: user-space fibres or
    // threads handing a baton (see FibreScheduler); defaultFibreBackend() at
    // first. The Windows host has Windows fibres only and ignores it.
    // REQUIRES: no frame has run a script yet.
    void setFibreBackend(FibreBackend backend) { fibres_.setBackend(backend); }
    FibreBackend fibreBackend() const { return fibres_.backend(); }

    // [SECTION] Plug-in life cycle (plugin_loader.cpp: the plug-in linked in;
    // windows/plugin_loader_windows.cpp: Tavrel.asi loaded from its file)
    // The plug-in's load state (resetPluginState, or a fresh library), process
    // attach, then one frame. A plug-in that cannot be loaded is a fault.
    void start();
    // Process detach, then every fibre of the plug-in is stopped and ended.
    void unload();
    bool started() const { return started_; }

    // [SECTION] Input, from the host thread (the game's window thread).
    void keyDown(std::uint32_t vk, bool repeat = false);
    void keyUp(std::uint32_t vk);
    void tap(std::uint32_t vk);                    // down, frame, up, frame
    void hold(std::uint32_t vk, std::uint32_t ms);  // down + repeats while waiting, up, frame
    void controlDown(int id);
    void controlUp(int id);

    // [SECTION] World and what happened
    World& world() { return world_; }
    void resetWorld();
    CrtRandom& random() { return random_; }
    const Drawing& lastDrawing() const { return last_drawing_; }
    const std::vector<SoundEvent>& sounds() const { return sounds_; }
    const std::vector<HornEvent>& horns() const { return horns_; }
    const std::vector<std::string>& notifications() const { return notifications_; }

    // [SECTION] Trace and faults
    const std::vector<TraceEntry>& trace() const { return trace_; }
    void clearTrace() { trace_.clear(); }
    std::size_t traceDropped() const { return trace_dropped_; }  // entries cut at kTraceLimit
    // Off: calls are not kept (sinks still see them); keeping them allocates.
    void setTraceKept(bool keep) { keep_trace_ = keep; }
    std::size_t countCalls(std::uint64_t hash) const;
    std::size_t countCallsInFrame(std::uint64_t frame, std::uint64_t hash = 0) const;  // 0: every native
    void setTraceSink(std::function<void(const TraceEntry&)> sink) { trace_sink_ = std::move(sink); }
    void setKeySink(std::function<void(const KeyMessage&)> sink) { key_sink_ = std::move(sink); }
    const std::vector<Fault>& faults() const { return faults_; }
    // Script fibres whose script has not ended (returned, thrown or stopped).
    std::size_t runningScripts() const {
        std::size_t n = 0;
        for (std::size_t i = 0; i < fibres_.size(); ++i) n += fibres_.fibre(i).finished ? 0 : 1;
        return n;
    }
    // At most one; null takes it off. The observer outlives its attachment.
    void setObserver(SimObserver* observer) { observer_ = observer; }
    SimObserver* observer() const { return observer_; }
    // A native called from the host thread (not from a script fibre) is a
    // fault, as the game misbehaves then. Tests that probe a native handler
    // directly from the host thread allow it first; the scenario runner never
    // does.
    void allowNativeCallsFromHost(bool allow) { host_calls_allowed_ = allow; }
    // A replay answers the plug-in from now on (null: the world again).
    // REQUIRES: no frame has run yet.
    void setStandIn(HostStandIn* stand_in);
    // Sets the clock (a replay follows the recorded clock).
    void setClock(std::uint32_t tick) { clock_.store(tick, std::memory_order_relaxed); }
    // One keyboard message with every field the host passes (a replay's).
    void sendKeyMessage(std::uint32_t vk, std::uint16_t repeats, std::uint8_t scan, bool extended, bool alt,
                        bool wasDown, bool isUp);

    // [SECTION] Fault injection: an exception thrown into the plug-in where a
    // call of its own would throw one, to see that it never reaches the host.
    // The next call of native `hash`, made by a script, throws InjectedThrow
    // from nativeCall (the call is not made).
    void injectThrowAtNative(std::uint64_t hash) { throw_at_native_ = hash; }
    // The keyboard handler's clock read throws at the next key message.
    void injectThrowInKeyHandler() { throw_in_key_handler_ = true; }

    // [SECTION] Host ABI side (host_forward.cpp forwards here)
    void hostScriptRegister(void* module, host::ScriptMain script, bool main);
    void hostScriptUnregister(void* module);
    void hostScriptWait(std::uint32_t ms);
    void hostKeyboardRegister(host::KeyboardHandler handler);
    void hostKeyboardUnregister(host::KeyboardHandler handler);
    void hostNativeInit(std::uint64_t hash);
    void hostNativePush(std::uint64_t value);
    std::uint64_t* hostNativeCall();
    int hostWorldPeds(int* handles, int capacity);
    int hostWorldVehicles(int* handles, int capacity);
    std::uint32_t hostClockRead();  // the plug-in reads the clock (GetTickCount)
    void hostSeedRandom(std::uint32_t seed);
    int hostNextRandom();

    // [SECTION] For native handlers
    void recordFault(std::uint64_t hash, std::string message);
    void drawText(const std::string& text, float x, float y);
    void drawRect(const RectItem& rect) { drawing_.rects.push_back(rect); }
    TextStyle& textStyle() { return text_style_; }
    void beginTextCommand(TextCommand kind);
    void addTextComponent(const char* text);
    // Ends the open command of `kind` and returns its text (empty on mismatch).
    const std::string& endTextCommand(TextCommand kind);
    void postNotification(const std::string& text) { notifications_.push_back(text); }
    void recordSound(const char* name, const char* set, std::string source, int sourceId = 0);
    void recordHorn(int vehicleId, int ms) { horns_.push_back({now(), vehicleId, ms}); }
    // Text results stay valid until the next native call.
    const char* keepText(const std::string& text);
    // Index of the first sound not yet reported by a `state` print.
    std::size_t& soundsReported() { return sounds_reported_; }
    std::size_t& hornsReported() { return horns_reported_; }

private:
    void afterDetach();  // checks what the plug-in left registered; ends its fibres
    // The stand-in, unless the caller is a fibre the host has stopped (what
    // a stopped script calls while it unwinds is not the plug-in's doing).
    HostStandIn* standInForCaller() const;
    // Throw when armed for the native call being made / the clock read of a
    // keyboard handler.
    void throwIfInjectedAtCall();
    void throwIfInjectedAtClockRead();
    void endFrame();
    void processDeferredUnregisters();
    void sendKey(std::uint32_t vk, std::uint16_t repeats, bool wasDown, bool isUp, std::uint8_t scan = 0,
                 bool extended = false, bool alt = false);
    std::string fibreName() const;
    void traceCall(const NativeInfo& info);
    std::uint64_t* takeSlots();  // the next set, cleared; the other one poisoned
    void releaseSlots();         // unpoisons both sets

    World world_;
    CrtRandom random_;
    FibreScheduler fibres_;
    std::atomic<std::uint32_t> clock_{kDefaultStartTick};
    std::uint32_t frame_ms_ = kDefaultFrameMs;
    std::uint64_t frame_ = 0;
    bool started_ = false;
    void* module_ = nullptr;
    std::vector<host::KeyboardHandler> keyboard_handlers_;
    std::vector<void*> registered_modules_;
    std::vector<void*> deferred_unregisters_;  // asked for from inside a fibre

    // The native call being built.
    std::uint64_t call_hash_ = 0;
    const NativeInfo* call_info_ = nullptr;  // call_hash_'s entry in the native table, or null
    bool call_open_ = false;
    bool host_calls_allowed_ = false;
    int call_argc_ = 0;
    std::uint64_t call_args_[kMaxNativeArgs] = {};
    // Result slots, two sets used in turn: the set of the previous call is
    // poisoned (for AddressSanitizer) or filled with a marker, so that a
    // result read after the next call began is caught or obviously wrong.
    alignas(32) std::uint64_t slots_[2][4] = {};
    int slot_set_ = 0;
    std::string text_result_;

    Drawing drawing_;
    Drawing last_drawing_;
    TextStyle text_style_;
    TextCommand text_command_ = TextCommand::None;
    std::string text_buffer_;
    std::string ended_text_;

    std::vector<SoundEvent> sounds_;
    std::vector<HornEvent> horns_;
    std::vector<std::string> notifications_;
    std::size_t sounds_reported_ = 0;
    std::size_t horns_reported_ = 0;

    bool keep_trace_ = true;
    std::size_t trace_dropped_ = 0;
    std::uint64_t calls_this_frame_ = 0;
    std::vector<TraceEntry> trace_;
    std::function<void(const TraceEntry&)> trace_sink_;
    std::function<void(const KeyMessage&)> key_sink_;
    SimObserver* observer_ = nullptr;
    std::vector<Fault> faults_;

    HostStandIn* stand_in_ = nullptr;

    std::uint64_t throw_at_native_ = 0;
    bool throw_in_key_handler_ = false;
    bool in_key_handler_ = false;  // a keyboard handler runs (host thread)
};

// The plug-in's Settings record as it stands: read from the loaded plug-in;
// before the first load its load-time values, after an unload the values it
// held at the unload.
const Settings& pluginSettings();
// The same for its RuntimeState record.
const RuntimeState& pluginRuntime();

}  // namespace tavrel::sim
