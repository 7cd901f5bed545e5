// What the store's one-read full load saves over a profile call per key:
// reloadSettings on a complete INI file, against the
// GetPrivateProfileIntA / GetPrivateProfileStringA calls of the full load
// (one per key it reads, 84 today), in load order, on the same file. Prints medians; asserts no budget.
//
// Wine keeps parsed files in a cache and re-parses one only when its write
// time changed or is under 2.1 s old; Windows keeps no cache and parses the
// file at every call. So the calls are timed twice: with the file's write
// time an hour old (Wine answers from its cache after the first call), and
// with it set to now before every load (Wine re-reads and re-parses the file
// at every call, as Windows does).
//
//   tavrel_ini_oracle_bench <complete INI file> [repetitions]
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "config/ini_store.h"
#include "config/persistence.h"
#include "config/settings.h"

namespace {

struct Read {
    const char* section;
    const char* key;
    bool text;  // the one string read (the plate text)
};

// The full load's reads in its order (every setting of the table the load
// reads), then the old key it reads and discards.
constexpr Read kFullLoad[] = {
#define TAVREL_BENCH_READ(kind, section, field, initial, read, rule) \
    TAVREL_BENCH_READ_##read(section, field)
#define TAVREL_BENCH_READ_Profile(section, field) {section, #field, false},
#define TAVREL_BENCH_READ_Setting(section, field) {section, #field, false},
#define TAVREL_BENCH_READ_Text(section, field) {section, #field, true},
#define TAVREL_BENCH_READ_Menu(section, field)
    TAVREL_SETTINGS_FIELDS(TAVREL_BENCH_READ)
#undef TAVREL_BENCH_READ
#undef TAVREL_BENCH_READ_Profile
#undef TAVREL_BENCH_READ_Setting
#undef TAVREL_BENCH_READ_Text
#undef TAVREL_BENCH_READ_Menu
    {"Vehicle", "radio_channel_index", false},
};
constexpr std::size_t kReads = std::size(kFullLoad);
constexpr const char* kPlateDefault = "Error: GPPS failed";
constexpr const char* kIni = ".\\TavrelConfig.ini";

// The profile calls; the values land in `out` (the plate text's length for
// the string read).
void profileCalls(std::int32_t* out) {
    char plate[tavrel::kPlateTextSize];
    for (std::size_t i = 0; i < std::size(kFullLoad); ++i) {
        const Read& r = kFullLoad[i];
        if (r.text) {
            out[i] = static_cast<std::int32_t>(
                GetPrivateProfileStringA(r.section, r.key, kPlateDefault, plate, sizeof plate, kIni));
        } else {
            out[i] = static_cast<std::int32_t>(GetPrivateProfileIntA(r.section, r.key, -1, kIni));
        }
    }
}

// The same reads through the store, for the agreement check.
void storeReads(std::int32_t* out) {
    tavrel::ini::IniDocument doc;
    tavrel::ini::loadIniFile(kIni, doc);
    char plate[tavrel::kPlateTextSize];
    for (std::size_t i = 0; i < std::size(kFullLoad); ++i) {
        const Read& r = kFullLoad[i];
        if (r.text) {
            out[i] = static_cast<std::int32_t>(
                tavrel::ini::getProfileString(doc, r.section, r.key, kPlateDefault, plate, sizeof plate));
        } else {
            out[i] = tavrel::ini::getProfileInt(doc, r.section, r.key, -1);
        }
    }
}

void storeLoad() {
    tavrel::reloadSettings();
}

// Sets the file's write time to now less `age_seconds`.
bool setWriteAge(double age_seconds) {
    const HANDLE h = CreateFileA(kIni, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t;
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart -= static_cast<unsigned long long>(age_seconds * 1e7);
    FILETIME when{t.LowPart, t.HighPart};
    const bool ok = SetFileTime(h, nullptr, nullptr, &when) != 0;
    CloseHandle(h);
    return ok;
}

template <typename Fn>
double timed(Fn&& fn) {
    const double start = bench::nowMicroseconds();
    fn();
    return bench::nowMicroseconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tavrel_ini_oracle_bench <complete INI file> [repetitions]\n");
        return 2;
    }
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 201;
    std::string dir;
    const std::string bytes = bench::enterScratchFolder(argv[1], "ini-bench", dir);
    if (bytes.empty()) return 2;
    int status = 0;
    std::int32_t system_values[kReads], store_values[kReads];
    profileCalls(system_values);
    storeReads(store_values);
    for (std::size_t i = 0; i < kReads; ++i) {
        if (system_values[i] != store_values[i]) {
            std::fprintf(stderr, "read %zu (%s/%s): profile call %d, store %d\n", i + 1, kFullLoad[i].section,
                         kFullLoad[i].key, system_values[i], store_values[i]);
            status = 1;
        }
    }

    std::vector<double> store_old, calls_old, store_fresh, calls_fresh;
    // Cached: the file an hour old, one call to fill Wine's cache.
    setWriteAge(3600);
    profileCalls(system_values);
    for (int i = 0; i < reps + 5; ++i) {  // the first 5 of each warm up
        const double a = timed(storeLoad);
        const double b = timed([&] { profileCalls(system_values); });
        if (i >= 5) {
            store_old.push_back(a);
            calls_old.push_back(b);
        }
    }
    // Re-parsed at every call: the write time set to now before each load.
    for (int i = 0; i < reps + 5; ++i) {
        setWriteAge(0);
        const double b = timed([&] { profileCalls(system_values); });
        setWriteAge(0);
        const double a = timed(storeLoad);
        if (i >= 5) {
            store_fresh.push_back(a);
            calls_fresh.push_back(b);
        }
    }
    bench::leaveScratchFolder(dir);

    std::printf("full settings load, %zu-byte file, %d repetitions each (code page %u)\n", bytes.size(), reps,
                GetACP());
    bench::printSpread("store: reloadSettings", store_old);
    const std::string calls = std::to_string(kReads) + " profile calls";
    bench::printSpread((calls + ", file unchanged (Wine's cache)").c_str(), calls_old);
    bench::printSpread("store, file written just now", store_fresh);
    bench::printSpread((calls + ", file written just now (re-parse)").c_str(), calls_fresh);
    std::printf("  ratio of medians, calls / store: %.1fx with Wine's cache, %.1fx re-parsing at every call\n",
                bench::median(calls_old) / bench::median(store_old),
                bench::median(calls_fresh) / bench::median(store_fresh));
    if (status) std::printf("the two read different values (above)\n");
    else std::printf("the %zu values read agree\n", kReads);
    return status;
}
