// The invariants of random play, checked after every frame by watching the
// simulator from outside: the native calls the plug-in makes, the keyboard
// messages it gets, the world after each frame and the INI file's folder.
// The monitor knows nothing of the plug-in's records; it judges what the
// plug-in does by the rules of the design.
//
//   InvariantMonitor monitor(sim, ".");   // attaches itself as the observer
//   sim.start(); sim.waitMs(5000);
//   if (monitor.broken()) std::cerr << monitor.violation().name;
//
// Names (each a short word used by `expect invariant NAME`):
//   no-fault         no protocol fault
//   one-fob          at most one fob prop of this load in the world
//   blip-tracked     blips of this load only on the tracked car
//   weapon-back      the weapon put away for a gesture comes back, the same one
//   request-taken    a lock or unlock key (or combo) held past the input guard,
//                    with the lock tick running, is taken as a request
//   request-answered every request is served or refused for a reason the design
//                    states (getting in, except an unlock at a locked door; no
//                    car in range; unloaded first); a request served at once
//                    answers those still waiting
//   no-stray-action  no lock or unlock the player did not ask for (a waiting
//                    request after a newer one was served at once included)
//   lock-state       the tracked car's lock is what its last action set
//   neon-restored    a flash series ends by putting back all four neon sides
//                    as they were saved when the car's series began
//   ini-whole        the INI file is always a whole version: the scenario's,
//                    or one made from it by whole key writes
//   ini-kept         a missing INI file stays missing, a read-only one unchanged
//   no-new-file      the folder holds no file but the INI file and, when the
//                    INI file left the log on at the load ([Misc] write_log
//                    not 0), Tavrel.log and Tavrel.log.old, and when it left
//                    the flight recorder on ([Misc] recorder_kb not 0),
//                    Tavrel.rec
//   no-stranger      no seat query makes the game seat a character in a car
#pragma once
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim/protocol/simulator.h"

namespace tavrel::sim {

struct Violation {
    std::string name;     // one of invariantNames()
    std::string message;  // what was seen
    std::uint32_t tick = 0;
    std::uint64_t frame = 0;
};

const std::vector<std::string>& invariantNames();
bool isInvariantName(const std::string& name);

class InvariantMonitor final : public SimObserver {
public:
    // Watches `sim` (as its observer) and the INI file in `folder`.
    InvariantMonitor(Simulator& sim, std::filesystem::path folder);
    ~InvariantMonitor() override;
    InvariantMonitor(const InvariantMonitor&) = delete;
    InvariantMonitor& operator=(const InvariantMonitor&) = delete;

    // The scenario is about to load or unload the plug-in (objects of an
    // earlier load are no longer this load's; pending work is dropped).
    void beforeStart();
    void beforeUnload();

    bool broken() const { return violation_.has_value(); }
    // The first violation (REQUIRES: broken()).
    const Violation& violation() const { return *violation_; }
    std::uint64_t checks() const { return checks_; }   // invariant checks made
    std::uint64_t frames() const { return frames_; }   // frames watched
    std::uint64_t requests() const { return requests_; }  // requests the plug-in took
    std::uint64_t actions() const { return actions_; }    // locks and unlocks served

    // Plants the fault above: the game drops the `nth` lock (counted from 1).
    void plantLockDrop(int nth) { planted_lock_drop_ = nth; }
    // A hash of every native call with its arguments and every key message
    // so far: two runs of one session have the same.
    std::uint64_t digest() const { return digest_; }

    void onFrameStart(std::uint32_t tick) override;
    void onCall(const NativeInfo& native, const std::uint64_t* args, bool mainFibre) override;
    void onKey(const KeyMessage& message) override;
    void onFrameEnd(std::uint32_t tick) override;

private:
    enum class Kind : std::uint8_t { Lock, Unlock };
    struct Request {
        Kind kind;
        std::uint32_t tick;
        std::uint32_t alive_ms;     // simulated ms with the lock tick free to run since
        bool no_car_seen;           // at some frame since, no car qualified
    };
    struct KeyEntry {
        std::uint32_t tick = 0;
        bool down = false;
    };
    // The settings the hotkey tests use, as they stood when the frame began.
    struct Bindings {
        int lock = -1;
        int unlock = -1;
        int lock_2_optional = -1;
        int unlock_2_optional = -1;
        bool activate_controller = false;
        int controller_lock_1_of_2 = 0;
        int controller_lock_2_of_2 = 0;
        int controller_unlock_1_of_2 = 0;
        int controller_unlock_2_of_2 = 0;
        int menu_toggle_switch = -1;
    };
    struct FileStamp {
        bool exists = false;
        std::uint64_t size = 0;
        std::uint64_t time = 0;  // last write, in the system's own units
        bool read_only = false;
        bool operator==(const FileStamp&) const = default;
    };

