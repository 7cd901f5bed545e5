// Script fibres as threads handing a baton (FibreBackend::Threads): the
// kernel switches them, which ThreadSanitizer follows without help.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "sim/protocol/fibre_scheduler_linux.h"

namespace tavrel::sim {

struct FibreScheduler::Switch::Threads final : FibreScheduler::Switch {
    struct Thread final : Context {
        std::thread thread;
    };

    using Switch::Switch;

    void launch(Fibre& f) override {
        auto context = std::make_unique<Thread>();
        context->thread = std::thread([this, &f] {
            current = &f;
            {
                std::unique_lock<std::mutex> lock(mutex);
                baton.wait(lock, [this, &f] { return owner == &f; });
            }
            if (!f.stop) runScript(f);
            std::lock_guard<std::mutex> lock(mutex);
            f.finished = true;
            owner = nullptr;
            baton.notify_all();
        });
        f.context = std::move(context);
    }

    void resume(Fibre& f) override {
        std::unique_lock<std::mutex> lock(mutex);
        owner = &f;
        baton.notify_all();
        baton.wait(lock, [this] { return owner == nullptr; });
    }

    void yield(Fibre& f) override {
        std::unique_lock<std::mutex> lock(mutex);
        owner = nullptr;
        baton.notify_all();
        baton.wait(lock, [this, &f] { return owner == &f; });
    }

    void end(Fibre& f) override {
        auto& thread = static_cast<Thread&>(*f.context).thread;
        if (thread.joinable()) thread.join();
    }

    std::mutex mutex;
    std::condition_variable baton;
    const Fibre* owner = nullptr;  // who holds the baton; null: the host
};

std::unique_ptr<FibreScheduler::Switch> FibreScheduler::Switch::makeThreads(FibreScheduler& scheduler) {
    return std::make_unique<Threads>(scheduler);
}

}  // namespace tavrel::sim
