// Own CPU time of one settings-menu frame (the light page: title and 11
// rows, each a text, a line count and a box) over the scripted host, with
// the natives and heap allocations per frame as counters (want 0 allocs).
//
//   build/release/bench/tavrel_bench --benchmark_filter=Menu
//
// Global operator new is replaced in this program (bench/support) to count
// allocations while a benchmark asks for it.
#include <benchmark/benchmark.h>

#include "bench/support/bench_host.h"
#include "config/settings.h"
#include "host/natives.h"
#include "host/recorder.h"
#include "menu/menu.h"
#include "menu/page_loop.h"
#include "menu/pages.h"
#include "shell/entry.h"
#include "tests/support/heap_counter.h"


namespace tavrel {
namespace {

void menuWorld(bool recording) {
    bench::clearAnswers();
    resetPluginState();
    host::sizeRecording(recording ? host::kRecorderDefaultKb : 0);
    resetMenuState();
    bench::setAnswer(nat::END_TEXT_COMMAND_GET_NUMBER_OF_LINES_FOR_STRING, 1);
    bench::setFloatAnswer(nat::GET_RENDERED_CHARACTER_HEIGHT, 0.0025f);
}

void countAllocations(benchmark::State& state, void (*frame)()) {
    frame();  // warm-up
    bench::resetNativeCallCount();
    tavrel::testing::heap::allocations = 0;
    tavrel::testing::heap::counting = true;
    for (auto _ : state) frame();
    tavrel::testing::heap::counting = false;
    state.counters["allocs"] =
        benchmark::Counter(static_cast<double>(tavrel::testing::heap::allocations.load()), benchmark::Counter::kAvgIterations);
    state.counters["natives"] =
        benchmark::Counter(static_cast<double>(bench::nativeCallCount()), benchmark::Counter::kAvgIterations);
}

const MenuPage* shown_page = nullptr;

// One steady frame of the light page: the drawing and the input poll, the
// menu fibre's step.
void lightPageFrame() {
    host::testing::enterFibre(1);
    drawPage(*shown_page);
    benchmark::DoNotOptimize(readPageCommand(true, true, false));
    host::testing::leaveFibre(0);
}

// What entering the page costs: its 11 labels rebuilt.
void rebuildLightPageLabels() {
    buildRowLabels(light_page);
    benchmark::DoNotOptimize(&light_page);
}

// Argument: the flight recorder off (0) or on (1); the budget: on at most
// 1.5 times off, no allocation either way.
void BM_MenuLightPageFrame(benchmark::State& state) {
    menuWorld(state.range(0) != 0);
    buildRowLabels(light_page);
    shown_page = &light_page;
    countAllocations(state, lightPageFrame);
    menuWorld(false);  // the next benchmarks run without a recording
}
BENCHMARK(BM_MenuLightPageFrame)->ArgName("recorder")->Arg(0)->Arg(1);

void BM_MenuLightPageLabels(benchmark::State& state) {
    menuWorld(false);
    countAllocations(state, rebuildLightPageLabels);
}
BENCHMARK(BM_MenuLightPageLabels);

}  // namespace
}  // namespace tavrel
