// The session generator: steps of scenario lines drawn from a seed.
#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>

#include "config/settings.h"
#include "sim/play/play.h"

namespace tavrel::sim {

namespace {

// splitmix64: the same numbers on every host and standard library.
class Dice {
public:
    // Seeds next to each other start far apart (not one step of each other).
    explicit Dice(std::uint64_t seed) : state_(seed) { state_ = next() ^ 0x632BE59BD9B4E019ULL; }
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int between(int low, int high) { return low + static_cast<int>(next() % static_cast<std::uint64_t>(high - low + 1)); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T>
    const T& pick(const std::vector<T>& list) {
        return list[static_cast<std::size_t>(between(0, static_cast<int>(list.size()) - 1))];
    }

private:
    std::uint64_t state_;
};

std::string num(long long n) { return std::to_string(n); }

// Every setting of the plug-in, for hand edits of the file.
struct HandEditKey {
    const char* section;
    const char* key;
    bool text;
};
constexpr HandEditKey kHandEditKeys[] = {
#define TAVREL_PLAY_KEY(kind, section, field, ...) {section, #field, std::is_array_v<setting_type::kind>},
    TAVREL_SETTINGS_FIELDS(TAVREL_PLAY_KEY)
#undef TAVREL_PLAY_KEY
};

const char* const kControllerLock1 = "21";
const char* const kControllerLock2 = "22";
const char* const kControllerUnlock2 = "23";

// What the generator keeps track of so that every line it writes makes sense
// when it runs.
struct Play {
    Dice dice;
    std::vector<int> vehicles;
    std::vector<int> peds;
    std::map<int, int> seated;  // character ID -> the vehicle ID it sits in
    int next_id = 1;
    int sitting = 0;     // the vehicle the player sits in (0: on foot)
    bool ini = true;     // the INI file exists
    bool read_only = false;
    bool loaded = true;
    std::uint32_t frame_ms = 16;
    std::uint64_t ms = 0;  // simulated time the steps take, roughly

    explicit Play(std::uint32_t seed) : dice(seed) {}

    std::string iniText() {
        Dice& d = dice;
        std::vector<std::string> lines = {
            "[Vehicle]",
            "current_player_vehicle_blip=" + num(d.between(0, 1)),
            "current_player_vehicle_persistent=" + num(d.between(0, 1)),
            "light_notification=" + num(d.between(0, 1)),
            "number_of_lock_flashes=" + num(d.between(0, 4)),
            "number_of_unlock_flashes=" + num(d.between(0, 4)),
            "lock_flash_interval=" + num(d.between(80, 300)),
            "unlock_flash_interval=" + num(d.between(80, 300)),
            "notification_sound_signal=" + num(d.between(0, 2)),
            "notification_sound_interval=" + num(d.between(100, 300)),
            "notification_sound_times_when_locking=" + num(d.between(0, 3)),
            "notification_sound_times_when_unlocking=" + num(d.between(0, 3)),
            "remote_control_fob_sound=" + num(d.between(0, 1)),
            "unbreakable_locks=" + num(d.between(0, 1)),
            "unbreakable_locks_for_player=" + num(d.between(0, 1)),
            "neon_lights=" + num(d.between(0, 4)),
            "neon_affects_all_cars=" + num(d.between(0, 1)),
            "neon_notification=" + num(d.between(0, 2)),
            "sequential_neon_lights=" + num(d.chance(15) ? 1 : 0),
            "headlights_at_movement=" + num(d.between(0, 5)),
            "interior_lights=" + num(d.between(0, 4)),
            "engine_on_after_unlocking=" + num(d.between(0, 4)),
            "use_players_last_vehicle=" + num(d.chance(15) ? 1 : 0),
            "color_changer_speed_base_value=" + num(d.between(0, 400)),
            "horn_type_index=" + num(d.between(-2, 10)),
            "[Controller]",
            "activate_controller=" + num(d.between(0, 1)),
            std::string("controller_lock_1_of_2=") + kControllerLock1,
            std::string("controller_lock_2_of_2=") + kControllerLock2,
            std::string("controller_unlock_1_of_2=") + kControllerLock1,
            std::string("controller_unlock_2_of_2=") + kControllerUnlock2,
            "controller_menu_toggle_switch_1_of_2=200",
            "controller_menu_toggle_switch_2_of_2=201",
            "[Animation]",
            "animation=" + num(d.between(0, 3)),
        };
        std::string text = "ini-text";
        for (const std::string& line : lines) text += "\n" + line;
        return text + "\nend";
    }

