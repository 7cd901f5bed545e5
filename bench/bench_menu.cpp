// Own CPU time of one settings-menu frame (the light page: title and 11
// rows, each a text, a line count and a box) over the scripted host, with
// the natives and heap allocations per frame as counters (want 0 allocs).
//
//   build/release/bench/tavrel_bench --benchmark_filter=Menu
//
// Global operator new is replaced in this program to count allocations
// while a menu benchmark runs; every other benchmark is unaffected.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "bench/support/bench_host.h"
#include "config/settings.h"
#include "host/natives.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"
#include "shell/entry.h"

namespace {
std::atomic<bool> counting_allocations{false};
std::atomic<long> allocation_count{0};
}  // namespace

// The replacements pair malloc with free; GCC cannot see that they match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (counting_allocations.load(std::memory_order_relaxed)) allocation_count.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace tavrel {
namespace {

void menuWorld() {
    bench::clearAnswers();
    resetPluginState();
    resetMenuState();
    bench::setAnswer(nat::END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, 1);
    bench::setFloatAnswer(nat::GET_RENDERED_CHARACTER_HEIGHT, 0.0025f);
}

void countAllocations(benchmark::State& state, void (*frame)()) {
    frame();  // warm-up
    bench::resetNativeCallCount();
    allocation_count = 0;
    counting_allocations = true;
    for (auto _ : state) frame();
    counting_allocations = false;
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(allocation_count.load()), benchmark::Counter::kAvgIterations);
    state.counters["natives"] =
        benchmark::Counter(static_cast<double>(bench::nativeCallCount()), benchmark::Counter::kAvgIterations);
}

const MenuPage* light_page = nullptr;

// One steady frame of the light page: the drawing and the input poll.
void lightPageFrame() {
    drawPage(*light_page);
    benchmark::DoNotOptimize(readPageCommand(true, true, false));
}

// What entering the page costs: its 11 labels rebuilt.
void rebuildLightPageLabels() { benchmark::DoNotOptimize(&lightPage()); }

void BM_MenuLightPageFrame(benchmark::State& state) {
    menuWorld();
    light_page = &lightPage();
    countAllocations(state, lightPageFrame);
}
BENCHMARK(BM_MenuLightPageFrame);

void BM_MenuLightPageLabels(benchmark::State& state) {
    menuWorld();
    countAllocations(state, rebuildLightPageLabels);
}
BENCHMARK(BM_MenuLightPageLabels);

}  // namespace
}  // namespace tavrel
