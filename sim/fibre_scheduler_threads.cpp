#include "sim/fibre_scheduler.h"

#include <algorithm>

namespace tavrel::sim {

namespace {

// Thrown from wait() into a fibre that is being stopped; private to the host.
struct FibreStopped {};

thread_local FibreScheduler::Fibre* tlsFibre = nullptr;

}  // namespace

FibreScheduler::~FibreScheduler() { stop(nullptr); }

const FibreScheduler::Fibre* FibreScheduler::currentFibre() { return tlsFibre; }

void FibreScheduler::add(void* module, ScriptFunction script, bool main) {
    auto f = std::make_unique<Fibre>();
    f->module = module;
    f->script = script;
    if (main) {
        f->name = "main";
        const auto firstOther = std::find_if(fibres_.begin(), fibres_.end(),
                                             [](const auto& p) { return p->name != "main"; });
        fibres_.insert(firstOther, std::move(f));
        return;
    }
    const auto others = std::count_if(fibres_.begin(), fibres_.end(),
                                      [](const auto& p) { return p->name != "main"; });
    f->name = others == 0 ? "menu" : "menu" + std::to_string(others + 1);
    fibres_.push_back(std::move(f));
}

bool FibreScheduler::isDue(const Fibre& f, std::uint64_t frame, std::uint32_t now) {
    if (f.finished || f.stop) return false;
    if (!f.launched) return true;
    if (frame <= f.yield_frame) return false;  // at most one run per frame
    return now - f.sleep_start >= f.sleep_ms;   // unsigned: wrap-safe
}

void FibreScheduler::runFrame(std::uint64_t frame, std::uint32_t now) {
    // Index loop: a script may register another one while it runs.
    for (std::size_t i = 0; i < fibres_.size(); ++i) {
        Fibre& f = *fibres_[i];
        if (!isDue(f, frame, now)) continue;
        if (!f.launched) {
            f.launched = true;
            f.thread = std::thread(&FibreScheduler::threadMain, this, &f);
        }
        resume(f);
    }
}

void FibreScheduler::resume(Fibre& f) {
    std::unique_lock<std::mutex> lock(mutex_);
    owner_ = &f;
    baton_.notify_all();
    baton_.wait(lock, [this] { return owner_ == nullptr; });
}

void FibreScheduler::threadMain(Fibre* f) {
    tlsFibre = f;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        baton_.wait(lock, [this, f] { return owner_ == f; });
    }
    if (!f->stop) {
        try {
            f->script();
        } catch (const FibreStopped&) {
            // the host unloads the script
        } catch (...) {
            f->threw = true;
            escaped_.push_back(f->name);
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    f->finished = true;
    owner_ = nullptr;
    baton_.notify_all();
}

bool FibreScheduler::wait(std::uint32_t ms, std::uint64_t frame, std::uint32_t now) {
    Fibre* f = tlsFibre;
    if (f == nullptr) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    f->yield_frame = frame;
    f->sleep_start = now;
    f->sleep_ms = ms;
    owner_ = nullptr;
    baton_.notify_all();
    baton_.wait(lock, [this, f] { return owner_ == f; });
    if (f->stop) throw FibreStopped{};
    return true;
}

void FibreScheduler::abortCurrent() { throw FibreStopped{}; }

std::vector<std::string> FibreScheduler::takeEscaped() {
    std::vector<std::string> names;
    names.swap(escaped_);
    return names;
}

void FibreScheduler::stop(void* module) {
    for (auto& f : fibres_) {
        if (module != nullptr && f->module != module) continue;
        f->stop = true;
        // A launched fibre sits in wait() (or has finished): hand it the baton
        // once more so that it unwinds, then join it.
        if (f->launched && !f->finished) resume(*f);
        if (f->thread.joinable()) f->thread.join();
    }
    std::erase_if(fibres_, [module](const auto& f) { return module == nullptr || f->module == module; });
}

}  // namespace tavrel::sim
