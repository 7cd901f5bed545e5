#include "sim/replay/to_scenario.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "sim/protocol/native_call.h"
#include "sim/protocol/native_table.h"
#include "sim/replay/rebuild.h"
#include "sim/replay/replay_text.h"
#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scratch_folder.h"
#include "sim/scenario/scenario_values.h"

namespace tavrel::sim {

namespace {

std::string rgbText(const Rgb& c) { return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b); }

std::string posText(const Vec3& p) { return decimalText(p.x) + "," + decimalText(p.y) + "," + decimalText(p.z); }

// The INI bytes as scenario lines: ini-text when every line ends with CRLF
// and none reads as its end line, else ini-base64.
std::string iniCommand(const std::string& bytes) {
    bool plain = bytes.empty() || (bytes.size() >= 2 && bytes.compare(bytes.size() - 2, 2, "\r\n") == 0);
    std::vector<std::string> lines;
    for (std::size_t at = 0; plain && at < bytes.size();) {
        const std::size_t end = bytes.find("\r\n", at);
        std::string line = bytes.substr(at, end - at);
        if (line.find_first_of("\r\n") != std::string::npos || line.find('\0') != std::string::npos) plain = false;
        if (endsIniText(line)) plain = false;
        lines.push_back(std::move(line));
        at = end + 2;
    }
    if (!plain) return "ini-base64 " + encodeBase64(bytes) + "\n";
    std::string text = "ini-text\n";
    for (const std::string& line : lines) text += line + "\n";
    return text + "end\n";
}

// The scenario being written and run at once.
class Converter : public SimObserver {
public:
    Converter(const RecordingFile& file, const Facts& facts, Simulator& sim)
        : file_(file), facts_(facts), sim_(sim) {
        session_.file_name = "converted";
        session_.err = &expect_errors_;
    }

    // [SECTION] Writing and running

    // A scenario line (or an ini-text block), written and run.
    void command(const std::string& text) {
        flushFrames();
        std::istringstream in(text);
        std::ostringstream sink;
        try {
            for (const ScenarioLine& line : parseScenario(in)) scenarioCommand(line, sim_, sink, true, &session_);
        } catch (const ScenarioError& e) {
            note(current_frame_, std::string("the converter's own line failed: ") + e.what() + ": " + text);
            return;
        }
        text_ += text;
        if (text.back() != '\n') text_ += "\n";
    }

    void comment(const std::string& text) {
        flushFrames();
        text_ += "# " + text + "\n";
    }

    void runFrame() {
        if (!sim_.started()) {
            command("start");
            return;
        }
        sim_.runFrame();
        ++pending_frames_;
    }

    void flushFrames() {
        if (pending_frames_ == 0) return;
        text_ += "frames " + std::to_string(pending_frames_) + "\n";
        pending_frames_ = 0;
    }

    std::string takeText() {
        flushFrames();
        return std::move(text_);
    }

    // [SECTION] One frame

    // Sets the world as frame `f` must find it, and the clock's frame
    // length (`length` ms, where known); then runs it and checks what it shows.
    void frame(const RecFrame& f, const std::optional<std::uint32_t>& length) {
        current_frame_ = f.index;
        prepareFiles(f);
        prepareEntities(f);
        fixAnswers(f);
        for (const RecEvent& key : f.keys_before) pressKey(key);
        for (const RecEvent& e : f.events) {
            if (e.kind == RecEventKind::Key) pressKey(e);
        }
        if (length) {
            const std::uint32_t wanted = *length == 0 ? 1 : *length;
            if (wanted != sim_.frameMs()) command("frame-ms " + std::to_string(wanted));
        }
        expected_.clear();
        for (const RecEvent& e : f.events) {
            if (e.kind == RecEventKind::Native) expected_.push_back(&e);
        }
        at_ = 0;
        runFrame();
        if (left_.empty() && at_ < expected_.size()) {
            leave("in frame " + std::to_string(f.index + 1) + " the scenario's run made " + std::to_string(at_) +
                  " native calls where the recording has " + std::to_string(expected_.size()) + "; the next recorded one is " +
                  eventText(file_, *expected_[at_]));
        }
        expectShown(f);
    }

    void finish(bool unloaded) {
        if (unloaded) command("unload");
    }

    // [SECTION] SimObserver: the plug-in's calls in the converter's run

    // The call as made (what out-parameters hold is read before the native
    // writes them), then its answer.
    void onCall(const NativeInfo& native, const std::uint64_t* args, bool) override {
        pending_ = nullptr;
        if (!left_.empty()) return;
        if (at_ >= expected_.size()) {
            leave("in frame " + std::to_string(current_frame_ + 1) + " the scenario's run makes " +
                  callText(describeCall(native, args, native.argc)) + " after the recording's calls of the frame");
            return;
        }
        const RecEvent& e = *expected_[at_++];
        const RecNative& n = file_.natives[static_cast<std::size_t>(e.native)];
        if (n.hash != native.hash || !sameArgs(native, e, args)) {
            leave("in frame " + std::to_string(current_frame_ + 1) + " the recording has " + eventText(file_, e) +
                  ", the scenario's run makes " + callText(describeCall(native, args, native.argc)));
            return;
        }
        if (!e.threw) pending_ = &e;
    }

    void onAnswer(const NativeInfo& native, const std::uint64_t* args, const std::uint64_t* slots) override {
        if (pending_ == nullptr || !left_.empty()) return;
        const RecEvent& e = *pending_;
        pending_ = nullptr;
        compareAnswer(native, e, args, slots);
    }

    // [SECTION] Results

    int expects() const { return expects_; }
    int expectsFailed() const { return session_.expect_failures; }
    const std::vector<std::string>& notes() const { return notes_; }
    const std::string& left() const { return left_; }
    int expectsDropped() const { return expects_dropped_; }

private:
    // [SECTION] Handles: the recording's and the run's

    int live(int recorded) const {
        if (recorded == 0) return 0;
        const auto it = handles_.find(recorded);
        return it != handles_.end() ? it->second : -1;
    }

    void pair(int recorded, int live_handle) {
        if (recorded == 0 || live_handle == 0) return;
        handles_[recorded] = live_handle;
    }

    std::optional<int> idOf(int recorded) const {
        const auto it = ids_.find(recorded);
        if (it == ids_.end()) return std::nullopt;
        return it->second;
    }

    std::uint32_t liveModel(std::uint32_t recorded) const {
        const auto it = models_.find(recorded);
        return it != models_.end() ? it->second : recorded;
    }

    // A handle-typed parameter (or the 4 bytes behind a Blip* / Entity*).
    static bool isHandleParam(const NativeInfo& native, int i) {
        std::string type = paramType(native, i);
        if (!type.empty() && type.back() == '*') type.pop_back();
        return isHandleType(type);
    }

    static bool isModelParam(const NativeInfo& native, int i) {
        const std::string_view name = native.name;
        return i == 0 && (name.starts_with("IS_THIS_MODEL_A_") || name == "REQUEST_MODEL" || name == "HAS_MODEL_LOADED" ||
                          name == "SET_MODEL_AS_NO_LONGER_NEEDED" || name == "CREATE_OBJECT");
    }

