// The Linux scheduler's per-platform part: what a wait, a stop and an abort
// mean, the same for both backends; the switching itself is the chosen
// backend's (fibre_scheduler_linux.h).
#include "sim/protocol/fibre_scheduler_linux.h"

namespace tavrel::sim {

thread_local FibreScheduler::Fibre* FibreScheduler::Switch::current = nullptr;

FibreScheduler::Fibre::Fibre() = default;
FibreScheduler::Fibre::~Fibre() = default;

FibreScheduler::FibreScheduler() = default;  // the Switch is made at the first launch

FibreScheduler::~FibreScheduler() { stop(nullptr); }

const FibreScheduler::Fibre* FibreScheduler::currentFibre() { return Switch::current; }

void FibreScheduler::launch(Fibre& f) {
    if (switch_ == nullptr) {
        switch_ = backend_ == FibreBackend::Threads ? Switch::makeThreads(*this) : Switch::makeUserSpace(*this);
    }
    switch_->launch(f);
    f.launched = true;
}

void FibreScheduler::resume(Fibre& f) { switch_->resume(f); }

bool FibreScheduler::wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now) {
    Fibre* f = Switch::current;
    if (f == nullptr) return false;
    // Stopped, and the script caught the unwinding and waits again: unwind
    // it again; it never runs on.
    if (f->stop) throw Stopped{};
    f->yield_frame = frame;
    f->sleep_start = now;
    f->sleep_ms = ms;
    switch_->yield(*f);
    if (f->stop) throw Stopped{};
    return true;
}

void FibreScheduler::abortCurrent() {
    // Stopped for good, as on Windows where the fibre never resumes.
    if (Switch::current != nullptr) Switch::current->stop = true;
    throw Stopped{};
}

void FibreScheduler::end(Fibre& f) {
    // A launched fibre sits in wait() (or has finished): resume it once more
    // so that it unwinds, then free it.
    if (!f.finished) resume(f);
    switch_->end(f);
}

}  // namespace tavrel::sim