    std::string newVehicle() {
        static const std::vector<std::string> kinds = {"car", "car", "car", "car", "bike", "quad", "boat", "bicycle", "heli", "other"};
        const int id = next_id++;
        vehicles.push_back(id);
        const std::string& kind = dice.pick(kinds);
        std::string line = "vehicle " + num(id) + " " + kind + " " + num(dice.between(-45, 45)) + " " +
                           num(dice.between(-45, 45)) + " 0";
        if (dice.chance(30)) line += " lock=2";
        if (dice.chance(50)) line += " neon=" + num(dice.between(0, 1)) + num(dice.between(0, 1)) + num(dice.between(0, 1)) + num(dice.between(0, 1));
        if (dice.chance(20)) line += " convertible=1";
        if (dice.chance(10)) line += " driveable=0";
        if (dice.chance(10)) line += " ground=none";
        if (dice.chance(10)) line += " handbrake=1";
        if (kind == "boat" && dice.chance(50)) line += " water=" + num(dice.between(2, 60));
        // Somebody already in it: at the wheel, or beside it in a car.
        std::vector<int> free;
        for (int ped : peds) {
            if (seated.count(ped) == 0) free.push_back(ped);
        }
        if (!free.empty() && kind != "other" && dice.chance(20)) {
            const int ped = dice.pick(free);
            seated[ped] = id;
            line += kind == "car" && dice.chance(50) ? " passenger=0," + num(ped) : " driver=" + num(ped);
        }
        return line;
    }

    // The vehicle is gone: whoever sat in it may sit elsewhere.
    void vehicleGone(int id) {
        std::erase(vehicles, id);
        std::erase_if(seated, [id](const auto& entry) { return entry.second == id; });
    }

    void pedGone(int id) {
        std::erase(peds, id);
        seated.erase(id);
    }

    // The stage of getting in: as the lock has it (at a locked door, else
    // climbing in), or held at the door or climbing in.
    std::string stage() {
        const int roll = dice.between(1, 100);
        return roll <= 25 ? " climb" : roll <= 40 ? " door" : "";
    }

    std::string newPed() {
        const int id = next_id++;
        peds.push_back(id);
        return "ped " + num(id) + " " + num(dice.between(-20, 20)) + " " + num(dice.between(-20, 20)) + " 0";
    }

    std::string wait(int low, int high) {
        const int w = dice.between(low, high);
        ms += static_cast<std::uint64_t>(w);
        return "wait " + num(w);
    }

    // Gets the player out of the car (a step that moves or deletes things).
    void standUp(PlayStep& step) {
        if (sitting == 0) return;
        step.lines.push_back("exit");
        sitting = 0;
    }

    PlayStep opening(std::uint32_t seed) {
        PlayStep step{"the world, the INI file and the clock; load", {}};
        step.lines.push_back("# random play, seed " + num(seed));
        // A third of the sessions see the tick wrap within their first minutes.
        const std::uint32_t start = dice.chance(33) ? 0xFFFFFFFFu - static_cast<std::uint32_t>(dice.between(0, 600000))
                                                    : 3600000u + static_cast<std::uint32_t>(dice.between(0, 1000));
        step.lines.push_back("start-tick " + num(start));
        step.lines.push_back(iniText());
        step.lines.push_back("player 0 0 0");
        step.lines.push_back("weapon WEAPON_PISTOL");
        const int cars = dice.between(2, 6);
        for (int i = 0; i < cars; ++i) step.lines.push_back(newVehicle());
        for (int i = dice.between(0, 5); i > 0; --i) step.lines.push_back(newPed());
        if (dice.chance(10)) step.lines.push_back("dict-never anim@mp_player_intmenu@key_fob@");
        if (dice.chance(5)) step.lines.push_back("dict-never cellphone@");
        if (dice.chance(10)) step.lines.push_back("model-never lr_prop_carkey_fob");
        step.lines.push_back("start");
        return step;
    }

    // The situation a request is made in.
    void situation(PlayStep& step) {
        switch (dice.between(0, 5)) {
            case 0:
            case 1:  // on foot, near a car or not
                standUp(step);
                step.lines.push_back("player " + num(dice.between(-50, 50)) + " " + num(dice.between(-50, 50)) + " 0");
                break;
            case 2:  // inside
                if (!vehicles.empty()) {
                    sitting = dice.pick(vehicles);
                    step.lines.push_back("sit " + num(sitting));
                }
                break;
            case 3:  // getting in
                if (!vehicles.empty()) {
                    standUp(step);
                    step.lines.push_back("enter " + num(dice.pick(vehicles)) + stage());
                    step.what += " while getting in";
                }
                break;
            case 4:  // the menu open
                step.lines.push_back("tap F9");
                step.what += " with the menu open";
                break;
            default:
                break;
        }
    }