    bool sameArgs(const NativeInfo& native, const RecEvent& e, const std::uint64_t* args) {
        for (int i = 0; i < native.argc && i < static_cast<int>(e.args.size()); ++i) {
            const RecValue& v = e.args[static_cast<std::size_t>(i)];
            const std::uint64_t raw = args[i];
            if (v.kind == rec::Kind::Text) {
                const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(raw));
                if ((text == nullptr) != v.null || (text != nullptr && v.text != text)) return false;
                continue;
            }
            std::uint32_t made = static_cast<std::uint32_t>(raw);
            if (v.kind == rec::Kind::Out) {
                if ((raw == 0) != v.null) return false;
                continue;
            }
            if (v.kind == rec::Kind::Ptr) {
                if ((raw == 0) != v.null) return false;
                if (raw == 0) continue;
                std::memcpy(&made, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(raw)), 4);
            }
            std::uint32_t wanted = v.bits;
            if (isHandleParam(native, i)) {
                const int mapped = live(static_cast<std::int32_t>(v.bits));
                if (mapped == -1) {
                    pair(static_cast<std::int32_t>(v.bits), static_cast<std::int32_t>(made));
                    continue;
                }
                wanted = static_cast<std::uint32_t>(mapped);
            } else if (isModelParam(native, i)) {
                wanted = liveModel(v.bits);
            }
            if (made != wanted) return false;
        }
        return true;
    }

    void compareAnswer(const NativeInfo& native, const RecEvent& e, const std::uint64_t* args, const std::uint64_t* slots) {
        const RecNative& n = file_.natives[static_cast<std::size_t>(e.native)];
        const std::string_view returns = native.returns;
        const auto got = static_cast<std::uint32_t>(slots[0]);
        bool same = true;
        std::string made;
        switch (n.result) {
            case rec::Kind::None: break;
            case rec::Kind::Text: {
                const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(slots[0]));
                same = (text == nullptr) == e.result.null && (text == nullptr || e.result.text == text);
                made = text != nullptr ? std::string("\"") + text + "\"" : "null";
                break;
            }
            case rec::Kind::Vec3: {
                same = got == e.result.bits && static_cast<std::uint32_t>(slots[1]) == e.result.more[0] &&
                       static_cast<std::uint32_t>(slots[2]) == e.result.more[1];
                made = "[" + decimalText(floatOfBits(got)) + ", " + decimalText(floatOfBits(static_cast<std::uint32_t>(slots[1]))) +
                       ", " + decimalText(floatOfBits(static_cast<std::uint32_t>(slots[2]))) + "]";
                break;
            }
            default:
                if (isHandleType(returns)) {
                    const int mapped = live(static_cast<std::int32_t>(e.result.bits));
                    if (mapped == -1) {
                        pair(static_cast<std::int32_t>(e.result.bits), static_cast<std::int32_t>(got));
                    } else {
                        same = static_cast<std::uint32_t>(mapped) == got;
                    }
                } else if (std::string_view(native.name) == "GET_ENTITY_MODEL") {
                    if (models_.count(e.result.bits) == 0) models_[e.result.bits] = got;
                    same = models_[e.result.bits] == got;
                } else {
                    same = got == e.result.bits;
                }
                if (returns == "float") {
                    made = decimalText(floatOfBits(got));
                } else if (returns == "Hash") {
                    made = hexText(got, 8);
                } else if (returns == "BOOL") {
                    made = got != 0 ? "true" : "false";
                } else {
                    made = std::to_string(static_cast<std::int32_t>(got));
                }
        }
        for (int i = 0; i < native.argc && same; ++i) {
            const RecValue& v = e.args[static_cast<std::size_t>(i)];
            if ((v.kind != rec::Kind::Ptr && v.kind != rec::Kind::Out) || v.null || args[i] == 0) continue;
            std::uint32_t after = 0;
            std::memcpy(&after, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(args[i])), 4);
            std::uint32_t wanted = v.after;
            if (isHandleParam(native, i) && v.after != 0) {
                const int mapped = live(static_cast<std::int32_t>(v.after));
                wanted = mapped == -1 ? after : static_cast<std::uint32_t>(mapped);
            }
            if (after != wanted) {
                same = false;
                made = "out " + std::to_string(static_cast<std::int32_t>(after));
            }
        }
        if (!same) note(current_frame_, eventText(file_, e) + " in the game; the simulator's world answers " + made);
    }

    // [SECTION] Notes

    void note(std::uint64_t frame, const std::string& what) {
        const std::string key = what.substr(0, what.find('('));
        if (!noted_.insert(key).second) return;
        const std::string line = "frame " + std::to_string(frame + 1) + ": " + what;
        notes_.push_back(line);
        comment("not rebuilt: " + line);
    }

    void leave(const std::string& why) {
        if (!left_.empty()) return;
        left_ = why;
        comment("the run leaves the recording here: " + why);
        comment("no expect lines from here on: what the run does now no longer follows the recording");
    }

    // [SECTION] Keys

    void pressKey(const RecEvent& key) {
        command(std::string("key ") + ((key.flags & rec::kKeyUp) != 0 ? "up " : "down ") + hexText(key.key, 2));
    }

    // [SECTION] The INI file

    void prepareFiles(const RecFrame& f) {
        std::optional<bool> exists;
        std::optional<std::string> bytes;
        std::optional<bool> write_fails;
        bool unreadable = false;
        for (const RecEvent& e : f.events) {
            if (e.kind != RecEventKind::FileExists && e.kind != RecEventKind::FileRead && e.kind != RecEventKind::FileReplace) {
                continue;
            }
            if (e.kind == RecEventKind::FileReplace && e.changed) continue;  // nothing written: read again
            if (localFileName(e.path) != localFileName(kIniPath)) {
                note(f.index, "a file access of " + e.path + ", which a scenario cannot give");
                continue;
            }
            if (e.kind == RecEventKind::FileExists) {
                if (!exists) exists = e.ok;
            } else if (e.kind == RecEventKind::FileRead) {
                if (bytes || unreadable) continue;
                if (!e.ok) {
                    unreadable = true;
                } else if (e.large) {
                    note(f.index, "a read of " + e.path + " too large for the recording to keep");
                    return;
                } else {
                    bytes = e.bytes;
                }
                if (!exists) exists = true;
            } else {
                write_fails = !e.ok;
                if (!exists) exists = true;
                break;  // what comes after is the plug-in's own writing
            }
        }
        if (!exists) return;
        const std::optional<std::string> now = readIniBytes(kIniPath);
        if (!*exists) {
            if (now || folder_) command("no-ini");
            readOnly_ = false;
            folder_ = false;
            return;
        }
        if (unreadable) {
            // There but not a file that opens: a folder in its place is
            // what a scenario can make (a save fails on it as well).
            if (!folder_) command("ini-folder");
            readOnly_ = false;
            folder_ = true;
            return;
        }
        if (folder_) {
            command("no-ini");
            folder_ = false;
        }
        if ((bytes && now != bytes) || !now) {
            if (readOnly_ && now) command("ini-read-only 0");
            readOnly_ = false;
            command(iniCommand(bytes.value_or(std::string())));
        }
        if (write_fails) setReadOnly(*write_fails);
    }

    void setReadOnly(bool on) {
        if (on == readOnly_ || !readIniBytes(kIniPath)) return;
        command(std::string("ini-read-only ") + (on ? "1" : "0"));
        readOnly_ = on;
    }

    // [SECTION] The world

    World& world() { return sim_.world(); }

    // The scenario ID of a handle of the run, or empty.
    std::string idOfLive(int handle) const {
        const std::optional<int> id = sim_.world().idOf(handle);
        return id ? std::to_string(*id) : std::string();
    }

    // Makes the vehicle or character behind a recorded handle.
    bool create(int recorded) {
        if (recorded == 0 || recorded == facts_.player || live(recorded) != -1 || facts_.made_by_plugin.count(recorded) != 0) {
            return live(recorded) != -1;
        }
        const auto it = facts_.entities.find(recorded);
        if (it == facts_.entities.end() || (!it->second.vehicle && !it->second.ped)) return false;
        const EntityFacts& x = it->second;
        const int id = next_id_++;
        const Vec3 pos = x.pos.value_or(Vec3{});
        std::string line;
        if (x.vehicle) {
            line = "vehicle " + std::to_string(id) + " " + kindWordOf(facts_, x.model) + " " + decimalText(pos.x) + " " +
                   decimalText(pos.y) + " " + decimalText(pos.z);
            if (x.lock) line += " lock=" + std::to_string(*x.lock);
            if (x.neon[0] || x.neon[1] || x.neon[2] || x.neon[3]) {
                line += " neon=";
                for (const auto& side : x.neon) line += side.value_or(false) ? "1" : "0";
            }
            if (x.neon_rgb) line += " neon_rgb=" + rgbText(*x.neon_rgb);
            if (x.primary) line += " primary=" + rgbText(*x.primary);
            if (x.secondary) line += " secondary=" + rgbText(*x.secondary);
            if (x.driveable) line += std::string(" driveable=") + (*x.driveable ? "1" : "0");
            if (x.convertible) line += std::string(" convertible=") + (*x.convertible ? "1" : "0");
            if (x.engine) line += std::string(" engine=") + (*x.engine ? "1" : "0");
            if (x.speed) line += " speed=" + decimalText(*x.speed);
            if (x.forward) line += " forward=" + decimalText(*x.forward);
            if (x.ground) line += " ground=" + (*x.ground ? decimalText(**x.ground) : std::string("none"));
            for (int d = 0; d < kDoorCount; ++d) {
                if (x.doors[d] && *x.doors[d] != 0.0f) line += " door=" + std::to_string(d) + "," + decimalText(*x.doors[d]);
            }
            line += " order=" + std::to_string(recorded);
        } else {
            line = "ped " + std::to_string(id) + " " + decimalText(pos.x) + " " + decimalText(pos.y) + " " + decimalText(pos.z);
        }
        command(line);
        // The game's lists hold it where the recording's did.
        if (!x.vehicle) command("set " + std::to_string(id) + " order=" + std::to_string(recorded));
        const SimVehicle* v = world().vehicleById(id);
        const SimPed* p = world().pedById(id);
        if (v == nullptr && p == nullptr) return false;
        ids_[recorded] = id;
        pair(recorded, v != nullptr ? v->handle : p->handle);
        if (v != nullptr && x.model) models_.try_emplace(*x.model, v->model);
        return true;
    }

    void remove(int recorded) {
        const auto id = idOf(recorded);
        if (!id) return;
        command("delete " + std::to_string(*id));
        ids_.erase(recorded);
        handles_.erase(recorded);
    }

    // The cars and characters of the frame's world lists are there, and
    // only they.
    void prepareEntities(const RecFrame& f) {
        if (facts_.player != 0 && live(facts_.player) == -1) pair(facts_.player, world().player.handle);
        if (!placed_player_) {
            placed_player_ = true;
            const auto it = facts_.entities.find(facts_.player);
            if (it != facts_.entities.end() && it->second.pos) {
                const Vec3 p = *it->second.pos;
                command("player " + decimalText(p.x) + " " + decimalText(p.y) + " " + decimalText(p.z));
            }
        }
        for (const RecEvent& e : f.events) {
            if (e.kind != RecEventKind::World) continue;
            const bool vehicles = e.number == 1;
            for (const int h : e.handles) {
                if (h != facts_.player) create(h);
            }
            if (e.count > e.capacity) continue;  // cut: absence says nothing
            std::vector<int> gone;
            for (const auto& [recorded, id] : ids_) {
                const bool is_vehicle = world().vehicleById(id) != nullptr;
                if (is_vehicle != vehicles) continue;
                if (std::find(e.handles.begin(), e.handles.end(), recorded) == e.handles.end()) gone.push_back(recorded);
            }
            for (const int recorded : gone) remove(recorded);
        }
    }

    // Evaluates a recorded query on the run's world from the host, now.
    struct Answer {
        bool ok = false;  // it could be asked (every handle known)
        std::uint64_t slots[4] = {};
        std::uint32_t outs[kMaxNativeArgs] = {};
    };

    Answer ask(const NativeInfo& native, const RecEvent& e) {
        Answer a;
        if (native.handler == nullptr) return a;
        std::uint64_t args[kMaxNativeArgs] = {};
        for (int i = 0; i < native.argc && i < static_cast<int>(e.args.size()); ++i) {
            const RecValue& v = e.args[static_cast<std::size_t>(i)];
            if (v.kind == rec::Kind::Text) {
                if (!v.null) args[i] = reinterpret_cast<std::uintptr_t>(v.text.c_str());
            } else if (v.kind == rec::Kind::Ptr || v.kind == rec::Kind::Out) {
                if (!v.null) {
                    a.outs[i] = v.bits;
                    args[i] = reinterpret_cast<std::uintptr_t>(&a.outs[i]);
                }
            } else if (isHandleParam(native, i)) {
                const int mapped = live(static_cast<std::int32_t>(v.bits));
                if (mapped == -1) return a;
                args[i] = static_cast<std::uint32_t>(mapped);
            } else if (isModelParam(native, i)) {
                args[i] = liveModel(v.bits);
            } else {
                args[i] = v.bits;
            }
        }
        if (std::string_view(native.name) == "GET_PED_IN_VEHICLE_SEAT") {
            // Asked of an empty seat, the game puts a character there: the
            // converter only looks (the plug-in's own call may create one).
            const SimVehicle* v = world().vehicle(static_cast<int>(args[0]));
            const int seat = static_cast<std::int32_t>(args[1]);
            a.slots[0] = v != nullptr && hasSeat(v->kind, seat) ? static_cast<std::uint32_t>(world().occupant(*v, seat)) : 0;
            a.ok = true;
            return a;
        }
        NativeCall call{sim_, world(), native, args, a.slots};
        native.handler(call);
        a.ok = true;
        return a;
    }

    bool answers(const NativeInfo& native, const RecEvent& e, const Answer& a) {
        const RecNative& n = file_.natives[static_cast<std::size_t>(e.native)];
        const auto got = static_cast<std::uint32_t>(a.slots[0]);
        if (n.result == rec::Kind::Vec3) {
            if (got != e.result.bits || static_cast<std::uint32_t>(a.slots[1]) != e.result.more[0] ||
                static_cast<std::uint32_t>(a.slots[2]) != e.result.more[1]) {
                return false;
            }
        } else if (n.result == rec::Kind::Text) {
            const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(a.slots[0]));
            if ((text == nullptr) != e.result.null || (text != nullptr && e.result.text != text)) return false;
        } else if (n.result != rec::Kind::None) {
            std::uint32_t wanted = e.result.bits;
            if (isHandleType(native.returns)) {
                const int mapped = live(static_cast<std::int32_t>(e.result.bits));
                // An unknown handle is learnt when the plug-in asks; but
                // none where the recording has one is a difference.
                if (mapped == -1) return got != 0;
                wanted = static_cast<std::uint32_t>(mapped);
            }
            if (std::string_view(native.name) == "GET_ENTITY_MODEL") wanted = liveModel(e.result.bits);
            if (got != wanted) return false;
        }
        for (int i = 0; i < native.argc; ++i) {
            const RecValue& v = e.args[static_cast<std::size_t>(i)];
            if ((v.kind == rec::Kind::Ptr || v.kind == rec::Kind::Out) && !v.null && a.outs[i] != v.after) return false;
        }
        return true;
    }

    // The world changed to give this answer; false when no scenario command does.
    bool fix(const NativeInfo& native, const RecEvent& e, const RecFrame& frame) {
        const std::string name = native.name;
        const int subject = e.args.empty() ? 0 : static_cast<std::int32_t>(e.args[0].bits);
        const bool player = subject != 0 && subject == facts_.player;
        const auto id = idOf(subject);
        const std::string vid = id ? std::to_string(*id) : std::string();
        const bool truth = e.result.bits != 0;
        World& w = world();
        if (name == "GET_ENTITY_COORDS") {
            const Vec3 p{floatOfBits(e.result.bits), floatOfBits(e.result.more[0]), floatOfBits(e.result.more[1])};
            if (player) {
                if (w.player.vehicle != 0) {
                    const std::string sits = idOfLive(w.player.vehicle);
                    if (sits.empty()) return false;
                    command("set " + sits + " pos=" + posText(p));
                } else {
                    const int entering = w.player.entering;
                    command("player " + decimalText(p.x) + " " + decimalText(p.y) + " " + decimalText(p.z));
                    const std::string enters = idOfLive(entering);
                    if (!enters.empty()) command("enter " + enters);
                }
                return true;
            }
            if (vid.empty()) return false;
            command("set " + vid + " pos=" + posText(p));
            return true;
        }
        if (player) {
            if (name == "IS_ENTITY_DEAD") return command(std::string("dead ") + (truth ? "1" : "0")), true;
            if (name == "GET_ENTITY_SPEED") return command("move player " + decimalText(floatOfBits(e.result.bits))), true;
            if (name == "GET_SELECTED_PED_WEAPON") {
                const auto known = facts_.names.find(e.result.bits);
                command("weapon " + (known != facts_.names.end() ? known->second : hexText(e.result.bits, 8)));
                return true;
            }
            if (name == "IS_PED_IN_ANY_VEHICLE" || name == "IS_PED_GETTING_INTO_A_VEHICLE" || name == "IS_PED_IN_VEHICLE" ||
                name == "GET_VEHICLE_PED_IS_IN") {
                return fixSeat(name, e, frame);
            }
            if (name == "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE" && truth) {
                // At the door of a car whose lock keeps the player out (out of the one sat in).
                const std::string nearest = lockedDoor(frame, &e, true, w.player.handle);
                if (nearest.empty()) return false;
                command("enter " + nearest + " door");
                return true;
            }
            if (name == "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE" && !truth && w.player.entering != 0) {
                // Past the door: climbing in (a later seat query says otherwise where it is not).
                const std::string enters = idOfLive(w.player.entering);
                if (enters.empty()) return false;
                command("enter " + enters + " climb");
                return true;
            }
            return false;
        }
        if (name == "HAS_ANIM_DICT_LOADED" && truth && !e.args[0].null) return command("dict-loaded " + e.args[0].text), true;
        if (name == "HAS_MODEL_LOADED" && truth) {
            const auto known = facts_.names.find(e.args[0].bits);
            if (known == facts_.names.end()) return false;
            command("model-loaded " + known->second);
            return true;
        }
        if (name == "IS_PLAYER_BEING_ARRESTED") return command(std::string("arrested ") + (truth ? "1" : "0")), true;
        if (name == "GET_IS_LOADING_SCREEN_ACTIVE") return command(std::string("loading ") + (truth ? "1" : "0")), true;
        if (name == "GET_PLAYERS_LAST_VEHICLE") {
            const std::string now = idOfLive(w.player.last_vehicle);
            if (e.result.bits == 0) {
                // None in the game: the last one is a wreck there (or gone,
                // which the world lists show).
                if (now.empty()) return false;
                command("set " + now + " driveable=0");
                return true;
            }
            const auto last = idOf(static_cast<std::int32_t>(e.result.bits));
            if (last && now == std::to_string(*last)) {
                command("set " + now + " driveable=1");
                return true;
            }
            if (!last) return false;
            if (w.player.vehicle != 0) return command("sit " + std::to_string(*last)), true;  // sitting: in the last one
            const Vec3 at = w.player.pos;
            command("sit " + std::to_string(*last));
            command("exit");
            command("player " + decimalText(at.x) + " " + decimalText(at.y) + " " + decimalText(at.z));
            return true;
        }
        if (name == "GET_PLAYER_RADIO_STATION_NAME") {
            const std::string sits = idOfLive(w.player.vehicle);
            if (sits.empty() || e.result.null || e.result.text.empty()) return false;
            command("set " + sits + " radio=" + e.result.text);
            return true;
        }
        if (name == "IS_CONTROL_PRESSED" || name == "IS_CONTROL_JUST_PRESSED" || name == "IS_CONTROL_JUST_RELEASED") {
            const std::string control = std::to_string(static_cast<std::int32_t>(e.args[1].bits));
            const bool pressed = w.controls[static_cast<std::int32_t>(e.args[1].bits)].pressed;
            if (name == "IS_CONTROL_PRESSED") {
                command(std::string("control ") + (truth ? "down " : "up ") + control);
            } else if (name == "IS_CONTROL_JUST_PRESSED" && truth) {
                if (pressed) command("control up " + control);
                command("control down " + control);
            } else if (name == "IS_CONTROL_JUST_RELEASED" && truth) {
                if (!pressed) command("control down " + control);
                command("control up " + control);
            } else {
                return false;
            }
            return true;
        }
        if (name == "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE" && truth) {
            // A character the world list named, at the door of a car whose
            // lock keeps characters out (3 lets them in).
            if (!id) create(subject);
            const auto ped = idOf(subject);
            if (!ped || w.pedById(*ped) == nullptr) return false;
            const std::string nearest = lockedDoor(frame, &e, false, live(subject));
            if (nearest.empty()) return false;
            command("ped-enter " + std::to_string(*ped) + " " + nearest + " door");
            return true;
        }
        if (name == "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE" && id && w.pedById(*id) != nullptr) {
            // No longer at a locked door: the character is made afresh
            // (no scenario command ends its getting in).
            remove(subject);
            return create(subject);
        }
        if (name == "DOES_ENTITY_EXIST") {
            if (!truth && id) return remove(subject), true;
            return false;
        }
        if (vid.empty() || w.vehicleById(*id) == nullptr) return false;
        const SimVehicle& v = *w.vehicleById(*id);
        std::string option;
        if (name == "GET_VEHICLE_DOOR_LOCK_STATUS") {
            option = "lock=" + std::to_string(static_cast<std::int32_t>(e.result.bits));
        } else if (name == "GET_VEHICLE_NEON_ENABLED") {
            const auto side = static_cast<int>(e.args[1].bits);
            if (side < 0 || side > 3) return false;
            option = "neon=";
            for (int s = 0; s < 4; ++s) option += (s == side ? truth : v.neon[static_cast<std::size_t>(s)]) ? "1" : "0";
        } else if (name == "GET_VEHICLE_NEON_COLOUR" || name == "GET_VEHICLE_CUSTOM_PRIMARY_COLOUR" ||
                   name == "GET_VEHICLE_CUSTOM_SECONDARY_COLOUR") {
            const Rgb c{static_cast<int>(e.args[1].after), static_cast<int>(e.args[2].after), static_cast<int>(e.args[3].after)};
            if (c.r < 0 || c.r > 255 || c.g < 0 || c.g > 255 || c.b < 0 || c.b > 255) return false;
            option = std::string(name == "GET_VEHICLE_NEON_COLOUR" ? "neon_rgb=" : name.find("PRIMARY") != std::string::npos ? "primary=" : "secondary=") +
                     rgbText(c);
        } else if (name == "IS_VEHICLE_DRIVEABLE") {
            option = std::string("driveable=") + (truth ? "1" : "0");
        } else if (name == "IS_VEHICLE_A_CONVERTIBLE") {
            option = std::string("convertible=") + (truth ? "1" : "0");
        } else if (name == "GET_IS_VEHICLE_ENGINE_RUNNING") {
            if (truth) climbing(subject, false);  // it reads false while someone climbs in
            option = std::string("engine=") + (truth ? "1" : "0");
        } else if (name == "GET_ENTITY_SPEED") {
            command("move " + vid + " " + decimalText(floatOfBits(e.result.bits)) + " " + decimalText(v.forward));
            return true;
        } else if (name == "GET_ENTITY_SPEED_VECTOR") {
            command("move " + vid + " " + decimalText(v.speed) + " " + decimalText(floatOfBits(e.result.more[0])));
            return true;
        } else if (name == "IS_VEHICLE_STOPPED") {
            // Moving at a speed the plug-in did not read: 1 m/s (a read of the speed sets it).
            command("move " + vid + (truth ? " 0 0" : " 1 1"));
            return true;
        } else if (name == "GET_VEHICLE_DOOR_ANGLE_RATIO") {
            const auto door = static_cast<std::int32_t>(e.args[1].bits);
            if (door < 0 || door >= kDoorCount) return false;
            option = "door=" + std::to_string(door) + "," + decimalText(floatOfBits(e.result.bits));
        } else if (name == "GET_BLIP_FROM_ENTITY") {
            option = e.result.bits != 0 ? "blip=1" : "blip=none";
        } else if (name == "GET_PED_IN_VEHICLE_SEAT") {
            // The seat asked: -1 the driver's, 0 and up the passengers'.
            const auto ped = idOf(static_cast<std::int32_t>(e.result.bits));
            const auto seat = static_cast<std::int32_t>(e.args[1].bits);
            if (!ped || seat < -1 || !hasSeat(v.kind, seat)) return false;
            option = seat == -1 ? "driver=" + std::to_string(*ped) : "passenger=" + std::to_string(seat) + "," + std::to_string(*ped);
        } else {
            return false;
        }
        command("set " + vid + " " + option);
        return true;
    }

    enum class Nearest { Any, LockedForPlayer, LockedForCharacter };

    // The ID of the vehicle nearest to `at` (those whose lock keeps the
    // player or a character out, or any), or empty. Without one in the
    // world, a vehicle the recording shows so is made.
    std::string nearestVehicle(const Vec3& at, Nearest which, const std::set<int>& skip = {}) {
        const auto fits = [which](int lock) {
            return which == Nearest::Any || lockKeepsOut(lock, which == Nearest::LockedForPlayer);
        };
        std::string nearest;
        float best = 0.0f;
        for (const auto& [id, v] : world().vehicles) {
            if (!fits(v.lock) || skip.count(v.handle) != 0) continue;
            const float d = (v.pos.x - at.x) * (v.pos.x - at.x) + (v.pos.y - at.y) * (v.pos.y - at.y);
            if (nearest.empty() || d < best) {
                nearest = std::to_string(id);
                best = d;
            }
        }
        if (!nearest.empty()) return nearest;
        for (const auto& [recorded, x] : facts_.entities) {
            if (!x.vehicle || !fits(x.lock.value_or(0)) || live(recorded) != -1) continue;
            if (create(recorded)) return std::to_string(*idOf(recorded));
        }
        return {};
    }

    // Without a car whose lock keeps characters out: the nearest one of the
    // world whose lock the recording never shows (not the player's) gets
    // status 2, the lock of the car the character is kept out of in the game.
    std::string lockUnread(const Vec3& at, const std::set<int>& skip = {}) {
        std::string nearest;
        float best = 0.0f;
        for (const auto& [recorded, x] : facts_.entities) {
            const auto id = idOf(recorded);
            if (!x.vehicle || x.lock || !id || recorded == facts_.player_vehicle) continue;
            const SimVehicle* v = world().vehicleById(*id);
            if (v == nullptr || v->handle == world().player.vehicle || v->handle == world().player.last_vehicle ||
                skip.count(v->handle) != 0) {
                continue;
            }
            const float d = (v->pos.x - at.x) * (v->pos.x - at.x) + (v->pos.y - at.y) * (v->pos.y - at.y);
            if (nearest.empty() || d < best) {
                nearest = std::to_string(*id);
                best = d;
            }
        }
        if (!nearest.empty()) command("set " + nearest + " lock=2");
        return nearest;
    }

    // Somebody climbs into the recorded vehicle (a character on foot the
    // world has), or nobody does (the player stands, a character is made
    // afresh).
    void climbing(int recorded_vehicle, bool someone) {
        const int handle = live(recorded_vehicle);
        const auto vid = idOf(recorded_vehicle);
        if (handle <= 0 || !vid) return;
        World& w = world();
        if (!someone) {
            if (w.climbingInto(w.player.handle) == handle) command("exit");
            std::vector<int> climbers;
            for (const auto& [recorded, id] : ids_) {
                const SimPed* p = w.pedById(id);
                if (p != nullptr && w.climbingInto(p->handle) == handle) climbers.push_back(recorded);
            }
            for (const int recorded : climbers) {
                remove(recorded);
                create(recorded);
            }
            return;
        }
        if (w.someoneClimbingInto(handle)) return;
        for (const auto& [recorded, id] : ids_) {
            const SimPed* p = w.pedById(id);
            if (p == nullptr || w.vehicleOf(p->handle) != 0 || w.enteringOf(p->handle) != 0) continue;
            command("ped-enter " + std::to_string(id) + " " + std::to_string(*vid) + " climb");
            return;
        }
    }

    // The car at whose locked door the player (or a character, by its
    // handle in the run) stands: the one the frame reads locked, the
    // nearest locked one, else one whose lock the recording leaves open
    // gets status 2: `getting_into` (the one the player gets into), or for
    // a character the nearest.
    std::string lockedDoor(const RecFrame& frame, const RecEvent* asked, bool player, int ped, const std::string& getting_into = {}) {
        if (const auto id = lockedInFrame(frame, asked, player)) return *id;
        const Vec3 at = world().position(ped);
        // Not one the plug-in unlocks before it asks.
        std::set<int> unlocked;
        for (const RecEvent& x : frame.events) {
            if (&x == asked) break;
            if (x.kind == RecEventKind::Native && !x.threw && nativeName(file_, x.native) == "SET_VEHICLE_DOORS_LOCKED" &&
                !lockKeepsOut(static_cast<std::int32_t>(x.args[1].bits), player)) {
                unlocked.insert(live(static_cast<std::int32_t>(x.args[0].bits)));
            }
        }
        const std::string nearest = nearestLocked(at, player, unlocked);
        if (!nearest.empty()) return nearest;
        std::string into;
        if (player) {
            into = getting_into.empty() ? idOfLive(world().player.entering) : getting_into;
            if (into.empty()) into = idOfLive(world().player.vehicle);
        }
        if (into.empty() || readsLock(frame, into)) {
            const std::string unread = lockUnread(at, unlocked);
            return !unread.empty() ? unread : standIn(frame, at);
        }
        command("set " + into + " lock=2");
        return into;
    }

    // A locked car the plug-in never looked at, beside `at`: a stand-in
    // while no world list of vehicles is read (the first one that does not
    // name it takes it away), none in a frame that reads one.
    std::string standIn(const RecFrame& frame, const Vec3& at) {
        for (const RecEvent& e : frame.events) {
            if (e.kind == RecEventKind::World && e.number == 1) return {};
        }
        const int id = next_id_++;
        comment("a stand-in: the car at whose locked door somebody stands, one the plug-in never looked at");
        command("vehicle " + std::to_string(id) + " car " + decimalText(at.x + 2.0f) + " " + decimalText(at.y) + " " +
                decimalText(at.z) + " lock=2");
        const SimVehicle* v = world().vehicleById(id);
        if (v == nullptr) return {};
        const int key = --last_stand_in_;  // no recorded handle is negative
        ids_[key] = id;
        pair(key, v->handle);
        return std::to_string(id);
    }

    // The frame reads the lock of that vehicle (scenario ID).
    bool readsLock(const RecFrame& frame, const std::string& id) const {
        for (const RecEvent& e : frame.events) {
            if (e.kind == RecEventKind::Native && !e.threw && !e.args.empty() &&
                nativeName(file_, e.native) == "GET_VEHICLE_DOOR_LOCK_STATUS") {
                const auto known = idOf(static_cast<std::int32_t>(e.args[0].bits));
                if (known && std::to_string(*known) == id) return true;
            }
        }
        return false;
    }

    // The vehicle whose lock the frame reads as keeping the player (or a
    // character) out, before the plug-in sets it: the one at whose door
    // they stand. Made, and given that lock, where the world lacks it.
    // A lock the plug-in sets before the question (`asked`) is the one
    // that keeps them out.
    std::optional<std::string> lockedInFrame(const RecFrame& frame, const RecEvent* asked, bool player) {
        std::set<int> set_by_plugin, locked_by_plugin;
        for (const RecEvent& e : frame.events) {
            if (&e == asked) {
                for (const int vehicle : locked_by_plugin) {
                    if (create(vehicle)) return std::to_string(*idOf(vehicle));
                }
            }
            if (e.kind != RecEventKind::Native || e.threw || e.args.empty()) continue;
            const std::string name = nativeName(file_, e.native);
            const int vehicle = static_cast<std::int32_t>(e.args[0].bits);
            if (name == "SET_VEHICLE_DOORS_LOCKED") {
                set_by_plugin.insert(vehicle);
                if (lockKeepsOut(static_cast<std::int32_t>(e.args[1].bits), player)) locked_by_plugin.insert(vehicle);
                else locked_by_plugin.erase(vehicle);
                continue;
            }
            if (name != "GET_VEHICLE_DOOR_LOCK_STATUS" || set_by_plugin.count(vehicle) != 0) continue;
            const int lock = static_cast<std::int32_t>(e.result.bits);
            if (!lockKeepsOut(lock, player) || !create(vehicle)) continue;
            const std::string id = std::to_string(*idOf(vehicle));
            if (world().vehicleById(*idOf(vehicle))->lock != lock) command("set " + id + " lock=" + std::to_string(lock));
            return id;
        }
        return std::nullopt;
    }

    std::string nearestLocked(const Vec3& at, bool player, const std::set<int>& skip = {}) {
        return nearestVehicle(at, player ? Nearest::LockedForPlayer : Nearest::LockedForCharacter, skip);
    }

    // The frame shows the player trying to get into a locked vehicle.
    bool playerAtLockedDoor(const RecFrame& frame) const { return showsOfPlayer(frame, "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE"); }

    // The frame shows that query of the player answered true (with that
    // second argument, where one is given).
    bool showsOfPlayer(const RecFrame& frame, std::string_view query, std::optional<std::uint32_t> second = {}) const {
        for (const RecEvent& e : frame.events) {
            if (e.kind == RecEventKind::Native && !e.threw && e.result.bits != 0 && !e.args.empty() &&
                static_cast<std::int32_t>(e.args[0].bits) == facts_.player && nativeName(file_, e.native) == query &&
                (!second || (e.args.size() > 1 && e.args[1].bits == *second))) {
                return true;
            }
        }
        return false;
    }

    // The vehicle the frame shows the player in (GET_VEHICLE_PED_IS_IN), as
    // recorded, or 0.
    int namedVehicle(const RecFrame& frame) const {
        for (const RecEvent& e : frame.events) {
            if (e.kind == RecEventKind::Native && !e.threw && e.result.bits != 0 && !e.args.empty() &&
                nativeName(file_, e.native) == "GET_VEHICLE_PED_IS_IN" && static_cast<std::int32_t>(e.args[0].bits) == facts_.player) {
                return static_cast<std::int32_t>(e.result.bits);
            }
        }
        return 0;
    }

    // In a vehicle, not that one (scenario ID): the player sits in the one
    // the frame names, else in another of the world.
    bool sitElsewhere(const RecFrame& frame, int not_this) {
        std::optional<int> other = idOf(namedVehicle(frame));
        for (const auto& [id, v] : world().vehicles) {
            if (!other && id != not_this) other = id;
        }
        if (!other || *other == not_this) return false;
        command("sit " + std::to_string(*other));
        return true;
    }

    // Not in the vehicle (getting in counted) while the frame shows the
    // player getting in: at the door, not climbing in.
    bool toTheDoor(const RecFrame& frame) {
        const std::string entering = idOfLive(world().player.entering);
        if (entering.empty() || !showsOfPlayer(frame, "IS_PED_GETTING_INTO_A_VEHICLE")) return false;
        command("enter " + entering + " door");
        return true;
    }

    // Where the player is: in a vehicle, getting in, or on foot.
    bool fixSeat(const std::string& name, const RecEvent& e, const RecFrame& frame) {
        const bool truth = e.result.bits != 0;
        World& w = world();
        if (name == "GET_VEHICLE_PED_IS_IN") {
            const auto target = idOf(static_cast<std::int32_t>(e.result.bits));
            const bool entering_too = e.args[1].bits != 0;
            if (e.result.bits == 0) {
                if (w.player.vehicle == 0 && (!entering_too || w.player.entering == 0)) return false;
                command("exit");
                return true;
            }
            if (!target) return false;
            command((entering_too && w.player.vehicle == 0 ? "enter " : "sit ") + std::to_string(*target));
            return true;
        }
        if (name == "IS_PED_IN_VEHICLE") {
            const auto target = idOf(static_cast<std::int32_t>(e.args[1].bits));
            if (!target) return false;
            // Getting in counts as well: one sitting elsewhere changes seats.
            // (at-get-in: climbing in, the door open).
            if (truth) {
                command(e.args[2].bits != 0 && w.player.vehicle == 0 ? "enter " + std::to_string(*target) + " climb"
                                                                     : "sit " + std::to_string(*target));
            }
            else if (showsOfPlayer(frame, "IS_PED_IN_ANY_VEHICLE", 0) && sitElsewhere(frame, *target)) return true;
            else if (e.args[2].bits == 0 || !toTheDoor(frame)) command("exit");
            return true;
        }
        if (!truth) {
            const bool counts_getting_in = name == "IS_PED_IN_ANY_VEHICLE" && e.args[1].bits != 0;
            if (!counts_getting_in || !toTheDoor(frame)) command("exit");
            return true;
        }
        // In or getting into some vehicle: the one the frame names, or the last one.
        int recorded = namedVehicle(frame);
        for (const auto& [r, id] : ids_) {
            if (recorded == 0 && live(r) == w.player.last_vehicle) recorded = r;
        }
        if (recorded == 0) recorded = facts_.player_vehicle;
        create(recorded);
        auto target = idOf(recorded);
        if (!target) {
            const std::string nearest = nearestVehicle(w.position(w.player.handle), Nearest::Any);
            if (nearest.empty()) return false;
            target = std::stoi(nearest);
        }
        const bool sitting = name == "IS_PED_IN_ANY_VEHICLE" && e.args[1].bits == 0;
        if (!sitting && playerAtLockedDoor(frame)) {
            // Getting in, but at the door of a car whose lock keeps the player out.
            const std::string locked = lockedDoor(frame, nullptr, true, w.player.handle, std::to_string(*target));
            if (!locked.empty()) return command("enter " + locked + " door"), true;
        }
        // In any vehicle, getting in counted: climbing in.
        command(sitting ? "sit " + std::to_string(*target)
                        : "enter " + std::to_string(*target) + (name == "IS_PED_IN_ANY_VEHICLE" ? " climb" : ""));
        return true;
    }

    // A feed post answers its item's number: items the game posted before
    // (an earlier load's notice, the game's own) are counted in.
    void feedAsRecorded(const NativeInfo& native, const RecEvent& e) {
        if (std::string_view(native.name) != "END_TEXT_COMMAND_THEFEED_POST_TICKER" || feed_fixed_) return;
        feed_fixed_ = true;
        const auto recorded = static_cast<std::int32_t>(e.result.bits);
        const int next = world().feed_before + static_cast<int>(sim_.notifications().size()) + 1;
        if (recorded > 0 && recorded != next) command("feed-posted " + std::to_string(recorded - 1));
    }

    // Before the frame: every query the plug-in makes in it, before it
    // changes that answer itself, answered as recorded.
    void fixAnswers(const RecFrame& f) {
        std::set<AnswerKey> changed;
        std::set<int> engine_started;  // vehicles the plug-in started in the frame
        bool locks_set = false;         // after a lock the plug-in set, who stands at a locked door is its doing
        std::map<int, int> lock_set;    // recorded vehicle -> the lock the plug-in set so far in the frame
        feed_fixed_ = false;  // the frame's first post sets the count
        std::set<std::string> asked;
        for (const RecEvent& e : f.events) {
            if (e.kind != RecEventKind::Native || e.threw) continue;
            const NativeInfo* native = findNative(file_.natives[static_cast<std::size_t>(e.native)].hash);
            if (native == nullptr) continue;
            if (!isQueryNative(native->name)) {
                if (std::string_view(native->name) == "SET_VEHICLE_DOORS_LOCKED") {
                    locks_set = true;
                    lock_set[static_cast<std::int32_t>(e.args[0].bits)] = static_cast<std::int32_t>(e.args[1].bits);
                }
                if (std::string_view(native->name) == "SET_VEHICLE_ENGINE_ON") {
                    const int vehicle = static_cast<std::int32_t>(e.args[0].bits);
                    if (e.args[1].bits != 0) engine_started.insert(vehicle);
                    else engine_started.erase(vehicle);
                }
                feedAsRecorded(*native, e);
                for (const AnswerKey& k : answersChangedBy(*native, e)) changed.insert(k);
                continue;
            }
            // After an unlock the one at the door may be in: the plug-in's doing.
            if (locks_set && e.result.bits == 0 && std::string_view(native->name) == "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE") {
                continue;
            }
            if (changed.count(answerKeyOf(*native, e)) != 0) {
                // Started by the plug-in but read as not running: somebody climbs in.
                if (std::string_view(native->name) == "GET_IS_VEHICLE_ENGINE_RUNNING" && e.result.bits == 0 &&
                    engine_started.count(static_cast<std::int32_t>(e.args[0].bits)) != 0) {
                    climbing(static_cast<std::int32_t>(e.args[0].bits), true);
                }
                continue;
            }
            for (int i = 0; i < native->argc; ++i) {
                if (isHandleParam(*native, i)) create(static_cast<std::int32_t>(e.args[static_cast<std::size_t>(i)].bits));
            }
            if (isHandleType(native->returns)) create(static_cast<std::int32_t>(e.result.bits));
            const std::string key = eventText(file_, e);
            if (!asked.insert(key).second) continue;
            Answer a = ask(*native, e);
            if (!a.ok || (answers(*native, e, a) && !unlockedBefore(*native, e, lock_set))) continue;
            if (!fix(*native, e, f)) continue;  // noted when the plug-in asks it
        }
    }

    // One the world has at a locked door, of a car the plug-in unlocks
    // before it asks: the answer the world gives now does not last.
    bool unlockedBefore(const NativeInfo& native, const RecEvent& e, const std::map<int, int>& lock_set) {
        if (std::string_view(native.name) != "IS_PED_TRYING_TO_ENTER_A_LOCKED_VEHICLE" || e.result.bits == 0) return false;
        const int subject = static_cast<std::int32_t>(e.args[0].bits);
        const int entering = world().enteringOf(live(subject));
        for (const auto& [vehicle, lock] : lock_set) {
            if (entering != 0 && live(vehicle) == entering && !lockKeepsOut(lock, subject == facts_.player)) return true;
        }
        return false;
    }

    // [SECTION] What the frame shows: locks, blips, notifications

    void expectShown(const RecFrame& f) {
        std::map<int, int> locks;
        std::map<int, std::optional<int>> blips;  // vehicle -> sprite (nullopt: removed)
        std::vector<std::string> posted;
        std::string feed;
        bool in_feed = false;
        for (const RecEvent& e : f.events) {
            if (e.kind != RecEventKind::Native || e.threw) continue;
            const std::string name = nativeName(file_, e.native);
            const auto handle = [&](std::size_t i) { return static_cast<std::int32_t>(e.args[i].bits); };
            if (name == "SET_VEHICLE_DOORS_LOCKED") {
                locks[handle(0)] = handle(1);
            } else if (name == "ADD_BLIP_FOR_ENTITY") {
                blip_owner_[static_cast<std::int32_t>(e.result.bits)] = handle(0);
                blips[handle(0)] = 1;
            } else if (name == "SET_BLIP_SPRITE") {
                const auto owner = blip_owner_.find(handle(0));
                if (owner != blip_owner_.end()) blips[owner->second] = handle(1);
            } else if (name == "REMOVE_BLIP" && !e.args[0].null) {
                const auto owner = blip_owner_.find(static_cast<std::int32_t>(e.args[0].bits));
                if (owner != blip_owner_.end()) blips[owner->second] = std::nullopt;
            } else if (name == "BEGIN_TEXT_COMMAND_THEFEED_POST") {
                in_feed = true;
                feed.clear();
            } else if (name == "ADD_TEXT_COMPONENT_SUBSTRING_PLAYER_NAME" && in_feed && !e.args[0].null) {
                feed += e.args[0].text;
            } else if (name == "END_TEXT_COMMAND_THEFEED_POST_TICKER" && in_feed) {
                posted.push_back(feed);
                in_feed = false;
            } else if (name.starts_with("BEGIN_TEXT_COMMAND_")) {
                in_feed = false;
            }
        }
        for (const auto& [vehicle, lock] : locks) {
            if (const auto id = idOf(vehicle)) expect("vehicle " + std::to_string(*id) + " lock " + std::to_string(lock));
        }
        for (const auto& [vehicle, sprite] : blips) {
            if (const auto id = idOf(vehicle)) {
                expect("vehicle " + std::to_string(*id) + " blip " + (sprite ? std::to_string(*sprite) : std::string("null")));
            }
        }
        std::map<std::string, int> counts;
        for (const std::string& text : posted) ++counts[text];
        for (const auto& [text, count] : counts) {
            std::string line = "notification " + text;
            if (count > 1) line.append(" ").append(std::to_string(count));
            expect(line);
        }
    }

    void expect(const std::string& what) {
        if (!left_.empty()) {
            ++expects_dropped_;  // the run left the recording: its states are not the recorded ones
            return;
        }
        ++expects_;
        command("expect " + what);
    }

    const RecordingFile& file_;
    const Facts& facts_;
    Simulator& sim_;
    ScenarioSession session_;
    std::ostringstream expect_errors_;
    std::string text_;
    int pending_frames_ = 0;
    std::uint64_t current_frame_ = 0;
    std::map<int, int> handles_;  // recorded handle -> the run's
    std::map<int, int> ids_;      // recorded handle -> scenario ID
    std::map<std::uint32_t, std::uint32_t> models_;
    std::map<int, int> blip_owner_;  // recorded blip -> recorded vehicle
    int next_id_ = 1;
    int last_stand_in_ = 0;  // stand-ins are keyed -1, -2, ...
    bool placed_player_ = false;
    bool readOnly_ = false;
    bool folder_ = false;  // ini-folder put a folder in the INI file's place
    std::vector<const RecEvent*> expected_;
    std::size_t at_ = 0;
    const RecEvent* pending_ = nullptr;
    std::vector<std::string> notes_;
    std::set<std::string> noted_;
    std::string left_;
    int expects_ = 0;
    int expects_dropped_ = 0;
    bool feed_fixed_ = false;
};

