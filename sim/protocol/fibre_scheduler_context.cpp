// Script fibres in user space (FibreBackend::UserSpace): each fibre runs on
// a stack of its own on the host's thread, and a switch is Boost.Context's
// jump_fcontext, a few register saves and a stack-pointer swap with no
// system call. Every switch is told to AddressSanitizer (which stack is in
// use, so that unwinding and stack checks see the right one) and to
// ThreadSanitizer (a fibre is a context of its own), and carries the C++
// runtime's exception state with it, as a thread of its own would have: a
// script suspended inside a catch handler keeps its exception.
#include <sys/mman.h>
#include <unistd.h>

#include <boost/context/detail/fcontext.hpp>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>

#include "sim/protocol/fibre_scheduler_linux.h"

#if defined(__SANITIZE_ADDRESS__)
#define TAVREL_SIM_ASAN 1
#elif defined(__SANITIZE_THREAD__)
#define TAVREL_SIM_TSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAVREL_SIM_ASAN 1
#elif __has_feature(thread_sanitizer)
#define TAVREL_SIM_TSAN 1
#endif
#endif
#if defined(TAVREL_SIM_ASAN)
#include <sanitizer/asan_interface.h>
#include <sanitizer/common_interface_defs.h>
#endif
#if defined(TAVREL_SIM_TSAN)
#include <sanitizer/tsan_interface.h>
#endif

namespace tavrel::sim {

namespace {

namespace fc = boost::context::detail;

// A fibre's stack, below it one page that faults when the stack runs over.
// The size of a game script fibre's stack; more under the sanitizers, whose
// frames are larger.
#if defined(TAVREL_SIM_ASAN) || defined(TAVREL_SIM_TSAN)
constexpr std::size_t kStackBytes = 4u << 20;
#else
constexpr std::size_t kStackBytes = 1u << 20;
#endif

// The C++ runtime's per-thread exception state (libstdc++'s and libc++abi's
// __cxa_eh_globals): the chain of exceptions being handled and the count of
// those thrown and not yet caught.
struct EhGlobals {
    void* caught_exceptions;
    unsigned int uncaught_exceptions;
};

EhGlobals* threadEhGlobals() { return reinterpret_cast<EhGlobals*>(abi::__cxa_get_globals()); }

void swapEhGlobals(EhGlobals& saved) {
    EhGlobals* live = threadEhGlobals();
    const EhGlobals running = *live;
    *live = saved;
    saved = running;
}

// [SECTION] Sanitizer notes: no code at all in a build without them.

void startSwitch([[maybe_unused]] void** fakeStackSave, [[maybe_unused]] const void* bottom,
                 [[maybe_unused]] std::size_t size) {
#if defined(TAVREL_SIM_ASAN)
    __sanitizer_start_switch_fiber(fakeStackSave, bottom, size);
#endif
}

void finishSwitch([[maybe_unused]] void* fakeStack, [[maybe_unused]] const void** oldBottom,
                  [[maybe_unused]] std::size_t* oldSize) {
#if defined(TAVREL_SIM_ASAN)
    __sanitizer_finish_switch_fiber(fakeStack, oldBottom, oldSize);
#endif
}

void* tsanCurrent() {
#if defined(TAVREL_SIM_TSAN)
    return __tsan_get_current_fiber();
#else
    return nullptr;
#endif
}

void* tsanCreate() {
#if defined(TAVREL_SIM_TSAN)
    return __tsan_create_fiber(0);
#else
    return nullptr;
#endif
}

void tsanDestroy([[maybe_unused]] void* fibre) {
#if defined(TAVREL_SIM_TSAN)
    if (fibre != nullptr) __tsan_destroy_fiber(fibre);
#endif
}

void tsanSwitchTo([[maybe_unused]] void* fibre) {
#if defined(TAVREL_SIM_TSAN)
    __tsan_switch_to_fiber(fibre, 0);
#endif
}

}  // namespace

struct FibreScheduler::Switch::UserSpace final : FibreScheduler::Switch {
    struct Stack final : Context {
        Stack() = default;
        Stack(const Stack&) = delete;
        Stack& operator=(const Stack&) = delete;
        ~Stack() override {
#if defined(TAVREL_SIM_ASAN)
            // Frames left by the unwinding may still be poisoned; the pages go back clean.
            if (mapping != nullptr) ASAN_UNPOISON_MEMORY_REGION(bottom, kStackBytes);
#endif
            if (mapping != nullptr) munmap(mapping, mapping_bytes);
            tsanDestroy(tsan_fibre);
        }