    void press(PlayStep& step) {
        const char* key = dice.chance(50) ? "L" : "U";
        switch (dice.between(0, 6)) {
            case 0:
            case 1:
            case 2: {
                const int held = dice.between(40, 400);
                ms += static_cast<std::uint64_t>(held);
                step.lines.push_back(std::string("hold ") + key + " " + num(held));
                break;
            }
            case 3:
                step.lines.push_back(std::string("tap ") + key);
                break;
            case 4:  // key chatter
                for (int i = dice.between(2, 6); i > 0; --i) {
                    step.lines.push_back(std::string("tap ") + (dice.chance(80) ? key : (key[0] == 'L' ? "U" : "L")));
                }
                step.what += " (chatter)";
                break;
            case 5:  // a stuck key: no release for seconds, no repeats
                step.lines.push_back(std::string("key down ") + key);
                step.lines.push_back(wait(500, 7000));
                step.lines.push_back(std::string("key up ") + key);
                step.what += " (stuck key)";
                break;
            default: {  // the controller combo
                const bool lock = key[0] == 'L';
                step.lines.push_back(std::string("control down ") + kControllerLock1);
                step.lines.push_back("frames 1");
                step.lines.push_back(std::string("control down ") + (lock ? kControllerLock2 : kControllerUnlock2));
                step.lines.push_back("frames " + num(dice.between(1, 3)));
                step.lines.push_back(std::string("control up ") + (lock ? kControllerLock2 : kControllerUnlock2));
                step.lines.push_back(std::string("control up ") + kControllerLock1);
                step.what += " (controller)";
                break;
            }
        }
    }

    PlayStep request() {
        PlayStep step{"a request", {}};
        situation(step);
        press(step);
        const bool menu = step.what.find("menu") != std::string::npos;
        // Something vanishes or appears mid-sequence now and then.
        if (dice.chance(20) && vehicles.size() > 1) {
            step.lines.push_back(wait(0, 1200));
            standUp(step);
            const int gone = dice.pick(vehicles);
            vehicleGone(gone);
            step.lines.push_back("delete " + num(gone));
            step.lines.push_back(newVehicle());
            step.what += ", a car vanishes";
        } else if (dice.chance(10) && !peds.empty()) {
            const int gone = dice.pick(peds);
            pedGone(gone);
            step.lines.push_back("delete " + num(gone));
            step.lines.push_back(newPed());
        }
        if (menu) step.lines.push_back("tap F9");
        step.lines.push_back(wait(0, 3000));
        if (step.what.find("getting in") != std::string::npos) {
            step.lines.push_back("exit");
            sitting = 0;
        }
        return step;
    }

    PlayStep drive() {
        PlayStep step{"driving", {}};
        if (vehicles.empty()) return step;
        const int v = dice.pick(vehicles);
        step.lines.push_back("sit " + num(v));
        sitting = v;
        if (dice.chance(15)) {
            // A creep: moving for the game from 0.02 m/s on (0.05 with the handbrake).
            step.lines.push_back("move " + num(v) + " 0.0" + num(dice.between(1, 9)));
        } else {
            step.lines.push_back("move " + num(v) + " " + num(dice.between(1, 45)) + " " + num(dice.between(-5, 45)));
        }
        step.lines.push_back(wait(200, 8000));
        step.lines.push_back("move " + num(v) + " 0");
        if (dice.chance(60)) {
            step.lines.push_back("exit");
            sitting = 0;
        }
        return step;
    }

    PlayStep people() {
        PlayStep step{"cars and characters come and go", {}};
        if (dice.chance(50) || vehicles.size() < 2) {
            step.lines.push_back(dice.chance(60) ? newVehicle() : newPed());
        } else {
            standUp(step);
            const int gone = dice.pick(vehicles);
            vehicleGone(gone);
            step.lines.push_back("delete " + num(gone));
        }
        if (!peds.empty() && !vehicles.empty() && dice.chance(50)) {
            step.lines.push_back("ped-enter " + num(dice.pick(peds)) + " " + num(dice.pick(vehicles)) + stage());
        }
        step.lines.push_back(wait(0, 2000));
        return step;
    }

    // A hand edit of any setting: a small number, -1 (absent) to 4; the
    // plate text a word.
    std::string handEdit() {
        const HandEditKey& k = kHandEditKeys[dice.between(0, static_cast<int>(std::size(kHandEditKeys)) - 1)];
        const std::string value = k.text ? dice.pick(std::vector<std::string>{"KESTRIN", "A B C", "0"})
                                         : num(dice.between(-1, 4));
        return std::string("ini ") + k.section + " " + k.key + " " + value;
    }

