// FibreScheduler: the host's cooperative script fibres, each on its own
// std::thread. Exactly one thread runs at a time: the host (the thread that
// drives frames) or one fibre. Control passes as a baton under one mutex and
// condition variable, so everything a fibre writes is visible to the host
// when the baton comes back, and the other way round.
//
// Fibres switch only inside wait() (the host's scriptWait). A fibre that is
// stopped resumes with an exception from wait() that unwinds its script and
// is caught at the top of its thread.
//
// Thread safety: every member except wait() and currentFibre() is called by
// the host thread only, never while a fibre holds the baton.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrel::sim {

using ScriptFunction = void (*)();

class FibreScheduler {
public:
    struct Fibre {
        std::string name;          // "main", "menu", "menu2", ...
        void* module = nullptr;    // the module that registered it
        ScriptFunction script = nullptr;
        std::thread thread;
        bool launched = false;     // the thread exists
        bool stop = false;         // set by the host: wait() throws when resumed
        bool finished = false;     // the thread function has left the script
        bool threw = false;        // the script let an exception other than the stop escape
        std::uint64_t yield_frame = 0;  // frame in which it last yielded
        std::uint32_t sleep_start = 0;  // tick at its last wait()
        std::uint32_t sleep_ms = 0;     // 0: the next frame
    };

    FibreScheduler() = default;
    FibreScheduler(const FibreScheduler&) = delete;
    FibreScheduler& operator=(const FibreScheduler&) = delete;
    ~FibreScheduler();  // stops and joins every fibre

    // Adds a script; `main` fibres run before the others in each frame.
    void add(void* module, ScriptFunction script, bool main);
    // Runs one frame: every fibre that is due (in order: main, then the
    // others in registration order) runs until it yields or ends. New fibres
    // start at the first frame after they were added.
    void runFrame(std::uint64_t frame, std::uint32_t now);
    // Stops and joins the fibres of `module` (all when null) and forgets them.
    void stop(void* module);
    // Called by the running fibre: yields the baton until the fibre is due.
    // Returns false when called outside any fibre (nothing happens then).
    bool wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now);
    // Called by the running fibre: unwinds its script as a stop would.
    [[noreturn]] void abortCurrent();

    // The fibre the calling thread runs, or null on the host thread.
    static const Fibre* currentFibre();
    // Names of fibres whose script let an exception escape since the last call.
    std::vector<std::string> takeEscaped();
    std::size_t size() const { return fibres_.size(); }
    const Fibre& fibre(std::size_t i) const { return *fibres_[i]; }

private:
    void resume(Fibre& f);
    void threadMain(Fibre* f);
    static bool isDue(const Fibre& f, std::uint64_t frame, std::uint32_t now);

    std::mutex mutex_;
    std::condition_variable baton_;
    const Fibre* owner_ = nullptr;  // who holds the baton; null: the host
    std::vector<std::unique_ptr<Fibre>> fibres_;
    std::vector<std::string> escaped_;  // written by a fibre while it holds the baton
};

}  // namespace tavrel::sim
