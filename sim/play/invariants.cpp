#include "sim/play/invariants.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "config/settings.h"
#include "host/natives.h"
#include "sim/scenario/ini_file.h"
#include "sim/world/joaat.h"

namespace tavrel::sim {

namespace {

namespace fs = std::filesystem;

constexpr const char* kIniName = "TavrelConfig.ini";
constexpr const char* kLogNames[] = {"Tavrel.log", "Tavrel.log.old"};
constexpr const char* kRecordingName = "Tavrel.rec";  // the flight recorder's file
constexpr std::uint32_t kKeyHeldMs = 5000;      // a key-down counts as held this long
constexpr std::uint32_t kHotkeyGuardMs = 1000;  // one hotkey request a second
constexpr std::uint32_t kComboGuardMs = 500;
constexpr std::uint32_t kMenuReleaseMs = 100;   // a release is taken this long after
// Longest honest answer to a request, in ms with the lock tick free to run:
// the 1000 ms delay on foot, three asset waits of 5 s that give up, slack.
constexpr std::uint32_t kAnswerMs = 1000 + 3 * 5000 + 2000;
// The weapon comes back 130 ms after a gesture of at most 2000 ms, which may
// start after asset waits that give up.
constexpr std::uint32_t kWeaponBackMs = 2000 + 130 + 3 * 5000 + 2000;
constexpr int kDefaultLockKey = 0x4C;
constexpr int kDefaultUnlockKey = 0x55;
constexpr int kDefaultMenuKey = 0x78;
constexpr std::uint32_t kFobModel = joaat("lr_prop_carkey_fob");
constexpr std::uint32_t kUnarmed = joaat("WEAPON_UNARMED");

bool elapsed(std::uint32_t since, std::uint32_t ms, std::uint32_t now) { return now - since > ms; }

// A [Misc] switch of the file's text (write_log, recorder_kb) is on unless
// it reads as 0: a missing key or file leaves it on.
bool miscSwitchOn(const std::string& text, const char* key) {
    const auto value = iniKeyText(text, "Misc", key);
    return !value || value->empty() || std::strtol(value->c_str(), nullptr, 0) != 0;
}

bool contains(const std::vector<int>& list, int value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// The key of a "key=value" line in lower case, or empty.
std::string keyOf(std::string_view line) {
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() == '[' || t.front() == ';') return {};
    const auto eq = t.find('=');
    if (eq == std::string_view::npos || eq == 0) return {};
    std::string key(trimmed(t.substr(0, eq)));
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

const char* kindName(bool lock) { return lock ? "lock" : "unlock"; }

}  // namespace

const std::vector<std::string>& invariantNames() {
    static const std::vector<std::string> names = {
        "no-fault",        "one-fob",    "blip-tracked", "weapon-back", "request-taken", "request-answered",
        "no-stray-action", "lock-state", "neon-restored", "ini-whole",  "ini-kept",      "no-new-file",
        "no-stranger"};
    return names;
}

bool isInvariantName(const std::string& name) {
    const auto& names = invariantNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string iniWholeWrite(const std::string& before, const std::string& after) {
    if (before == after) return {};
    if (after.empty()) return "the file was emptied";
    if (after.back() != '\n') return "the file ends inside a line";
    const std::vector<std::string> old_lines = linesOf(before);
    const std::vector<std::string> new_lines = linesOf(after);
    std::size_t j = 0;
    for (std::size_t i = 0; i < old_lines.size(); ++i) {
        const std::string& line = old_lines[i];
        std::size_t k = j;
        while (k < new_lines.size() && new_lines[k] != line) ++k;
        if (k == new_lines.size()) {
            const std::string key = keyOf(line);
            k = j;
            while (!key.empty() && k < new_lines.size() && keyOf(new_lines[k]) != key) ++k;
            if (key.empty() || k == new_lines.size()) {
                return "line " + std::to_string(i + 1) + " of the earlier version (\"" + line + "\") is gone";
            }
        }
        j = k + 1;
    }
    return {};
}

InvariantMonitor::InvariantMonitor(Simulator& sim, fs::path folder)
    : sim_(sim), folder_(std::move(folder)), ini_(folder_ / kIniName) {
    sim_.setObserver(this);
}

InvariantMonitor::~InvariantMonitor() {
    // The simulator may be gone already (a scenario file's monitor outlives its run).
    if (Simulator::current() == &sim_) sim_.setObserver(nullptr);
}

void InvariantMonitor::fail(const std::string& name, const std::string& message) {
    if (violation_) return;
    violation_ = Violation{name, message, sim_.now(), sim_.frame()};
}

void InvariantMonitor::beforeStart() {
    old_props_.clear();
    for (const SimProp& p : sim_.world().props) old_props_.push_back(p.handle);
    old_blips_.clear();
    for (const SimBlip& b : sim_.world().blips) old_blips_.push_back(b.handle);
    // A fresh load: its records are zero (the input guard at tick 0) and it
    // tracks no car.
    guard_tick_ = 0;
    guard_from_frame_ = false;
    tracked_ = 0;
    action_open_ = false;
    save_reads_ = 4;
    saved_for_ = 0;
    keys_ = {};
    menu_key_released_ = false;
}

void InvariantMonitor::beforeUnload() {
    // No shutdown path: what was pending is dropped with the scripts.
    open_requests_.clear();
    weapon_away_ = false;
}

bool InvariantMonitor::keyHeld(int vk, std::uint32_t tick) const {
    if (vk < 0 || vk >= 255) return false;
    const KeyEntry& e = keys_[static_cast<std::size_t>(vk)];
    return e.down && !elapsed(e.tick, kKeyHeldMs - 1, tick);
}

bool InvariantMonitor::bindingHeld(int key, int second, int fallback, std::uint32_t tick) const {
    if (key == -1) return keyHeld(fallback, tick);
    if (key < 0) return false;
    if (second == -1) return keyHeld(key, tick);
    return keyHeld(key, tick) && keyHeld(second, tick);
}

std::optional<InvariantMonitor::Kind> InvariantMonitor::heldRequest(std::uint32_t tick, bool& combo,
                                                                   bool guarded) const {
    // The hotkey test runs before a request reloads the settings.
    const Bindings& s = bindings_;
    const auto control = [&](int id, bool just) {
        const auto it = sim_.world().controls.find(id);
        if (it == sim_.world().controls.end()) return false;
        return just ? it->second.just_pressed : it->second.pressed;
    };
    const bool keys_free = !guarded || elapsed(guard_tick_, kHotkeyGuardMs, tick);
    const bool combo_free = (!guarded || elapsed(guard_tick_, kComboGuardMs, tick)) && s.activate_controller;
    combo = false;
    if (keys_free && bindingHeld(s.lock, s.lock_2_optional, kDefaultLockKey, tick)) return Kind::Lock;
    if (combo_free && control(s.controller_lock_1_of_2, false) && control(s.controller_lock_2_of_2, true)) {
        combo = true;
        return Kind::Lock;
    }
    if (keys_free && bindingHeld(s.unlock, s.unlock_2_optional, kDefaultUnlockKey, tick)) return Kind::Unlock;
    if (combo_free && control(s.controller_unlock_1_of_2, false) && control(s.controller_unlock_2_of_2, true)) {
        combo = true;
        return Kind::Unlock;
    }
    return std::nullopt;
}

// Whether a car qualifies for a lock or unlock now, by the choice rules: the
// last vehicle, the vehicle the player is in or getting into, or an eligible
// one within the distance limits. A car within a metre of a limit does not
// count: "no car in range" is given the benefit of the doubt there.
bool InvariantMonitor::carInRange() {
    World& w = sim_.world();
    const Settings& s = pluginSettings();
    if (s.use_players_last_vehicle) {
        const SimVehicle* last = w.vehicle(w.player.last_vehicle);
        return last != nullptr && last->driveable;  // the game forgets a destroyed one
    }
    // Seated, climbing in, or tugging at a locked door: that car.
    const int player = w.player.handle;
    if (w.vehicleOf(player) != 0 || w.climbingInto(player) != 0 || w.atLockedDoor(player)) return true;
    const Vec3 p = w.player.pos;
    for (const auto& [id, v] : w.vehicles) {
        if (!v.driveable || v.kind == VehicleKind::Jetski || v.kind == VehicleKind::Train ||
            v.kind == VehicleKind::Other) {
            continue;
        }
        const float dx = v.pos.x - p.x, dy = v.pos.y - p.y, dz = v.pos.z - p.z;
        const float limit = static_cast<float>(s.max_distance_to_vehicle) - 1.0f;
        const float height = v.ground_known ? v.pos.z - (v.ground - v.water_depth) : 0.0f;
        const bool afloat = v.kind == VehicleKind::Boat;  // no height limit
        if (dx * dx + dy * dy + dz * dz <= limit * limit &&
            (afloat || (height <= static_cast<float>(s.max_distance_to_vehicle_from_ground) - 1.0f && height >= 0.0f))) {
            return true;
        }
    }
    return false;
}

void InvariantMonitor::onFrameStart(std::uint32_t /*tick*/) {
    const Settings& s = pluginSettings();
    bindings_ = Bindings{s.lock,
                         s.unlock,
                         s.lock_2_optional,
                         s.unlock_2_optional,
                         s.activate_controller,
                         s.controller_lock_1_of_2,
                         s.controller_lock_2_of_2,
                         s.controller_unlock_1_of_2,
                         s.controller_unlock_2_of_2,
                         s.menu_toggle_switch};
    after_arrest_test_ = false;
    tick_ran_ = false;
    request_taken_ = false;
    taken_kind_.reset();
    restore_seen_ = false;
    restore_vehicle_ = 0;
    frame_actions_.clear();
    const FileStamp stamp = stampOf();
    if (!(stamp == known_stamp_) || !base_valid_) {
        // Changed between frames: the scenario's own version.
        base_text_ = stamp.exists ? readIni() : std::string();
        base_valid_ = true;
        known_stamp_ = stamp;
        switches_stale_ = true;
    }
    start_stamp_ = stamp;
    if (switches_stale_) {
        log_on_ = miscSwitchOn(base_text_, "write_log");
        recorder_on_ = miscSwitchOn(base_text_, "recorder_kb");
        switches_stale_ = false;
    }
    std::error_code error;
    const auto folder_time = fs::last_write_time(folder_, error);
    if (!error && (!folder_known_ || folder_time != folder_time_)) {
        folder_time_ = folder_time;
        folder_known_ = true;
        folder_names_ = folderNames();
    }
}

std::vector<std::string> InvariantMonitor::folderNames() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

void InvariantMonitor::mix(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        digest_ ^= (value >> (8 * i)) & 0xFF;
        digest_ *= 1099511628211ULL;
    }
}

void InvariantMonitor::onCall(const NativeInfo& native, const std::uint64_t* args, bool mainFibre) {
    const std::uint64_t hash = native.hash;
    World& w = sim_.world();
    mix(hash);
    for (int i = 0; i < native.argc; ++i) {
        if (native.kinds[i] == ParamKind::Text) {
            const auto* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(args[i]));
            for (; text != nullptr && *text != 0; ++text) mix(static_cast<unsigned char>(*text));
        } else if (native.kinds[i] == ParamKind::Pointer) {
            mix(args[i] != 0 ? 1 : 0);
        } else {
            mix(static_cast<std::uint32_t>(args[i]));
        }
    }
    const auto arg = [args](int i) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(args[i])); };
    if (hash == nat::GET_SELECTED_PED_WEAPON && arg(0) == w.player.handle) {
        // A gesture puts the weapon away right after asking which one is held.
        weapon_asked_ = true;
        weapon_selected_ = w.player.weapon;
    } else if (hash == nat::SET_CURRENT_PED_WEAPON && arg(0) == w.player.handle) {
        const auto weapon = static_cast<std::uint32_t>(args[1]);
        if (weapon_asked_ && weapon == kUnarmed) {
            if (!weapon_away_) {
                weapon_saved_ = weapon_selected_;
                weapon_away_ = true;
            }
            weapon_alive_ms_ = 0;
        } else if (weapon_away_) {
            ++checks_;
            if (weapon != weapon_saved_) {
                fail("weapon-back", "the weapon " + std::to_string(weapon_saved_) + " was put away and " +
                                        std::to_string(weapon) + " given back");
            }
            weapon_away_ = false;
        }
        weapon_asked_ = false;
    }
    if (!mainFibre) return;
    const bool arrest_test_before = after_arrest_test_;
    after_arrest_test_ = hash == nat::IS_PLAYER_BEING_ARRESTED;
    if (hash == nat::PLAYER_PED_ID && arrest_test_before) {
        tick_ran_ = true;  // past the dead/arrested wait: the hotkeys are served this frame
    } else if (hash == nat::IS_PED_GETTING_INTO_A_VEHICLE) {
        // The dispatcher took a request (its refusal test comes first).
        const std::uint32_t tick = sim_.now();
        bool combo = false;
        // The guard as seen here may be later than the plug-in's: not asked.
        const std::optional<Kind> kind = heldRequest(tick, combo, false);
        request_taken_ = true;
        ++requests_;
        ++checks_;
        if (!kind) {
            fail("no-stray-action", "a request was taken at tick " + std::to_string(tick) +
                                        " with no lock or unlock key or combo held");
            return;
        }
        taken_kind_ = kind;
        guard_tick_ = tick;
        guard_from_frame_ = true;
        // Getting in (either stage), only an unlock at a door its lock keeps shut goes ahead.
        const bool getting_in = w.enteringOf(w.player.handle) != 0;
        const bool refused = getting_in && (*kind == Kind::Lock || !w.atLockedDoor(w.player.handle));
        if (!refused) open_requests_.push_back(Request{*kind, tick, 0, false});
    } else if (hash == nat::SET_VEHICLE_MOD_KIT) {
        action_open_ = true;
        action_vehicle_ = arg(0);
        tracked_ = arg(0);
        save_vehicle_ = arg(0);
        save_reads_ = 0;
    } else if (hash == nat::SET_VEHICLE_DOORS_LOCKED && action_open_ && arg(0) == action_vehicle_) {
        action_open_ = false;
        const Kind kind = arg(1) == 0 ? Kind::Unlock : Kind::Lock;
        ++actions_;
        ++checks_;
        frame_actions_.emplace_back(arg(0), kind);
        // An action in the frame its request was taken is served at once: it
        // answers every request still open (the waiting ones are dropped);
        // a delayed one answers those of its kind.
        const bool at_once = request_taken_ && taken_kind_ == kind;
        const std::size_t open = open_requests_.size();
        if (at_once) open_requests_.clear();
        const auto served =
            at_once ? open : std::erase_if(open_requests_, [kind](const Request& r) { return r.kind == kind; });
        if (served == 0) {
            fail("no-stray-action", std::string("a ") + kindName(kind == Kind::Lock) + " of car handle " +
                                        std::to_string(arg(0)) + " at tick " + std::to_string(sim_.now()) +
                                        " that no request asked for");
        }
        std::erase_if(last_action_, [&](const auto& entry) { return entry.first == arg(0); });
        last_action_.emplace_back(arg(0), kind);
    } else if (hash == nat::GET_VEHICLE_NEON_ENABLED) {
        if (save_reads_ < 4 && arg(0) == save_vehicle_ && arg(1) == save_reads_) {
            const SimVehicle* v = w.vehicle(arg(0));
            saved_neon_[static_cast<std::size_t>(save_reads_)] = v != nullptr && v->neon[static_cast<std::size_t>(save_reads_)];
            if (++save_reads_ == 4) saved_for_ = save_vehicle_;
        }
    } else if (hash == nat::SET_VEHICLE_BRAKE_LIGHTS) {
        save_reads_ = 4;  // a flash step or a restore: the save, if any, is over
        if (arg(1) == 0) {
            restore_seen_ = true;
            restore_vehicle_ = arg(0);
            restore_sides_ = 0;
        }
    } else if (hash == nat::SET_VEHICLE_NEON_ENABLED && restore_seen_ && restore_vehicle_ == arg(0) &&
               restore_sides_ < 4) {
        // The restore puts back sides 0 to 3 as they were saved; the upkeep
        // may change them later in the same tick, by its own rules.
        const int side = restore_sides_++;
        if (saved_for_ != restore_vehicle_ || saved_for_ == 0) return;
        ++checks_;
        static const char* const names[] = {"left", "right", "front", "back"};
        if (arg(1) != side) {
            fail("neon-restored", "the restore after a flash series set neon side " + std::to_string(arg(1)) +
                                      " where side " + std::to_string(side) + " was due");
        } else if ((arg(2) != 0) != saved_neon_[static_cast<std::size_t>(side)]) {
            fail("neon-restored", std::string("after a flash series the ") + names[side] + " neon of car handle " +
                                      std::to_string(restore_vehicle_) + " was set " + (arg(2) != 0 ? "on" : "off") +
                                      ", saved " + (saved_neon_[static_cast<std::size_t>(side)] ? "on" : "off"));
        }
    }
}