    PlayStep iniEdit() {
        PlayStep step{"the INI file", {}};
        const int what = dice.between(0, 9);
        if (read_only && what < 7) {
            step.lines.push_back("ini-read-only 0");
            read_only = false;
            step.what += ": writable again";
        } else if (what <= 2 && ini) {
            step.lines.push_back(handEdit());
            step.what += ": hand-edited";
        } else if (what == 3) {
            // Damaged: cut short, junk, a broken section line.
            step.lines.push_back("ini-text\n[Vehicle\nlight_notification=1\nnumber_of_lock_fl\n\x01\x7f garbage = = =\n[Animation]\nanimation=" +
                                 num(dice.between(-5, 9)) + "\nend");
            ini = true;
            read_only = false;
            step.what += ": damaged";
        } else if (what == 4 && ini) {
            step.lines.push_back("no-ini");
            ini = false;
            read_only = false;
            step.what += ": deleted";
        } else if (what == 5 && ini && !read_only) {
            step.lines.push_back("ini-read-only 1");
            read_only = true;
            step.what += ": read-only";
        } else {
            if (read_only) {
                step.lines.push_back("ini-read-only 0");
                read_only = false;
            }
            step.lines.push_back(iniText());
            ini = true;
            step.what += ": restored";
        }
        step.lines.push_back(wait(0, 1500));
        return step;
    }

    PlayStep frames() {
        PlayStep step{"the frame rate", {}};
        if (dice.chance(40)) {
            const int longest = dice.between(100, 700);
            step.lines.push_back("frame-ms " + num(longest));
            step.lines.push_back("frames " + num(dice.between(1, 5)));
            ms += static_cast<std::uint64_t>(longest) * 3;
            step.lines.push_back("frame-ms " + num(frame_ms));
            step.what = "long frames";
        } else {
            static const std::vector<int> rates = {8, 16, 16, 33, 33, 50, 50};
            frame_ms = static_cast<std::uint32_t>(dice.pick(rates));
            step.lines.push_back("frame-ms " + num(frame_ms));
        }
        step.lines.push_back(wait(0, 3000));
        return step;
    }

    PlayStep player() {
        PlayStep step{"the player's state", {}};
        static const std::vector<std::string> states = {"dead", "arrested", "loading"};
        const std::string& state = dice.pick(states);
        if (dice.chance(50)) step.lines.push_back(std::string("hold ") + (dice.chance(50) ? "L" : "U") + " 100");
        step.lines.push_back(state + " 1");
        step.lines.push_back(wait(0, 4000));
        step.lines.push_back(state + " 0");
        if (dice.chance(30)) {
            static const std::vector<std::string> weapons = {"WEAPON_PISTOL", "WEAPON_KNIFE", "WEAPON_SMG"};
            step.lines.push_back("weapon " + dice.pick(weapons));
        }
        step.what += ": " + state;
        return step;
    }

    PlayStep reload() {
        PlayStep step{"unload and load again", {}};
        if (dice.chance(50)) step.lines.push_back(std::string("hold ") + (dice.chance(50) ? "L" : "U") + " 60");
        step.lines.push_back(wait(0, 1500));
        step.lines.push_back("unload");
        step.lines.push_back(wait(0, 500));
        step.lines.push_back("start");
        return step;
    }

    PlayStep idle() {
        PlayStep step{"idle", {}};
        if (dice.chance(85)) {
            // Long stretches at a low frame rate (a busy scene, a slow machine).
            step.lines.push_back("frame-ms " + num(dice.between(100, 250)));
            step.lines.push_back(wait(1000, 60000));
            step.lines.push_back("frame-ms " + num(frame_ms));
            step.what += " at a low frame rate";
        } else {
            step.lines.push_back(wait(1000, 60000));
        }
        return step;
    }
};

}  // namespace

PlaySession generateSession(std::uint32_t seed, std::uint32_t sim_minutes) {
    Play play(seed);
    PlaySession session;
    session.seed = seed;
    session.steps.push_back(play.opening(seed));
    const std::uint64_t goal = static_cast<std::uint64_t>(sim_minutes) * 60000;
    while (play.ms < goal) {
        const int roll = play.dice.between(1, 100);
        PlayStep step;
        if (roll <= 35) step = play.request();
        else if (roll <= 45) step = play.drive();
        else if (roll <= 55) step = play.people();
        else if (roll <= 63) step = play.iniEdit();
        else if (roll <= 70) step = play.frames();
        else if (roll <= 76) step = play.player();
        else if (roll <= 78) step = play.reload();
        else step = play.idle();
        if (!step.lines.empty()) session.steps.push_back(std::move(step));
        play.ms += 40;  // taps and the frames between lines
    }
    return session;
}

}  // namespace tavrel::sim