    void fail(const std::string& name, const std::string& message);
    bool keyHeld(int vk, std::uint32_t tick) const;
    bool bindingHeld(int key, int second, int fallback, std::uint32_t tick) const;
    // The request the keys and controls make now; `guarded`: only past the input guard.
    std::optional<Kind> heldRequest(std::uint32_t tick, bool& combo, bool guarded) const;
    bool carInRange();
    void checkRequests(std::uint32_t tick);
    void checkWorld();
    void checkNeon();
    void checkFolder();
    std::vector<std::string> folderNames() const;
    void mix(std::uint64_t value);
    FileStamp stampOf() const;
    std::string readIni() const;

    Simulator& sim_;
    std::filesystem::path folder_;
    std::filesystem::path ini_;
    std::optional<Violation> violation_;
    std::uint64_t checks_ = 0;
    std::uint64_t frames_ = 0;
    std::uint64_t requests_ = 0;
    std::uint64_t actions_ = 0;
    std::uint32_t last_tick_ = 0;
    bool have_tick_ = false;

    Bindings bindings_;
    // Keyboard as the plug-in's table holds it, and the menu toggle's release.
    std::array<KeyEntry, 255> keys_{};
    std::uint32_t menu_key_release_ = 0;
    bool menu_key_released_ = false;

    // This frame, from the main script's calls.
    bool after_arrest_test_ = false;
    bool tick_ran_ = false;          // the lock tick got past the dead/arrested wait
    bool request_taken_ = false;
    std::optional<Kind> taken_kind_;
    bool guard_from_frame_ = false;  // the guard's second stamp is still to come
    std::uint32_t guard_tick_ = 0;   // the plug-in's input guard, as far as seen

    std::vector<Request> open_requests_;
    // The action being made: it opens when the plug-in fits the chosen car's
    // mod kit and closes at that car's lock call.
    int action_vehicle_ = 0;
    bool action_open_ = false;
    std::vector<std::pair<int, Kind>> frame_actions_;

    // Per car: the lock its last action set (2 or 4 lock, 0 unlock).
    int tracked_ = 0;
    std::vector<std::pair<int, Kind>> last_action_;

    // Neon: the sides saved at the action, the restore seen this frame.
    int save_vehicle_ = 0;
    int save_reads_ = 4;
    std::array<bool, 4> saved_neon_{};
    int saved_for_ = 0;
    bool restore_seen_ = false;      // a restore this frame
    int restore_vehicle_ = 0;
    int restore_sides_ = 0;          // sides it put back so far

    // Weapon put away for a gesture.
    bool weapon_asked_ = false;      // the held weapon was just asked for
    std::uint32_t weapon_selected_ = 0;
    bool weapon_away_ = false;
    std::uint32_t weapon_saved_ = 0;
    std::uint32_t weapon_alive_ms_ = 0;

    // Objects of earlier loads.
    std::vector<int> old_props_;
    std::vector<int> old_blips_;

    // The folder and the INI file.
    FileStamp start_stamp_;
    FileStamp known_stamp_;
    std::string base_text_;
    bool base_valid_ = false;
    std::filesystem::file_time_type folder_time_{};
    bool folder_known_ = false;
    std::vector<std::string> folder_names_;  // what the folder held before the frame
    bool log_on_ = true;                     // the load may write Tavrel.log
    bool recorder_on_ = true;                // the load may write Tavrel.rec
    bool switches_stale_ = true;             // base_text_ changed since the two were read

    // A fault planted in the game for the shrinker's proof: the Nth lock the
    // plug-in makes is dropped by the game after its frame (0: none).
    int planted_lock_drop_ = 0;
    int locks_made_ = 0;

    std::uint64_t digest_ = 1469598103934665603ULL;  // FNV-1a over calls and keys
};

// Whether `after` is `before` changed only by whole key writes of the
// profile functions (a key line's value replaced, a key line or a section
// added); the file ends with a line end. Empty when it is, else the reason.
std::string iniWholeWrite(const std::string& before, const std::string& after);

}  // namespace tavrel::sim