void InvariantMonitor::onKey(const KeyMessage& message) {
    mix(message.tick);
    mix(message.key | (message.is_up_now ? 0x10000u : 0u));
    if (message.key >= 255) return;
    keys_[message.key] = KeyEntry{message.tick, !message.is_up_now};
    if (message.key == kDefaultMenuKey && message.is_up_now) {
        menu_key_release_ = message.tick;
        menu_key_released_ = true;
    }
}

void InvariantMonitor::checkRequests(std::uint32_t tick) {
    ++checks_;
    if (guard_from_frame_ && !request_taken_) {
        // The dispatcher stamps the guard again when it resumes after its last
        // yield (asset waits come before it): in the frame before the lock
        // tick starts again.
        if (tick_ran_) guard_from_frame_ = false;
        else guard_tick_ = tick;
    }
    if (!sim_.started()) return;
    if (tick_ran_ && !request_taken_) {
        bool combo = false;
        const std::optional<Kind> kind = heldRequest(tick, combo, true);
        const Bindings& s = bindings_;
        // The menu toggle on its default key stamps the guard when the menu
        // takes the release, within 100 ms of it.
        const bool menu_guard = menu_key_released_ && (s.menu_toggle_switch == -1 || s.menu_toggle_switch == 0) &&
                                !elapsed(menu_key_release_, kMenuReleaseMs + (combo ? kComboGuardMs : kHotkeyGuardMs) +
                                                                2 * sim_.frameMs(), tick);
        if (kind && !menu_guard) {
            fail("request-taken", std::string("the ") + kindName(*kind == Kind::Lock) + (combo ? " combo" : " key") +
                                      " was held at tick " + std::to_string(tick) + " past the input guard (stamped at " +
                                      std::to_string(guard_tick_) + ") while the lock tick ran, and no request was taken");
        }
    }
    const World& w = sim_.world();
    const bool alive = !w.player.dead && !w.player.arrested;
    const std::uint32_t dt = have_tick_ ? tick - last_tick_ : sim_.frameMs();
    const bool no_car = !open_requests_.empty() && !carInRange();
    for (Request& r : open_requests_) {
        if (alive) r.alive_ms += dt;
        if (no_car) r.no_car_seen = true;
    }
    for (const Request& r : open_requests_) {
        if (r.alive_ms <= kAnswerMs) continue;
        if (r.no_car_seen) continue;  // refused: no car in range
        fail("request-answered", std::string("the ") + kindName(r.kind == Kind::Lock) + " request taken at tick " +
                                     std::to_string(r.tick) + " was neither served nor refused within " +
                                     std::to_string(kAnswerMs) + " ms of play, with a car in range");
    }
    std::erase_if(open_requests_, [](const Request& r) { return r.alive_ms > kAnswerMs; });
}