        void* mapping = nullptr;  // the guard page, then the stack
        std::size_t mapping_bytes = 0;
        void* bottom = nullptr;   // lowest address of the stack proper
        fc::fcontext_t resume_at = nullptr;  // where the fibre goes on
        void* fake_stack = nullptr;          // AddressSanitizer's, while the fibre is switched out
        void* tsan_fibre = nullptr;
        EhGlobals eh{};  // the fibre's exception state while it is switched out, the host's while it runs
        UserSpace* owner = nullptr;
    };

    explicit UserSpace(FibreScheduler& s) : Switch(s), host_tsan(tsanCurrent()) {}

    void launch(Fibre& f) override {
        auto stack = std::make_unique<Stack>();
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        stack->mapping_bytes = kStackBytes + page;
        stack->mapping = mmap(nullptr, stack->mapping_bytes, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_STACK, -1, 0);
        if (stack->mapping == MAP_FAILED || mprotect(stack->mapping, page, PROT_NONE) != 0) {
            std::perror("tavrel-sim: a script fibre's stack");
            std::abort();
        }
        stack->bottom = static_cast<char*>(stack->mapping) + page;
        stack->resume_at = fc::make_fcontext(static_cast<char*>(stack->bottom) + kStackBytes, kStackBytes, &entry);
        stack->tsan_fibre = tsanCreate();
        stack->owner = this;
        f.context = std::move(stack);
    }

    void resume(Fibre& f) override {
        Stack& stack = static_cast<Stack&>(*f.context);
        current = &f;
        swapEhGlobals(stack.eh);
        startSwitch(&host_fake_stack, stack.bottom, kStackBytes);
        tsanSwitchTo(stack.tsan_fibre);
        const fc::transfer_t back = fc::jump_fcontext(stack.resume_at, &f);
        finishSwitch(host_fake_stack, nullptr, nullptr);
        stack.resume_at = back.fctx;
        swapEhGlobals(stack.eh);
        current = nullptr;
    }

    void yield(Fibre& f) override {
        Stack& stack = static_cast<Stack&>(*f.context);
        startSwitch(&stack.fake_stack, host_bottom, host_bytes);
        tsanSwitchTo(host_tsan);
        const fc::transfer_t back = fc::jump_fcontext(host, nullptr);
        finishSwitch(stack.fake_stack, &host_bottom, &host_bytes);
        host = back.fctx;
    }

    void end(Fibre& f) override { f.context.reset(); }

    // The fibre's first frame: runs the script, then leaves for good.
    static void entry(fc::transfer_t from) {
        Fibre& f = *static_cast<Fibre*>(from.data);
        UserSpace& self = *static_cast<Stack&>(*f.context).owner;
        self.host = from.fctx;
        finishSwitch(nullptr, &self.host_bottom, &self.host_bytes);
        if (!f.stop) self.runScript(f);
        f.finished = true;
        startSwitch(nullptr, self.host_bottom, self.host_bytes);  // null: this stack is done with
        tsanSwitchTo(self.host_tsan);
        fc::jump_fcontext(self.host, nullptr);
        std::abort();  // a finished fibre is never resumed
    }

    fc::fcontext_t host = nullptr;      // where the host goes on
    const void* host_bottom = nullptr;  // the host's stack (AddressSanitizer)
    std::size_t host_bytes = 0;
    void* host_fake_stack = nullptr;
    void* host_tsan = nullptr;
};

std::unique_ptr<FibreScheduler::Switch> FibreScheduler::Switch::makeUserSpace(FibreScheduler& scheduler) {
    return std::make_unique<UserSpace>(scheduler);
}

}  // namespace tavrel::sim
