// What one menu step's write costs on the game thread: writeIntSetting (the
// menu's write of one key: the file read, the key set, the file replaced
// through the Windows store) on a copy of the shipped TavrelConfig.ini,
// alternating between two values so every write changes the file. The store
// here is the same object code Tavrel.asi links (tavrel_win, tavrel_core).
// Prints the median and spread; checks every write landed; asserts no
// budget (the budget, under 1 ms median, is read off the output).
// Also printed: the share before the put-in-place step (read, edit, the
// temporary file written; timed through the store's test seam; the rest is
// the check of the file, its two renames and the old file's deletion), and
// replaceFile alone with the file's whole bytes (the stamp read before the
// clock starts).
//
// Wine's file calls each go through its server, so the numbers move with the
// machine's load; the renames cost the most.
//
//   tavrel_write_bench <TavrelConfig.ini> [repetitions]
//   e.g. WINEDEBUG=-all /usr/lib/wine/wine64 build/mingw/win/test/tavrel_write_bench.exe dist/TavrelConfig.ini
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "config/persistence.h"
#include "host/host_file.h"

namespace {

// When the store reached the put-in-place step (the test seam runs right before it).
double reached_replace = 0;
void markReplace(const char* /*temp*/) { reached_replace = bench::nowMicroseconds(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tavrel_write_bench <TavrelConfig.ini> [repetitions]\n");
        return 2;
    }
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 501;
    std::string dir;
    const std::string bytes = bench::enterScratchFolder(argv[1], "write-bench", dir);
    if (bytes.empty()) return 2;

    int status = 0;
    std::vector<double> step, before_replace, replace_only;
    const int values[2] = {90, 150};
    tavrel::host::testing::before_replace = &markReplace;
    for (int i = 0; i < reps + 5; ++i) {  // the first 5 warm up
        const int value = values[i % 2];
        const double start = bench::nowMicroseconds();
        tavrel::writeIntSetting("Vehicle", "lock_flash_interval", value);
        const double took = bench::nowMicroseconds() - start;
        if (i >= 5) before_replace.push_back(reached_replace - start);
        if (tavrel::readIntSetting("Vehicle", "lock_flash_interval") != value) {
            std::fprintf(stderr, "write %d did not land\n", i);
            status = 1;
        }
        if (i >= 5) step.push_back(took);
    }
    tavrel::host::testing::before_replace = nullptr;
    // The replace alone, with the file's whole bytes (no read, no edit).
    for (int i = 0; i < reps + 5; ++i) {
        std::string read;
        tavrel::host::FileStamp stamp;
        tavrel::host::readFile(tavrel::kIniPath, read, bytes.size() + 1, &stamp);
        const double start = bench::nowMicroseconds();
        const bool ok = tavrel::host::replaceFile(tavrel::kIniPath, bytes.data(), bytes.size(), stamp) ==
                        tavrel::host::ReplaceResult::Replaced;
        const double took = bench::nowMicroseconds() - start;
        if (!ok) status = 1;
        if (i >= 5) replace_only.push_back(took);
    }
    const bool left_nothing = bench::leaveScratchFolder(dir);  // false if a temporary file stayed

    std::printf("one menu step's write, %zu-byte file, %d repetitions\n", bytes.size(), reps);
    bench::printSpread("writeIntSetting (read, set one key, replace)", step);
    bench::printSpread("  of which up to the put-in-place step", before_replace);
    bench::printSpread("replaceFile alone (no read, no edit)", replace_only);
    if (!left_nothing) {
        std::fprintf(stderr, "files were left in %s\n", dir.c_str());
        status = 1;
    }
    std::printf(status ? "some writes failed (above)\n" : "every write landed\n");
    return status;
}
