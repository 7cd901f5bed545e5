// What the store's one-read full load saves over a profile call per key:
// loadSettings + normaliseSettings on a complete INI file, against the 84
// GetPrivateProfileIntA / GetPrivateProfileStringA calls of the full load,
// in load order, on the same file. Prints medians; asserts no budget.
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
};

// The full load's reads, in order; number 38 is the one string read.
constexpr Read kFullLoad[] = {
    {"Vehicle", "current_player_vehicle_blip"},
    {"Vehicle", "current_player_vehicle_persistent"},
    {"Keys", "lock"},
    {"Keys", "unlock"},
    {"Animation", "animation"},
    {"Vehicle", "light_multiplier"},
    {"Vehicle", "engine_on_after_unlocking"},
    {"Vehicle", "light_notification"},
    {"Vehicle", "can_leave_while_locked"},
    {"Vehicle", "headlights_at_movement"},
    {"Vehicle", "use_players_last_vehicle"},
    {"Vehicle", "nearby_peds_value"},
    {"Vehicle", "unbreakable_locks"},
    {"Vehicle", "unbreakable_locks_for_player"},
    {"Vehicle", "interior_lights"},
    {"Vehicle", "open_doors_at_unlock_while_inside"},
    {"Vehicle", "alter_roof_on_convertibles"},
    {"Vehicle", "number_of_lock_flashes"},
    {"Vehicle", "number_of_unlock_flashes"},
    {"Vehicle", "lock_flash_interval"},
    {"Vehicle", "unlock_flash_interval"},
    {"Vehicle", "shut_doors_instantly"},
    {"Vehicle", "notification_sound_signal"},
    {"Vehicle", "notification_sound_interval"},
    {"Vehicle", "horn_duration"},
    {"Vehicle", "notification_sound_times_when_locking"},
    {"Vehicle", "notification_sound_times_when_unlocking"},
    {"Vehicle", "neon_lights"},
    {"Vehicle", "make_vehicle_belong_to_player"},
    {"Vehicle", "color_changer_speed_base_value"},
    {"Vehicle", "color_changer_primary_color_speed"},
    {"Vehicle", "color_changer_secondary_color_speed"},
    {"Vehicle", "vehicle_speed_multiplier_value"},
    {"Vehicle", "neon_affects_all_cars"},
    {"Vehicle", "color_change_can_pause"},
    {"Controller", "activate_controller"},
    {"Vehicle", "set_plate_text_on"},
    {"Vehicle", "set_vehicle_license_plate_text"},
    {"Vehicle", "headlights_when_locking"},
    {"Vehicle", "neon_notification"},
    {"Vehicle", "neon_default_color"},
    {"Vehicle", "horn_type_index"},
    {"Vehicle", "radio_station_index"},
    {"Vehicle", "max_distance_to_vehicle"},
    {"Vehicle", "max_distance_to_vehicle_from_ground"},
    {"Vehicle", "remote_control_fob_sound"},
    {"Vehicle", "loud_radio_on"},
    {"Vehicle", "radio_channel_index"},
    {"Keys", "lock_2_optional"},
    {"Keys", "unlock_2_optional"},
    {"Keys", "menu_toggle_switch"},
    {"Keys", "menu_toggle_switch_2"},
    {"Keys", "menu_up"},
    {"Keys", "menu_down"},
    {"Keys", "menu_left"},
    {"Keys", "menu_right"},
    {"Keys", "menu_select"},
    {"Keys", "menu_back"},
    {"Keys", "menu_back2"},
    {"Vehicle", "open_door_front_left"},
    {"Vehicle", "open_door_front_right"},
    {"Vehicle", "open_door_back_left"},
    {"Vehicle", "open_door_back_right"},
    {"Vehicle", "open_door_hood"},
    {"Vehicle", "open_door_trunk"},
    {"Vehicle", "open_door_back1"},
    {"Vehicle", "open_door_back2"},
    {"Controller", "controller_lock_1_of_2"},
    {"Controller", "controller_lock_2_of_2"},
    {"Controller", "controller_unlock_1_of_2"},
    {"Controller", "controller_unlock_2_of_2"},
    {"Controller", "controller_menu_toggle_switch_1_of_2"},
    {"Controller", "controller_menu_toggle_switch_2_of_2"},
    {"Controller", "controller_menu_up"},
    {"Controller", "controller_menu_down"},
    {"Controller", "controller_menu_left"},
    {"Controller", "controller_menu_right"},
    {"Controller", "controller_menu_select"},
    {"Controller", "controller_menu_back"},
    {"Menu", "game_input_disabled_while_menu_is_open"},
    {"Vehicle", "roll_down_windows_upon_unlock"},
    {"Vehicle", "roll_up_windows_upon_lock"},
    {"Vehicle", "sequential_neon_lights"},
    {"Vehicle", "allow_interior_lights_when_outside_locked"},
};
static_assert(std::size(kFullLoad) == 84);
constexpr std::size_t kPlateRead = 37;  // index of read 38
constexpr const char* kPlateDefault = "Error: GPPS failed";
constexpr const char* kIni = ".\\TavrelConfig.ini";

// The 84 calls; the values land in `out` (the plate text's length for 38).
void profileCalls(std::int32_t* out) {
    char plate[tavrel::kPlateTextSize];
    for (std::size_t i = 0; i < std::size(kFullLoad); ++i) {
        const Read& r = kFullLoad[i];
        if (i == kPlateRead) {
            out[i] = static_cast<std::int32_t>(
                GetPrivateProfileStringA(r.section, r.key, kPlateDefault, plate, sizeof plate, kIni));
        } else {
            out[i] = static_cast<std::int32_t>(GetPrivateProfileIntA(r.section, r.key, -1, kIni));
        }
    }
}

// The same 84 reads through the store, for the agreement check.
void storeReads(std::int32_t* out) {
    tavrel::ini::IniDocument doc;
    tavrel::ini::loadIniFile(kIni, doc);
    char plate[tavrel::kPlateTextSize];
    for (std::size_t i = 0; i < std::size(kFullLoad); ++i) {
        const Read& r = kFullLoad[i];
        if (i == kPlateRead) {
            out[i] = static_cast<std::int32_t>(
                tavrel::ini::getProfileString(doc, r.section, r.key, kPlateDefault, plate, sizeof plate));
        } else {
            out[i] = tavrel::ini::getProfileInt(doc, r.section, r.key, -1);
        }
    }
}

void storeLoad() {
    tavrel::loadSettings();
    tavrel::normaliseSettings();
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
    std::int32_t system_values[84], store_values[84];
    profileCalls(system_values);
    storeReads(store_values);
    for (std::size_t i = 0; i < 84; ++i) {
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
    bench::printSpread("store: loadSettings + normaliseSettings", store_old);
    bench::printSpread("84 profile calls, file unchanged (Wine's cache)", calls_old);
    bench::printSpread("store, file written just now", store_fresh);
    bench::printSpread("84 profile calls, file written just now (re-parse)", calls_fresh);
    std::printf("  ratio of medians, calls / store: %.1fx with Wine's cache, %.1fx re-parsing at every call\n",
                bench::median(calls_old) / bench::median(store_old),
                bench::median(calls_fresh) / bench::median(store_fresh));
    std::printf(status ? "the two read different values (above)\n" : "the 84 values read agree\n");
    return status;
}
