// What the benchmarks under Wine share: a microsecond clock, the spread of a
// set of timings, and a scratch folder holding a copy of an INI file, so a
// run never touches the file it was given.
#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace bench {

inline double nowMicroseconds() {
    static const double per_us = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1e6;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / per_us;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

inline double quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1))];
}

// One line: median, 10th and 90th percentiles and the largest, in µs.
inline void printSpread(const char* what, const std::vector<double>& v) {
    std::printf("  %-52s median %9.1f us   p10 %9.1f   p90 %9.1f   max %9.1f\n", what, median(v), quantile(v, 0.1),
                quantile(v, 0.9), quantile(v, 1.0));
}

// Reads `ini_path` whole and works from then on in a new folder
// .\<prefix>-<process id> that holds a copy of it as TavrelConfig.ini.
// Returns the file's bytes; empty (with a message) when either step fails.
// `folder` receives the scratch folder's name, for leaveScratchFolder.
inline std::string enterScratchFolder(const char* ini_path, const char* prefix, std::string& folder) {
    std::ifstream in(ini_path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", ini_path);
        return {};
    }
    folder = std::string(".\\") + prefix + "-" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(folder.c_str(), nullptr) || !SetCurrentDirectoryA(folder.c_str())) {
        std::fprintf(stderr, "cannot work in %s\n", folder.c_str());
        return {};
    }
    std::ofstream out("TavrelConfig.ini", std::ios::binary);
    out << bytes;
    return bytes;
}

// Deletes the copy and the folder; false when anything else was left in it.
inline bool leaveScratchFolder(const std::string& folder) {
    DeleteFileA("TavrelConfig.ini");
    SetCurrentDirectoryA("..");
    return RemoveDirectoryA(folder.c_str()) != 0;
}

}  // namespace bench