void InvariantMonitor::checkWorld() {
    World& w = sim_.world();
    checks_ += 3;
    if (!sim_.faults().empty()) {
        const Fault& f = sim_.faults().front();
        fail("no-fault", "tick " + std::to_string(f.tick) + ", " + f.fibre + ": " + f.message);
    }
    int fobs = 0;
    for (const SimProp& p : w.props) {
        if (p.model == kFobModel && !contains(old_props_, p.handle)) ++fobs;
    }
    if (fobs > 1) fail("one-fob", std::to_string(fobs) + " fob props in the world");
    for (const auto& [id, p] : w.peds) {
        if (p.created) fail("no-stranger", "the game seated a character (" + std::to_string(id) + ") the plug-in asked about");
    }
    for (const SimBlip& b : w.blips) {
        if (contains(old_blips_, b.handle) || !w.exists(b.entity) || b.entity == tracked_) continue;
        fail("blip-tracked", "a blip on handle " + std::to_string(b.entity) + " while the tracked car is " +
                                 std::to_string(tracked_));
    }
    if (tracked_ != 0) {
        ++checks_;
        const SimVehicle* v = w.vehicle(tracked_);
        const auto last = std::find_if(last_action_.begin(), last_action_.end(),
                                       [this](const auto& entry) { return entry.first == tracked_; });
        if (v != nullptr && last != last_action_.end()) {
            const bool locked = v->lock >= 2;
            if (locked != (last->second == Kind::Lock)) {
                fail("lock-state", "the tracked car (handle " + std::to_string(tracked_) + ") has lock " +
                                       std::to_string(v->lock) + " after a " + kindName(last->second == Kind::Lock));
            }
        }
    }
    if (weapon_away_) {
        ++checks_;
        if (!w.player.dead && !w.player.arrested && sim_.started()) weapon_alive_ms_ += sim_.frameMs();
        if (weapon_alive_ms_ > kWeaponBackMs) {
            fail("weapon-back", "the weapon put away for a gesture was not given back within " +
                                    std::to_string(kWeaponBackMs) + " ms of play");
        }
    }
}

