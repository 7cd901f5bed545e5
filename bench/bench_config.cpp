// One full load (reloadSettings) of the shipped INI file:
// every key present, each under a comment line. Run from a temporary
// directory; the median of the repetitions is the number to compare.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/persistence.h"
#include "config/settings.h"

namespace {

void BM_FullLoad(benchmark::State& state) {
    std::string source = __FILE__;
    source.resize(source.rfind("bench/"));
    std::ifstream in(source + "dist/TavrelConfig.ini", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        state.SkipWithError("dist/TavrelConfig.ini not found");
        return;
    }
    const std::filesystem::path old_cwd = std::filesystem::current_path();
    char pattern[] = "/tmp/tavrel_bench_XXXXXX";
    if (!::mkdtemp(pattern)) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    std::filesystem::current_path(pattern);
    std::ofstream("TavrelConfig.ini", std::ios::binary) << bytes;

    for (auto _ : state) {
        tavrel::reloadSettings();
        benchmark::DoNotOptimize(tavrel::settings);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));

    std::filesystem::current_path(old_cwd);
    std::filesystem::remove_all(pattern);
}
BENCHMARK(BM_FullLoad)->Unit(benchmark::kMicrosecond)->Repetitions(15)->ReportAggregatesOnly(true);

}  // namespace