// The recording's frames with the length each must have for the clock to
// read what the recording shows. Frames in which nothing reads the clock
// last 1 ms each, and the last of them the rest of the time to the next
// frame that reads it: a fibre waiting runs again where it ran in the game.
class FrameClock {
public:
    explicit FrameClock(FrameSource& frames) : frames_(frames) {}

    bool next(RecFrame& frame, std::optional<std::uint32_t>& length) {
        if (!fill(1)) return false;
        frame = std::move(ahead_.front());
        ahead_.pop_front();
        if (frame.tick) now_ = frame.tick;
        length.reset();
        std::size_t k = 0;  // frames between this one and the next that reads the clock
        while (fill(k + 1) && !ahead_[k].tick && k < kLookAhead) ++k;
        if (!now_ || k >= ahead_.size() || !ahead_[k].tick) return true;
        const std::uint32_t gap = *ahead_[k].tick - *now_;
        length = gap > k ? (k == 0 ? gap : 1) : std::max<std::uint32_t>(1, gap / static_cast<std::uint32_t>(k + 1));
        *now_ += *length;
        return true;
    }

private:
    static constexpr std::size_t kLookAhead = 4096;

    bool fill(std::size_t n) {
        while (ahead_.size() < n) {
            RecFrame f;
            if (!frames_.next(f)) return false;
            ahead_.push_back(std::move(f));
        }
        return true;
    }

