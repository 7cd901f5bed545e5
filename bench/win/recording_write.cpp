// What writing the flight recording costs (Tavrel.rec, at a halt, at the
// unload, on the player's key): a full ring of the default 8 MB, written by
// the recorder and the Windows file layer Tavrel.asi links (tavrel_core,
// tavrel_win). The ring is filled with clock reads; each repetition writes
// it anew. Prints the median and spread; the budget is at most 50 ms.
//
//   WINEDEBUG=-all /usr/lib/wine/wine64 build/mingw/win/test/tavrel_recording_write_bench.exe [repetitions]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "../../win/test/bench_support.h"
#include "host/host_abi.h"
#include "host/recorder.h"

int main(int argc, char** argv) {
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const std::string folder = ".\\recording-bench-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(folder.c_str(), nullptr) || !SetCurrentDirectoryA(folder.c_str())) {
        std::fprintf(stderr, "cannot work in %s\n", folder.c_str());
        return 2;
    }
    std::vector<double> writes;
    std::size_t bytes = 0;
    int status = 0;
    for (int i = 0; i < reps + 1; ++i) {  // the first warms up
        tavrel::host::beginRecording();
        // A clock read is a record of a few bytes: well over the ring's 8 MB.
        for (int k = 0; k < 3000000; ++k) tavrel::host::getTickCount();
        const double start = bench::nowMicroseconds();
        tavrel::host::endRecording();
        const double took = bench::nowMicroseconds() - start;
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!tavrel::host::testing::lastSaveWritten() ||
            !GetFileAttributesExA("Tavrel.rec", GetFileExInfoStandard, &data)) {
            std::fprintf(stderr, "repetition %d wrote no Tavrel.rec\n", i);
            status = 1;
            continue;
        }
        bytes = data.nFileSizeLow;
        if (i > 0) writes.push_back(took);
    }
    DeleteFileA("Tavrel.rec");
    SetCurrentDirectoryA("..");
    RemoveDirectoryA(folder.c_str());
    if (writes.empty()) return 1;
    std::printf("writing the flight recording, %zu bytes, %d repetitions\n", bytes, reps);
    bench::printSpread("Tavrel.rec written (checksums, pieces, rename)", writes);
    const double median = bench::median(writes) / 1000.0;
    std::printf("median %.1f ms: %s the budget of 50 ms\n", median, median <= 50.0 ? "within" : "OVER");
    return status != 0 ? status : (median <= 50.0 ? 0 : 1);
}
