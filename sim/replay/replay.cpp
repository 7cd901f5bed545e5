#include "sim/replay/replay.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>

#include "sim/replay/recording.h"
#include "sim/replay/replay_text.h"
#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scratch_folder.h"

namespace tavrel::sim {

namespace {

namespace fs = std::filesystem;

bool isFileEvent(const RecEvent& e) {
    return e.kind == RecEventKind::FileExists || e.kind == RecEventKind::FileRead ||
           e.kind == RecEventKind::FileReplace || e.kind == RecEventKind::FileAppend ||
           e.kind == RecEventKind::LogStart || e.kind == RecEventKind::FileRecover;
}

bool isLogEvent(const RecEvent& e) { return e.kind == RecEventKind::FileAppend || e.kind == RecEventKind::LogStart; }

constexpr std::size_t kCallsBefore = 12;  // how many matched calls a difference shows

std::uint8_t registrationCode(HostStandIn::Registration what) {
    switch (what) {
        case HostStandIn::Registration::Main: return rec::kRegisterMain;
        case HostStandIn::Registration::Thread: return rec::kRegisterThread;
        case HostStandIn::Registration::Keyboard: return rec::kRegisterKeyboard;
        case HostStandIn::Registration::UnregisterScripts: return rec::kUnregisterScripts;
        case HostStandIn::Registration::UnregisterKeyboard: return rec::kUnregisterKeyboard;
    }
    return 0;
}

std::optional<std::string> fileBytes(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The recording stands in for the game.
class Replayer : public HostStandIn {
public:
    Replayer(const RecordingFile& file, Simulator& sim) : file_(file), reader_(file), sim_(sim) {}

    // [SECTION] The run

    // The events before the first call: files to put in place.
    void begin() { afterMatch(); }

    // The next event the plug-in must make, or null at the recording's end
    // (or where the recording turns out damaged: refused).
    const RecEvent* upcoming() {
        checkWrites();
        if (stopped()) return nullptr;
        return peek();
    }

    bool stopped() const { return differs_ || refused_; }
    bool differs() const { return differs_; }
    bool refused() const { return refused_; }
    const std::string& problem() const { return problem_; }
    std::uint64_t consumed() const { return consumed_; }

    // A difference the plug-in makes where no host call of its own is (no
    // fibre runs to make the event).
    void nothingMade(const RecEvent& expected, const std::string& why) {
        differ(&expected, why);
    }

    void finish() { checkWrites(); }

    // [SECTION] HostStandIn

    void nativeCall(const NativeInfo& native, const std::uint64_t* args, int argc, std::uint64_t* slots) override {
        if (stopped()) return;
        const RecEvent* e = upcoming();
        if (stopped()) return stopHere();
        if (e == nullptr || e->kind != RecEventKind::Native || file_.natives[static_cast<std::size_t>(e->native)].hash != native.hash ||
            !sameArguments(*e, args, argc)) {
            differ(e, callText(describeCall(native, args, argc)));
            return stopHere();
        }
        const RecEvent event = *take();
        if (event.threw) {
            afterMatch();
            throw InjectedThrow(kThrowAtNative);  // as the simulator throws it
        }
        const RecNative& n = file_.natives[static_cast<std::size_t>(event.native)];
        switch (n.result) {
            case rec::Kind::None: break;
            case rec::Kind::Text:
                slots[0] = event.result.null ? 0 : reinterpret_cast<std::uintptr_t>(sim_.keepText(event.result.text));
                break;
            case rec::Kind::Vec3:
                slots[0] = event.result.bits;
                slots[1] = event.result.more[0];
                slots[2] = event.result.more[1];
                break;
            default:
                slots[0] = event.result.bits;
        }
        for (int i = 0; i < argc && i < static_cast<int>(event.args.size()); ++i) {
            const RecValue& a = event.args[static_cast<std::size_t>(i)];
            if ((a.kind != rec::Kind::Ptr && a.kind != rec::Kind::Out) || a.null || args[i] == 0) continue;
            std::memcpy(reinterpret_cast<void*>(static_cast<std::uintptr_t>(args[i])), &a.after, 4);
        }
        afterMatch();
    }

    std::uint32_t clockRead() override {
        if (stopped()) return sim_.now();
        if (delivering_) {
            key_clock_read_ = true;
            if ((key_.flags & rec::kKeyTickThrew) != 0) throw InjectedThrow(kThrowAtClockRead);
            if ((key_.flags & rec::kKeyTick) == 0) {
                differ(&key_, "the keyboard handler reads the clock");
                throw InjectedThrow("the replay stops here");
            }
            return key_.number;
        }
        const RecEvent* e = upcoming();
        if (stopped()) return stopHere(), sim_.now();
        if (e == nullptr || e->kind != RecEventKind::Tick) {
            differ(e, "a clock read");
            return stopHere(), sim_.now();
        }
        const std::uint32_t value = take()->number;
        sim_.setClock(value);
        afterMatch();
        return value;
    }

    void seedRandom(std::uint32_t seed) override { expectNumber(RecEventKind::Seed, seed, "srand"); }

    int nextRandom() override {
        if (stopped()) return 0;
        const RecEvent* e = upcoming();
        if (stopped()) return stopHere(), 0;
        if (e == nullptr || e->kind != RecEventKind::Random) {
            differ(e, "rand()");
            return stopHere(), 0;
        }
        const auto value = static_cast<int>(take()->number);
        afterMatch();
        return value;
    }

    int worldList(bool vehicles, int* handles, int capacity) override {
        if (stopped()) return 0;
        const RecEvent* e = upcoming();
        const std::string made = std::string(vehicles ? "worldGetAllVehicles" : "worldGetAllPeds") + "(" +
                                 std::to_string(capacity) + ")";
        if (stopped()) return stopHere(), 0;
        if (e == nullptr || e->kind != RecEventKind::World || e->number != (vehicles ? 1u : 0u) ||
            e->capacity != static_cast<std::uint32_t>(capacity < 0 ? 0 : capacity)) {
            differ(e, made);
            return stopHere(), 0;
        }
        const RecEvent event = *take();
        if (handles != nullptr) {
            for (std::size_t i = 0; i < event.handles.size() && i < static_cast<std::size_t>(capacity); ++i) {
                handles[i] = event.handles[i];
            }
        }
        afterMatch();
        return static_cast<int>(event.count);
    }

    void registration(Registration what) override {
        if (stopped()) return;
        const RecEvent* e = upcoming();
        if (stopped()) return;
        const std::uint8_t code = registrationCode(what);
        if (e == nullptr || e->kind != RecEventKind::Register || e->number != code) {
            RecEvent made;
            made.kind = RecEventKind::Register;
            made.number = code;
            differ(e, eventText(file_, made));
            return;  // the host's own code: nothing thrown into it
        }
        take();
        afterMatch();
    }

    void wait(std::uint32_t ms) override { expectNumber(RecEventKind::Wait, ms, "scriptWait"); }

    bool due(std::size_t index) override {
        if (stopped()) return false;
        const RecEvent* e = upcoming();
        if (e == nullptr || (e->kind != RecEventKind::Start && e->kind != RecEventKind::Resume) ||
            e->fibre != static_cast<int>(index)) {
            return false;
        }
        take();
        afterMatch();
        return true;
    }

private:
    // [SECTION] Matching

    // A call the recording holds as one number (a seed, a wait): the next
    // event must be that kind with that number.
    void expectNumber(RecEventKind kind, std::uint32_t number, const char* call) {
        if (stopped()) return;
        const RecEvent* e = upcoming();
        if (stopped()) return stopHere();
        if (e == nullptr || e->kind != kind || e->number != number) {
            differ(e, std::string(call) + "(" + std::to_string(number) + ")");
            return stopHere();
        }
        take();
        afterMatch();
    }

    int current() const {
        const FibreScheduler::Fibre* f = FibreScheduler::currentFibre();
        if (f == nullptr) return -1;
        return f->name == "main" ? 0 : f->name == "menu" ? 1 : std::atoi(f->name.c_str() + 4);
    }

    bool sameArguments(const RecEvent& e, const std::uint64_t* args, int argc) const {
        if (argc != static_cast<int>(e.args.size())) return false;
        for (int i = 0; i < argc; ++i) {
            const RecValue& v = e.args[static_cast<std::size_t>(i)];
            const std::uint64_t raw = args[i];
            switch (v.kind) {
                case rec::Kind::Text: {
                    const char* text = reinterpret_cast<const char*>(static_cast<std::uintptr_t>(raw));
                    if ((text == nullptr) != v.null) return false;
                    if (text != nullptr && v.text != text) return false;
                    break;
                }
                case rec::Kind::Out:
                    if ((raw == 0) != v.null) return false;
                    break;
                case rec::Kind::Ptr: {
                    if ((raw == 0) != v.null) return false;
                    if (raw == 0) break;
                    std::uint32_t in = 0;
                    std::memcpy(&in, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(raw)), 4);
                    if (in != v.bits) return false;
                    break;
                }
                default:
                    if (static_cast<std::uint32_t>(raw) != v.bits) return false;
            }
        }
        return true;
    }

    // The reader's next event; a damaged part stops the replay (it is
    // refused), never an exception into the plug-in.
    const RecEvent* peek() {
        try {
            return reader_.peek();
        } catch (const RecordingError& e) {
            refuse(e.what());
            return nullptr;
        }
    }

    const RecEvent* take() {
        const RecEvent* e = reader_.next();
        ++consumed_;
        history_.push_back(std::to_string(sim_.now()) + " " + fibreLabel(e->context) + " " + eventText(file_, *e));
        if (history_.size() > kCallsBefore) history_.pop_front();
        return e;
    }

    // After a match: the key messages that came next are delivered, and the
    // files the next calls find are put in place.
    void afterMatch() {
        for (;;) {
            const RecEvent* e = peek();
            if (e == nullptr || stopped()) return;
            if (e->kind == RecEventKind::Key) {
                deliver(*take());
            } else if (isFileEvent(*e)) {
                prepareFiles();
            } else {
                return;
            }
        }
    }

    void deliver(const RecEvent& key) {
        key_ = key;
        if ((key.flags & rec::kKeyTick) != 0) sim_.setClock(key.number);
        delivering_ = true;
        key_clock_read_ = false;
        sim_.sendKeyMessage(key.key, static_cast<std::uint16_t>(key.repeats), key.scan, (key.flags & rec::kKeyExtended) != 0,
                            (key.flags & rec::kKeyAlt) != 0, (key.flags & rec::kKeyWasDown) != 0, (key.flags & rec::kKeyUp) != 0);
        delivering_ = false;
        if (!stopped() && (key.flags & (rec::kKeyTick | rec::kKeyTickThrew)) != 0 && !key_clock_read_) {
            differ(&key, "the keyboard handler, not reading the clock");
        }
    }

    // [SECTION] Files

    struct WriteCheck {
        std::string name;
        std::uint32_t size = 0;
        std::uint64_t sum = 0;
        std::optional<std::string> before;  // a failed write: the bytes must stay
    };

    // The run of file events next: the files made as they must be found,
    // the writes to check at the next call.
    void prepareFiles() {
        std::vector<RecEvent> run;
        for (const RecEvent* e = peek(); e != nullptr && isFileEvent(*e); e = peek()) run.push_back(*take());
        std::vector<std::string> done;
        for (std::size_t i = 0; i < run.size(); ++i) {
            const RecEvent& e = run[i];
            const std::string name = localFileName(e.path);
            if (name.empty()) {
                refuse("the recording names the file " + e.path + ", outside the game folder");
                return;
            }
            // The load's recovery: what it left is what the reads after it
            // find, which are put in place; a replay's folder has no leftovers.
            if (e.kind == RecEventKind::FileRecover) continue;
            // A write that found the file changed since its read wrote
            // nothing: the plug-in reads again, and that read is the one set.
            if (e.kind == RecEventKind::FileReplace && e.changed) continue;
            if (e.kind == RecEventKind::FileReplace) {
                const std::optional<std::string> now = fileBytes(name);
                checks_.push_back(WriteCheck{name, e.size, e.sum, e.ok ? std::nullopt : now});
            }
            if (isLogEvent(e)) {
                // The plug-in's own output: where it failed, it fails again
                // (a folder of that name); its bytes are checked after.
                if (std::find(done.begin(), done.end(), name) == done.end()) {
                    done.push_back(name);
                    std::error_code ignored;
                    if (!e.ok) {
                        makeIniFolder(name);
                    } else if (fs::is_directory(name, ignored)) {
                        fs::remove_all(name, ignored);
                    }
                }
                if (e.ok) log_checks_.push_back(LogCheck{name, e.kind == RecEventKind::LogStart, e.size, e.sum});
                continue;
            }
            if (std::find(done.begin(), done.end(), name) != done.end()) continue;
            done.push_back(name);
            if (!putInPlace(name, run, i)) return;
        }
    }

    // The state of `name` its first event of the run (at `first`) finds.
    bool putInPlace(const std::string& name, const std::vector<RecEvent>& run, std::size_t first) {
        bool exists = true;
        bool readable = true;
        bool write_fails = false;
        std::optional<std::string> bytes;
        for (std::size_t i = first; i < run.size(); ++i) {
            const RecEvent& e = run[i];
            if (localFileName(e.path) != name) continue;
            if (e.kind == RecEventKind::FileExists && i == first) exists = e.ok;
            if (e.kind == RecEventKind::FileRead && !bytes && readable) {
                if (e.large) {
                    refuse("the recording keeps only the size of a read of " + e.path + " (" + std::to_string(e.size) +
                           " bytes, too large for the ring's chunk): it cannot be replayed");
                    return false;
                }
                if (e.ok) bytes = e.bytes;
                else readable = false;
            }
            if (e.kind == RecEventKind::FileReplace && !e.changed) {
                write_fails = !e.ok;
                break;  // what comes after is what the plug-in wrote
            }
        }
        std::error_code ignored;
        setIniReadOnly(name, false);
        fs::remove_all(name, ignored);
        if (!exists) return true;
        if (!readable) {
            fs::create_directory(name, ignored);  // there, but not a file that opens
            return true;
        }
        if (!writeIniBytes(name, bytes.value_or(std::string()))) {
            refuse("cannot write " + name + " in the replay's folder");
            return false;
        }
        if (write_fails) setIniReadOnly(name, true);
        return true;
    }

    // The log's bytes the plug-in wrote since the last check, against the
    // recorded appends.
    void checkLog() {
        if (log_checks_.empty() || stopped()) return;
        std::vector<LogCheck> checks;
        checks.swap(log_checks_);
        const std::optional<std::string> now = fileBytes(checks.front().name);
        for (const LogCheck& c : checks) {
            if (c.start) {
                log_size_ = 0;
                continue;
            }
            if (!now || now->size() < log_size_ + c.size ||
                rec::checksum(now->data() + log_size_, c.size) != c.sum) {
                RecEvent wanted;
                wanted.kind = RecEventKind::FileAppend;
                wanted.path = c.name;
                wanted.size = c.size;
                wanted.sum = c.sum;
                wanted.ok = true;
                wanted.context = current();
                differ(&wanted, "the log's lines are other ones (" +
                                    std::to_string(now ? now->size() - std::min(now->size(), log_size_) : 0) +
                                    " bytes after the earlier ones)");
                return;
            }
            log_size_ += c.size;
        }
    }

    void checkWrites() {
        checkLog();
        if (checks_.empty() || stopped()) return;
        std::vector<WriteCheck> checks;
        checks.swap(checks_);
        for (const WriteCheck& c : checks) {
            const std::optional<std::string> now = fileBytes(c.name);
            if (c.before) {
                if (now != c.before) {
                    differ(nullptr, "a write of " + c.name + " that the recording has failing changed it");
                    return;
                }
                continue;
            }
            if (!now || now->size() != c.size || rec::checksum(now->data(), now->size()) != c.sum) {
                RecEvent wanted;
                wanted.kind = RecEventKind::FileReplace;
                wanted.path = c.name;
                wanted.size = c.size;
                wanted.sum = c.sum;
                wanted.ok = true;
                wanted.context = current();
                differ(&wanted, now ? "write of " + c.name + ": " + std::to_string(now->size()) + " bytes, checksum " +
                                          hexText(rec::checksum(now->data(), now->size()), 16)
                                    : "no " + c.name);
                return;
            }
        }
    }

    // [SECTION] Differences

    void differ(const RecEvent* expected, const std::string& made) {
        if (stopped()) return;
        differs_ = true;
        const int fibre = expected != nullptr ? expected->context : current();
        problem_ = "the replay differs from the recording at frame " +
                   std::to_string((expected != nullptr ? expected->frame : reader_.frame()) + 1) + " (tick " +
                   std::to_string(sim_.now()) + "), fibre " + fibreLabel(fibre) + ":\n  expected: " +
                   (expected != nullptr ? eventText(file_, *expected) : std::string("the end of the recording")) +
                   "\n  actual:   " + made + "\n";
        if (!history_.empty()) {
            problem_ += "  the calls before it, oldest first:\n";
            for (const std::string& line : history_) problem_ += "    " + line + "\n";
        } else {
            problem_ += "  (it is the recording's first event)\n";
        }
    }

    void refuse(const std::string& why) {
        if (stopped()) return;
        refused_ = true;
        problem_ = why;
    }

    // Ends the plug-in's work on the fibre that made the difference: an
    // exception into it, as a faulting host call would, which it stops at.
    void stopHere() {
        if (FibreScheduler::currentFibre() != nullptr && !thrown_) {
            thrown_ = true;
            throw InjectedThrow("the replay stops here");
        }
    }

    const RecordingFile& file_;
    RecordingReader reader_;
    Simulator& sim_;
    std::deque<std::string> history_;
    std::uint64_t consumed_ = 0;
    bool differs_ = false;
    bool refused_ = false;
    bool thrown_ = false;
    std::string problem_;
    bool delivering_ = false;
    bool key_clock_read_ = false;
    RecEvent key_;
    std::vector<WriteCheck> checks_;
    struct LogCheck {
        std::string name;
        bool start = false;  // begun afresh: what follows starts at byte 0
        std::uint32_t size = 0;
        std::uint64_t sum = 0;
    };
    std::vector<LogCheck> log_checks_;
    std::size_t log_size_ = 0;
};

}  // namespace

int runReplay(const std::string& path, const ReplayOptions& options, std::ostream& out, std::ostream& err) {
    RecordingFile file;
    try {
        file = readRecordingFile(path);
    } catch (const RecordingError& e) {
        err << "tavrel-sim: " << path << ": " << e.what() << "\n";
        return 2;
    }
    if (file.first_chunk != 0) {
        err << "tavrel-sim: " << path << ": the recording does not begin at the plug-in's load: its ring ("
            << file.ring_kb << " KB) had gone round " << file.first_chunk
            << " chunks before it was saved; a replay starts at the load ([Misc] recorder_kb bigger, or save sooner)\n";
        return 2;
    }
    if ((file.flags & rec::kFlagIncomplete) != 0) {
        err << "tavrel-sim: " << path << ": note: the recording lost some records (key messages or an oversize call); "
                                          "the replay may differ there\n";
    }
    const fs::path recording = fs::absolute(path);
    ScratchFolder folder("replay");
    int status = 0;
    std::string problem;
    {
        Simulator sim;
        Replayer replayer(file, sim);
        ScenarioOptions trace;
        trace.timeline = options.timeline;
        trace.timeline_changes = options.timeline_changes;
        trace.trace = options.trace;
        attachTraceOutput(sim, trace, out);
        sim.setStandIn(&replayer);
        try {
            replayer.begin();
            if (!replayer.stopped()) sim.start();
            std::size_t faults = 0;
            while (!replayer.stopped() && sim.faults().size() == faults) {
                const RecEvent* e = replayer.upcoming();
                if (e == nullptr) break;
                if (e->context < 0 && e->kind == RecEventKind::Register &&
                    (e->number == rec::kUnregisterScripts || e->number == rec::kUnregisterKeyboard)) {
                    if (!sim.started()) {
                        replayer.nothingMade(*e, "nothing: the plug-in is not loaded");
                        break;
                    }
                    sim.unload();
                    continue;
                }
                if (e->kind == RecEventKind::Start || e->kind == RecEventKind::Resume) {
                    const std::uint64_t before = replayer.consumed();
                    sim.runFrame();
                    if (replayer.consumed() == before && !replayer.stopped()) {
                        replayer.nothingMade(*e, "nothing: fibre " + fibreLabel(e->fibre) + " does not run (it has ended or was never started)");
                    }
                    continue;
                }
                replayer.nothingMade(*e, "nothing: every fibre of the plug-in waits");
            }
            replayer.finish();
        } catch (const InjectedThrow&) {
            // thrown into the host's own code by a difference there: it is reported below
        }
        out.flush();
        // A difference first: what the plug-in does after it (an exception
        // thrown into it to end its work there) is no fault of its own.
        if (replayer.refused()) {
            err << "tavrel-sim: " << recording.string() << ": " << replayer.problem() << "\n";
            status = 2;
        } else if (replayer.differs()) {
            err << "tavrel-sim: " << recording.string() << ": " << replayer.problem();
            status = kReplayDiffers;
        } else if (!sim.faults().empty()) {
            for (const Fault& f : sim.faults()) {
                err << "tavrel-sim: " << recording.string() << ": tick " << f.tick << ", " << f.fibre << ": " << f.message << "\n";
            }
            status = 1;
        } else {
            out << settingsJson() << "\n" << runtimeJson() << "\n";
        }
        sim.setStandIn(nullptr);
        sim.setTraceSink(nullptr);
        sim.setKeySink(nullptr);
        // Unloaded here, in the replay's own folder: a plug-in left loaded
        // (the Windows host's library) would write its files at the
        // process's end, wherever the command was run from.
        if (sim.started()) sim.unload();
    }
    return status;
}

}  // namespace tavrel::sim