    FrameSource& frames_;
    std::deque<RecFrame> ahead_;
    std::optional<std::uint32_t> now_;  // the clock at the frame's start
};

}  // namespace

Conversion convertRecording(const RecordingFile& file, const std::string& source_name) {
    if (file.first_chunk != 0) {
        throw RecordingError("the recording does not begin at the plug-in's load (its ring had gone round): it cannot be "
                             "rebuilt from the start");
    }
    const Facts facts = gatherFacts(file);
    Conversion result;
    result.frames = facts.frames;
    ScratchFolder folder("convert");
    std::string body;
    {
        Simulator sim;
        sim.setTraceKept(false);
        Converter c(file, facts, sim);
        sim.setObserver(&c);
        if (facts.first_tick) c.command("start-tick " + std::to_string(*facts.first_tick));
        for (const std::string& dict : facts.dicts_asked) {
            if (facts.dicts_loaded.count(dict) == 0) c.command("dict-never " + dict);
        }
        for (const std::uint32_t model : facts.models_asked) {
            const auto name = facts.names.find(model);
            if (facts.models_loaded.count(model) == 0 && name != facts.names.end()) c.command("model-never " + name->second);
        }
        c.command("no-ini");
        FrameSource frames(file);
        FrameClock clock(frames);
        RecFrame current;
        std::optional<std::uint32_t> length;
        while (clock.next(current, length)) {
            c.frame(current, length);
            if (!sim.faults().empty()) break;
        }
        c.finish(frames.unloaded());
        body = c.takeText();
        result.expects = c.expects();
        result.expects_failed = c.expectsFailed();
        result.notes = c.notes();
        result.left = c.left();
        result.expects_dropped = c.expectsDropped();
        for (const Fault& f : sim.faults()) result.notes.push_back("the plug-in broke the host protocol: " + f.message);
        sim.setObserver(nullptr);
        if (sim.started()) sim.unload();  // in the converter's folder: its files go with it
    }
    std::string head = "# Rebuilt by tavrel-sim --to-scenario from " + source_name + " (plug-in " +
                       std::to_string(file.plugin_major) + "." + std::to_string(file.plugin_minor) + ", " +
                       std::to_string(result.frames) + " frames).\n"
                       "# The world is the one the plug-in saw: the player and the cars and characters it looked at,\n"
                       "# set before each frame to give the answers the recording shows; the INI file as it read it;\n"
                       "# the keys at their frames. Each expect line is a lock state, blip or notification the\n"
                       "# recording shows.\n";
    if (result.notes.empty() && result.left.empty()) {
        head += "# Every answer the plug-in read comes from this world.\n";
    } else {
        head += "# Answers this world does not give as the game did (see the comments below): " +
                std::to_string(result.notes.size()) + ".\n";
        if (!result.left.empty()) {
            head += "# Where the run stops following the recording (see below), the " + std::to_string(result.expects_dropped) +
                    " expect lines the recording shows from there on are not written.\n";
        }
    }
    result.scenario = head + body;
    return result;
}

int runToScenario(const std::string& path, const std::string& out_path, std::ostream& out, std::ostream& err) {
    Conversion c;
    try {
        const RecordingFile file = readRecordingFile(path);
        const std::string base = path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
        c = convertRecording(file, base);
    } catch (const RecordingError& e) {
        err << "tavrel-sim: " << path << ": " << e.what() << "\n";
        return 2;
    }
    if (out_path.empty()) {
        out << c.scenario;
    } else {
        std::ofstream file(out_path, std::ios::binary | std::ios::trunc);
        file << c.scenario;
        if (!file) {
            err << "tavrel-sim: cannot write " << out_path << "\n";
            return 2;
        }
    }
    for (const std::string& n : c.notes) err << "tavrel-sim: not rebuilt: " << n << "\n";
    if (!c.left.empty()) {
        err << "tavrel-sim: the scenario's run leaves the recording: " << c.left << "; " << c.expects_dropped
            << " expect lines the recording shows after that point not written\n";
    }
    err << "tavrel-sim: " << c.frames << " frames, " << c.expects << " expect lines (" << (c.expects - c.expects_failed)
        << " held in the converter's run), " << c.notes.size() << " answers not rebuilt\n";
    return 0;
}

}  // namespace tavrel::sim
