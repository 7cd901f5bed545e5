// FibreScheduler: the host's cooperative script fibres. Exactly one of them
// runs at a time, or the host (the code that drives frames); fibres switch
// only inside wait() (the host's scriptWait). How a fibre is made:
//   Linux (fibre_scheduler_linux.cpp), chosen at run time (setBackend):
//     FibreBackend::UserSpace  fibre_scheduler_context.cpp: each fibre on a
//       stack of its own on the host's thread, switched by Boost.Context in
//       user space (no system call), with the sanitizers told of every
//       switch. The default.
//     FibreBackend::Threads  fibre_scheduler_threads.cpp: each fibre on its
//       own std::thread; control passes as a baton under one mutex and
//       condition variable, so what a fibre writes is visible to the host
//       when the baton comes back. The default under ThreadSanitizer.
//     Either way a stopped fibre resumes with an exception from wait() that
//     unwinds its script and is caught at the top of the fibre.
//   Windows (windows/fibre_scheduler_windows.cpp): Windows fibres on the
//     host's thread, as the game's script hook runs them (one C runtime
//     state for all, rand included); the backend setting is ignored. A
//     stopped fibre is deleted where it waits, unwound not at all, as the
//     game does when it unloads a plug-in.
//
// Thread safety: every member except wait(), abortCurrent() and
// currentFibre() is called by the host only, never from inside a fibre.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tavrel::sim {

using ScriptFunction = void (*)();

enum class FibreBackend : std::uint8_t { UserSpace, Threads };

// UserSpace, or Threads in a ThreadSanitizer build; the environment variable
// TAVREL_SIM_FIBRES ("user" or "threads") overrides both.
FibreBackend defaultFibreBackend();
// "user" or "threads".
const char* fibreBackendName(FibreBackend backend);

class FibreScheduler {
public:
    struct Context;  // the platform's part of one fibre

    struct Fibre {
        Fibre();
        ~Fibre();
        Fibre(const Fibre&) = delete;
        Fibre& operator=(const Fibre&) = delete;

        std::string name;          // "main", "menu", "menu2", ...
        void* module = nullptr;    // the module that registered it
        ScriptFunction script = nullptr;
        std::unique_ptr<Context> context;  // set when launched
        bool launched = false;     // the platform's fibre exists
        bool stop = false;         // set by the host: the fibre never runs its script again
        bool finished = false;     // the script has returned, thrown or been aborted
        bool threw = false;        // the script let an exception other than the stop escape
        std::uint64_t yield_frame = 0;  // frame in which it last yielded
        std::uint32_t sleep_start = 0;  // tick at its last wait()
        std::uint32_t sleep_ms = 0;     // 0: the next frame
    };

    FibreScheduler();
    FibreScheduler(const FibreScheduler&) = delete;
    FibreScheduler& operator=(const FibreScheduler&) = delete;
    ~FibreScheduler();  // stops and ends every fibre

    // How fibres are made on Linux (see above); defaultFibreBackend() at first.
    // REQUIRES: no frame has run a script yet.
    void setBackend(FibreBackend backend);
    FibreBackend backend() const { return backend_; }

    // Who says which fibres run in a frame, instead of their waits: a replay
    // (null: the waits). Asked in the order the fibres run.
    using DueRule = bool (*)(void* context, std::size_t index);
    void setDueRule(DueRule rule, void* context) {
        due_rule_ = rule;
        due_context_ = context;
    }

    // Adds a script; `main` fibres run before the others in each frame.
    void add(void* module, ScriptFunction script, bool main);
    // Runs one frame: every fibre that is due (in order: main, then the
    // others in registration order) runs until it yields or ends. New fibres
    // start at the first frame after they were added.
    void runFrame(std::uint64_t frame, std::uint32_t now);
    // Stops and ends the fibres of `module` (all when null) and forgets them.
    void stop(void* module);
    // Called by the running fibre: yields the baton until the fibre is due.
    // Returns false when called outside any fibre (nothing happens then).
    bool wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now);
    // Called by the running fibre: ends its script as a stop would.
    [[noreturn]] void abortCurrent();

    // The fibre the calling thread runs, or null on the host thread.
    static const Fibre* currentFibre();
    // The caller is a fibre the host has stopped (on Linux a stopped script
    // unwinds, and may still call the host on its way out).
    static bool currentIsStopped() {
        const Fibre* f = currentFibre();
        return f != nullptr && f->stop;
    }
    // Names of fibres whose script let an exception escape since the last call.
    std::vector<std::string> takeEscaped();
    std::size_t size() const { return fibres_.size(); }
    const Fibre& fibre(std::size_t i) const { return *fibres_[i]; }

private:
    static bool isDue(const Fibre& f, std::uint64_t frame, std::uint32_t now);
    // Runs f's script on the fibre; marks it finished when the script leaves.
    void runScript(Fibre& f);
    struct Stopped {};  // thrown by a platform to unwind a stopped script

    // [SECTION] Per platform
    struct Switch;                // how control passes between the host and the fibres
    void launch(Fibre& f);        // makes the fibre; it runs its script at its first resume
    void resume(Fibre& f);        // runs it until it yields or ends
    void end(Fibre& f);           // REQUIRES: f.stop is set and f is not running

    DueRule due_rule_ = nullptr;
    void* due_context_ = nullptr;
    FibreBackend backend_ = defaultFibreBackend();
    bool launched_any_ = false;   // a fibre was launched: the backend is fixed
    std::unique_ptr<Switch> switch_;
    std::vector<std::unique_ptr<Fibre>> fibres_;
    std::vector<std::string> escaped_;  // written by a fibre while it runs
};

}  // namespace tavrel::sim
