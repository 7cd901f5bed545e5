// What one menu step's write costs on the game thread: writeIntSetting (the
// menu's write of one key: the file read, the key set, the file replaced
// through the Windows store) on a copy of the shipped TavrelConfig.ini,
// alternating between two values so every write changes the file. The store
// here is the same object code Tavrel.asi links (tavrel_win, tavrel_core).
// Prints the median and spread; checks every write landed; asserts no
// budget (the budget, under 1 ms median, is read off the output).
// Also printed: the share before the put-in-place step (read, edit, the
// temporary file written; timed through the store's test seam; the rest is
// ReplaceFileW and the old file's deletion), and replaceFile alone with the
// file's whole bytes.
//
// Wine's file calls each go through its server, so the numbers move with the
// machine's load; its ReplaceFileW, a sequence of renames, costs the most.
//
//   tavrel_write_bench <TavrelConfig.ini> [repetitions]
//   e.g. WINEDEBUG=-all /usr/lib/wine/wine64 build/mingw/win/test/tavrel_write_bench.exe dist/TavrelConfig.ini
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/persistence.h"
#include "host/host_file.h"

namespace {

double nowMicroseconds() {
    static const double per_us = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / per_us;
}

double quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

void line(const char* what, const std::vector<double>& v) {
    std::printf("  %-44s median %8.1f us   p10 %8.1f   p90 %8.1f   max %8.1f\n", what, quantile(v, 0.5),
                quantile(v, 0.1), quantile(v, 0.9), quantile(v, 1.0));
}

// When the store reached the put-in-place step (the test seam runs right before it).
double reached_replace = 0;
void markReplace(const char* /*temp*/) { reached_replace = nowMicroseconds(); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tavrel_write_bench <TavrelConfig.ini> [repetitions]\n");
        return 2;
    }
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 501;
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    const std::string dir = ".\\write-bench-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(dir.c_str(), nullptr) || !SetCurrentDirectoryA(dir.c_str())) {
        std::fprintf(stderr, "cannot work in %s\n", dir.c_str());
        return 2;
    }
    {
        std::ofstream out("TavrelConfig.ini", std::ios::binary);
        out << bytes;
    }

    int status = 0;
    std::vector<double> step, before_replace, replace_only;
    const int values[2] = {90, 150};
    tavrel::host::testing::before_replace = &markReplace;
    for (int i = 0; i < reps + 5; ++i) {  // the first 5 warm up
        const int value = values[i % 2];
        const double start = nowMicroseconds();
        tavrel::writeIntSetting("Vehicle", "lock_flash_interval", value);
        const double took = nowMicroseconds() - start;
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
        const double start = nowMicroseconds();
        const bool ok = tavrel::host::replaceFile(tavrel::kIniPath, bytes.data(), bytes.size());
        const double took = nowMicroseconds() - start;
        if (!ok) status = 1;
        if (i >= 5) replace_only.push_back(took);
    }
    DeleteFileA("TavrelConfig.ini");
    SetCurrentDirectoryA("..");
    const bool left_nothing = RemoveDirectoryA(dir.c_str()) != 0;  // fails if a temporary file stayed

    std::printf("one menu step's write, %zu-byte file, %d repetitions\n", bytes.size(), reps);
    line("writeIntSetting (read, set one key, replace)", step);
    line("  of which up to the put-in-place step", before_replace);
    line("replaceFile alone (no read, no edit)", replace_only);
    if (!left_nothing) {
        std::fprintf(stderr, "files were left in %s\n", dir.c_str());
        status = 1;
    }
    std::printf(status ? "some writes failed (above)\n" : "every write landed\n");
    return status;
}