void InvariantMonitor::checkNeon() {
    if (!restore_seen_) return;
    ++checks_;
    if (restore_sides_ < 4 && restore_vehicle_ == saved_for_ && saved_for_ != 0) {
        fail("neon-restored", "after a flash series only " + std::to_string(restore_sides_) +
                                  " of the 4 neon sides of car handle " + std::to_string(restore_vehicle_) +
                                  " were put back");
    }
}

// One system call a look (this runs twice a frame): std::filesystem would
// make one for the type, one for the size and one for the time.
InvariantMonitor::FileStamp InvariantMonitor::stampOf() const {
    FileStamp stamp;
#ifdef _WIN32
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(ini_.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return stamp;
    }
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.time = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                 data.ftLastWriteTime.dwLowDateTime;
    stamp.read_only = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
#else
    struct stat st {};
    if (::stat(ini_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return stamp;
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.time = static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u + static_cast<std::uint64_t>(st.st_mtim.tv_nsec);
    stamp.read_only = (st.st_mode & S_IWUSR) == 0;
#endif
    stamp.exists = true;
    return stamp;
}

std::string InvariantMonitor::readIni() const {
    std::ifstream in(ini_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void InvariantMonitor::checkFolder() {
    checks_ += 3;
    const FileStamp stamp = stampOf();
    if (!(stamp == start_stamp_)) {
        if (!start_stamp_.exists && stamp.exists) fail("ini-kept", "the plug-in created the INI file");
        if (start_stamp_.read_only && start_stamp_.exists) fail("ini-kept", "the plug-in changed the read-only INI file");
        const std::string text = stamp.exists ? readIni() : std::string();
        if (stamp.exists) {
            const std::string why = iniWholeWrite(base_text_, text);
            if (!why.empty()) fail("ini-whole", why);
        }
        base_text_ = text;
        known_stamp_ = stamp;
        switches_stale_ = true;  // read at the next frame's start
    }
    std::error_code error;
    const auto folder_time = fs::last_write_time(folder_, error);
    if (error || (folder_known_ && folder_time == folder_time_)) return;
    for (const std::string& name : folderNames()) {
        if (name == kIniName || std::find(folder_names_.begin(), folder_names_.end(), name) != folder_names_.end()) continue;
        if ((log_on_ && std::find(std::begin(kLogNames), std::end(kLogNames), name) != std::end(kLogNames)) ||
            (recorder_on_ && name == kRecordingName)) {
            folder_names_.push_back(name);  // this load's log or flight recording
            continue;
        }
        fail("no-new-file", "the folder holds " + name + " after the frame, made by the plug-in");
    }
}

void InvariantMonitor::onFrameEnd(std::uint32_t tick) {
    ++frames_;
    mix(tick);
    if (planted_lock_drop_ > 0) {
        for (const auto& [vehicle, kind] : frame_actions_) {
            if (kind != Kind::Lock || ++locks_made_ != planted_lock_drop_) continue;
            if (SimVehicle* v = sim_.world().vehicle(vehicle)) v->lock = 1;  // the game lets go of it
        }
    }
    checkRequests(tick);
    checkWorld();
    checkNeon();
    checkFolder();
    last_tick_ = tick;
    have_tick_ = true;
}

}  // namespace tavrel::sim
