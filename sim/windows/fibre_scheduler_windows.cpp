// Script fibres as Windows fibres on the host's thread, the way the game's
// script hook runs them: the host thread is turned into a fibre at the first
// launch and every switch is a SwitchToFiber. One thread means one C runtime
// state for all of them (the plug-in's srand and rand included) and no locks.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <cstdlib>

#include "sim/protocol/fibre_scheduler.h"

namespace tavrel::sim {

struct FibreScheduler::Context {
    FibreScheduler* owner = nullptr;
    void* fibre = nullptr;  // from CreateFiber; null once deleted
};

struct FibreScheduler::Switch {
    void* host = nullptr;    // the host's own fibre
    bool converted = false;  // the host thread was made a fibre here
};

namespace {

// The fibre that runs now; null while the host runs. One thread: no locks.
FibreScheduler::Fibre* running = nullptr;

// Windows fibres get the default stack of the process (the executable's
// reserve), as the game's script fibres do.
constexpr SIZE_T kFibreStack = 0;

}  // namespace

FibreScheduler::Fibre::Fibre() = default;
FibreScheduler::Fibre::~Fibre() = default;

FibreScheduler::FibreScheduler() : switch_(std::make_unique<Switch>()) {}

FibreScheduler::~FibreScheduler() {
    stop(nullptr);
    if (switch_->converted) ConvertFiberToThread();
}

const FibreScheduler::Fibre* FibreScheduler::currentFibre() { return running; }

// GCC 12 takes the TEB read inside GetCurrentFiber for an access out of bounds.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
void FibreScheduler::launch(Fibre& f) {
    if (switch_->host == nullptr) {
        if (IsThreadAFiber()) {
            switch_->host = GetCurrentFiber();
        } else {
            switch_->host = ConvertThreadToFiber(nullptr);
            switch_->converted = switch_->host != nullptr;
        }
        if (switch_->host == nullptr) {
            f.finished = true;  // no fibres on this thread: the script never runs
            return;
        }
    }
    f.context = std::make_unique<Context>();
    f.context->owner = this;
    // The fibre procedure never returns: returning would end the thread.
    f.context->fibre = CreateFiber(
        kFibreStack,
        [](void* parameter) {
            Fibre& self = *static_cast<Fibre*>(parameter);
            FibreScheduler& scheduler = *self.context->owner;
            scheduler.runScript(self);
            for (;;) SwitchToFiber(scheduler.switch_->host);
        },
        &f);
    if (f.context->fibre == nullptr) {
        f.finished = true;
        return;
    }
    f.launched = true;
}
#pragma GCC diagnostic pop

void FibreScheduler::resume(Fibre& f) {
    running = &f;
    SwitchToFiber(f.context->fibre);
    running = nullptr;
}

bool FibreScheduler::wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now) {
    Fibre* f = running;
    if (f == nullptr) return false;
    f->yield_frame = frame;
    f->sleep_start = now;
    f->sleep_ms = ms;
    SwitchToFiber(switch_->host);
    return true;  // resumed: resume() has set `running` back to f
}

void FibreScheduler::abortCurrent() {
    Fibre* f = running;
    if (f == nullptr) std::abort();  // only a fibre calls this
    // Leave the script where it stands and never come back; stop() deletes
    // the fibre with its stack.
    f->finished = true;
    SwitchToFiber(switch_->host);
    std::abort();
}

void FibreScheduler::end(Fibre& f) {
    if (f.context != nullptr && f.context->fibre != nullptr) {
        DeleteFiber(f.context->fibre);
        f.context->fibre = nullptr;
    }
    f.finished = true;
}

}  // namespace tavrel::sim
