// The Linux scheduler's two ways of switching fibres, behind one seam: the
// scheduler's Switch. Only the fibre_scheduler_*.cpp files of Linux see it.
//
// A Switch moves control between the host and one fibre at a time:
//   launch(f)  makes f's fibre; it runs its script at its first resume
//   resume(f)  from the host: runs f until it yields or its script leaves
//   yield(f)   from inside f: back to the host until f is resumed
//   end(f)     from the host, f finished: frees what launch made
// current is the fibre that runs on the calling thread (null on the host).
#pragma once
#include <memory>

#include "sim/protocol/fibre_scheduler.h"

namespace tavrel::sim {

struct FibreScheduler::Context {
    virtual ~Context() = default;
};

struct FibreScheduler::Switch {
    struct Threads;    // fibre_scheduler_threads.cpp
    struct UserSpace;  // fibre_scheduler_context.cpp

    static std::unique_ptr<Switch> makeThreads(FibreScheduler& scheduler);
    static std::unique_ptr<Switch> makeUserSpace(FibreScheduler& scheduler);

    explicit Switch(FibreScheduler& s) : scheduler(s) {}
    virtual ~Switch() = default;
    Switch(const Switch&) = delete;
    Switch& operator=(const Switch&) = delete;

    virtual void launch(Fibre& f) = 0;
    virtual void resume(Fibre& f) = 0;
    virtual void yield(Fibre& f) = 0;
    virtual void end(Fibre& f) = 0;

    // Runs f's script on the calling fibre (the scheduler's runScript).
    void runScript(Fibre& f) { scheduler.runScript(f); }

    static thread_local Fibre* current;
    FibreScheduler& scheduler;
};

}  // namespace tavrel::sim
