// Script fibres as threads handing a baton (the simulator's fibres on Linux).
#include <condition_variable>
#include <mutex>
#include <thread>

#include "sim/fibre_scheduler.h"

namespace tavrel::sim {

struct FibreScheduler::Context {
    std::thread thread;
};

struct FibreScheduler::Switch {
    std::mutex mutex;
    std::condition_variable baton;
    const Fibre* owner = nullptr;  // who holds the baton; null: the host
};

namespace {
thread_local FibreScheduler::Fibre* tlsFibre = nullptr;
}  // namespace

FibreScheduler::Fibre::Fibre() = default;
FibreScheduler::Fibre::~Fibre() = default;

FibreScheduler::FibreScheduler() : switch_(std::make_unique<Switch>()) {}

FibreScheduler::~FibreScheduler() { stop(nullptr); }

const FibreScheduler::Fibre* FibreScheduler::currentFibre() { return tlsFibre; }

void FibreScheduler::launch(Fibre& f) {
    f.context = std::make_unique<Context>();
    f.launched = true;
    f.context->thread = std::thread([this, &f] {
        tlsFibre = &f;
        {
            std::unique_lock<std::mutex> lock(switch_->mutex);
            switch_->baton.wait(lock, [this, &f] { return switch_->owner == &f; });
        }
        if (!f.stop) runScript(f);
        std::lock_guard<std::mutex> lock(switch_->mutex);
        f.finished = true;
        switch_->owner = nullptr;
        switch_->baton.notify_all();
    });
}

void FibreScheduler::resume(Fibre& f) {
    std::unique_lock<std::mutex> lock(switch_->mutex);
    switch_->owner = &f;
    switch_->baton.notify_all();
    switch_->baton.wait(lock, [this] { return switch_->owner == nullptr; });
}

bool FibreScheduler::wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now) {
    Fibre* f = tlsFibre;
    if (f == nullptr) return false;
    // Stopped, and the script caught the unwinding and waits again: unwind
    // it again; it never gets the baton back.
    if (f->stop) throw Stopped{};
    std::unique_lock<std::mutex> lock(switch_->mutex);
    f->yield_frame = frame;
    f->sleep_start = now;
    f->sleep_ms = ms;
    switch_->owner = nullptr;
    switch_->baton.notify_all();
    switch_->baton.wait(lock, [this, f] { return switch_->owner == f; });
    if (f->stop) throw Stopped{};
    return true;
}

void FibreScheduler::abortCurrent() {
    // Stopped for good, as on Windows where the fibre never resumes.
    if (tlsFibre != nullptr) tlsFibre->stop = true;
    throw Stopped{};
}

void FibreScheduler::end(Fibre& f) {
    // A launched fibre sits in wait() (or has finished): hand it the baton
    // once more so that it unwinds, then join it.
    if (!f.finished) resume(f);
    if (f.context->thread.joinable()) f.context->thread.join();
}

}  // namespace tavrel::sim
