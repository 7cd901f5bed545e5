// The platform-independent part of the scheduler: which fibre runs when.
#include "sim/protocol/fibre_scheduler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_THREAD__)
#define TAVREL_SIM_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TAVREL_SIM_TSAN 1
#endif
#endif

namespace tavrel::sim {

FibreBackend defaultFibreBackend() {
    if (const char* chosen = std::getenv("TAVREL_SIM_FIBRES")) {
        if (std::strcmp(chosen, "threads") == 0) return FibreBackend::Threads;
        if (std::strcmp(chosen, "user") == 0) return FibreBackend::UserSpace;
        std::fprintf(stderr, "tavrel-sim: TAVREL_SIM_FIBRES is \"%s\"; it takes user or threads\n", chosen);
        std::abort();
    }
#if defined(TAVREL_SIM_TSAN)
    return FibreBackend::Threads;  // ThreadSanitizer follows threads best
#else
    return FibreBackend::UserSpace;
#endif
}

const char* fibreBackendName(FibreBackend backend) {
    return backend == FibreBackend::Threads ? "threads" : "user";
}

void FibreScheduler::setBackend(FibreBackend backend) {
    if (launched_any_ && backend != backend_) {
        std::fprintf(stderr, "tavrel-sim: the fibre backend is chosen before the first script runs\n");
        std::abort();
    }
    backend_ = backend;
}

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
        if (due_rule_ != nullptr) {
            if (f.finished || f.stop || !due_rule_(due_context_, i)) continue;
        } else if (!isDue(f, frame, now)) {
            continue;
        }
        if (!f.launched) {
            launched_any_ = true;
            launch(f);
        }
        if (f.launched) resume(f);
    }
}

void FibreScheduler::runScript(Fibre& f) {
    try {
        f.script();
    } catch (const Stopped&) {
        // the host unloads the script
    } catch (...) {
        f.threw = true;
        escaped_.push_back(f.name);
    }
    f.finished = true;
}

std::vector<std::string> FibreScheduler::takeEscaped() {
    std::vector<std::string> names;
    names.swap(escaped_);
    return names;
}

void FibreScheduler::stop(void* module) {
    for (auto& f : fibres_) {
        if (module != nullptr && f->module != module) continue;
        f->stop = true;
        if (f->launched) end(*f);
    }
    std::erase_if(fibres_, [module](const auto& f) { return module == nullptr || f->module == module; });
}

}  // namespace tavrel::sim
