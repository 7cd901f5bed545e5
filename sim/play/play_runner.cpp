// Running, shrinking and writing play sessions; the scenario commands of
// the play room.
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

#include "sim/play/play.h"
#include "sim/report/reports.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_expect.h"
#include "sim/scenario/scenario_values.h"

namespace tavrel::sim {

namespace {

namespace fs = std::filesystem;

// The monitor the scenario commands talk to: the play runner's, or one made
// for a scenario file that has `expect invariant`.
InvariantMonitor* activeMonitor = nullptr;
std::unique_ptr<InvariantMonitor> ownMonitor;
const Simulator* wantedFor = nullptr;  // a checked file asks for a monitor on this simulator

// A file being checked asks for a monitor: one left from an earlier file goes.
void wantMonitor(const Simulator& sim) {
    if (ownMonitor != nullptr && activeMonitor == ownMonitor.get()) activeMonitor = nullptr;
    ownMonitor.reset();
    wantedFor = &sim;
}

// The monitor watching `sim`, or null (one left from an earlier run is not).
InvariantMonitor* monitorOf(const Simulator& sim) {
    return activeMonitor != nullptr && sim.observer() == activeMonitor ? activeMonitor : nullptr;
}

std::uint64_t fnv(std::uint64_t h, const std::string& text) {
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

// Empties `folder` (made if needed); its files may be read-only.
void emptyFolder(const fs::path& folder) {
    fs::create_directories(folder);
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
}

// Runs in `folder` and goes back to the working directory it came from.
struct InFolder {
    fs::path before = fs::current_path();
    explicit InFolder(const fs::path& folder) { fs::current_path(folder); }
    ~InFolder() {
        std::error_code ignored;
        fs::current_path(before, ignored);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
};

// `expect invariant NAME`: the invariant has held on every frame so far.
std::optional<std::string> invariantHolds(const CommandContext& c, ExpectCursors& /*cursors*/) {
    c.argCount(2, 2);
    if (!isInvariantName(c.arg(1))) {
        std::string names;
        for (const std::string& n : invariantNames()) names += (names.empty() ? "" : ", ") + n;
        c.fail("expect invariant: unknown invariant " + c.arg(1) + " (one of " + names + ")");
    }
    if (!c.run) {
        wantMonitor(c.sim);  // watched from the first frame
        return std::nullopt;
    }
    const InvariantMonitor* monitor = monitorOf(c.sim);
    if (monitor == nullptr) c.fail("expect invariant: no invariant monitor");
    if (!monitor->broken() || monitor->violation().name != c.arg(1)) return std::nullopt;
    const Violation& v = monitor->violation();
    return v.message + " (tick " + std::to_string(v.tick) + ", frame " + std::to_string(v.frame) + ")";
}

// Every line, before it runs: a scenario file that checks invariants is
// watched from its first frame; the monitor sees `start` and `unload` coming.
void watchLine(const ScenarioLine& cmd, Simulator& sim) {
    if (wantedFor == &sim && monitorOf(sim) == nullptr && sim.frame() == 0 && !sim.started()) {
        ownMonitor = std::make_unique<InvariantMonitor>(sim, fs::current_path());
        activeMonitor = ownMonitor.get();
        wantedFor = nullptr;
    }
    InvariantMonitor* monitor = monitorOf(sim);
    if (monitor != nullptr && cmd.word == "start" && !sim.started()) monitor->beforeStart();
    if (monitor != nullptr && cmd.word == "unload" && sim.started()) monitor->beforeUnload();
}

// `plant lock-drop N`: the Nth lock the plug-in makes is dropped (a fault
// planted for the shrinker's proof).
void plantCommand(const CommandContext& c) {
    const auto n = c.arg(0) == "lock-drop" ? parseInteger(c.arg(1)) : std::nullopt;
    if (!n || *n < 1 || *n > 1000000) c.fail("plant: expected lock-drop N (N from 1)");
    if (!c.run) {
        wantMonitor(c.sim);
        return;
    }
    InvariantMonitor* monitor = monitorOf(c.sim);
    if (monitor == nullptr) c.fail("plant: no invariant monitor");
    monitor->plantLockDrop(static_cast<int>(*n));
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// [SECTION] What the shrinker cuts

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// An ini-text block's lines (ini-text, the file's lines, end) as one line.
std::string joinedBlock(const std::vector<std::string>& block) {
    std::string text = joined(block);
    text.pop_back();
    return text;
}

// A block without the section lines that no key follows any more.
std::vector<std::string> withoutEmptySections(const std::vector<std::string>& block) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < block.size(); ++i) {
        const bool header = block[i].starts_with("[");
        const bool followedByKey = i + 1 < block.size() && !block[i + 1].starts_with("[") && i + 2 < block.size();
        if (!header || followedByKey) kept.push_back(block[i]);
    }
    return kept;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// The ID a line gives a new vehicle or character (`vehicle ID ...`,
// `ped ID ...`), or nothing.
std::string createdId(const std::string& line) {
    const std::vector<std::string> w = words(line);
    return w.size() >= 2 && (w[0] == "vehicle" || w[0] == "ped") ? w[1] : std::string();
}

// True when the line makes, uses or removes the vehicle or character ID
// (a vehicle line names the characters it seats).
bool namesId(const std::string& line, const std::string& id) {
    const std::vector<std::string> w = words(line);
    if (w.size() < 2) return false;
    if (w[0] == "vehicle" || w[0] == "ped" || w[0] == "sit" || w[0] == "enter" || w[0] == "delete" ||
        w[0] == "move") {
        if (w[1] == id) return true;
    }
    if (w[0] == "ped-enter" && (w[1] == id || (w.size() > 2 && w[2] == id))) return true;
    if (w[0] != "vehicle") return false;
    // driver=ID, passenger=SEAT,ID
    return std::any_of(w.begin(), w.end(), [&](const std::string& word) {
        const std::size_t comma = word.find(',');
        return word == "driver=" + id ||
               (word.starts_with("passenger=") && comma != std::string::npos && word.substr(comma + 1) == id);
    });
}

// The session without the vehicle or character ID: every line that names
// it goes.
PlaySession withoutId(const PlaySession& session, const std::string& id) {
    PlaySession cut = session;
    for (PlayStep& step : cut.steps) {
        std::erase_if(step.lines, [&](const std::string& line) { return namesId(line, id); });
    }
    return cut;
}

}  // namespace

void registerPlayCommands() {
    addScenarioWatcher(&watchLine);
    addScenarioCommand({"plant", 2, 2, "lock-drop N", plantCommand});
    addExpectKind({"invariant", "NAME", invariantHolds});
}

PlayOutcome runSession(const PlaySession& session, const fs::path& folder) {
    registerPlayCommands();
    emptyFolder(folder);
    const fs::path where = fs::absolute(folder);
    InFolder in(where);
    PlayOutcome outcome;
    // A monitor made for a file before this run would still watch: let go.
    activeMonitor = nullptr;
    ownMonitor.reset();
    Simulator sim;
    sim.setTraceKept(false);
    InvariantMonitor monitor(sim, where);
    activeMonitor = &monitor;
    struct Detach {
        ~Detach() { activeMonitor = nullptr; }
    } detach;
    std::ostringstream out;
    for (std::size_t i = 0; i < session.steps.size() && !monitor.broken(); ++i) {
        std::istringstream text(joined(session.steps[i].lines));
        try {
            for (const ScenarioLine& line : parseScenario(text)) {
                const std::uint32_t before = sim.now();
                const std::uint64_t frames = sim.frame();
                scenarioCommand(line, sim, out, true);
                if (sim.frame() != frames) outcome.sim_ms += sim.now() - before;
                if (monitor.broken()) break;
            }
        } catch (const ScenarioError& e) {
            outcome.scenario_error = true;
            outcome.error = "step " + std::to_string(i) + ": " + e.what();
            break;
        }
        outcome.step = i;
    }
    if (sim.started()) {
        monitor.beforeUnload();
        sim.unload();
    }
    outcome.broken = monitor.broken();
    if (outcome.broken) outcome.violation = monitor.violation();
    outcome.frames = monitor.frames();
    outcome.checks = monitor.checks();
    outcome.requests = monitor.requests();
    outcome.actions = monitor.actions();
    outcome.digest = fnv(monitor.digest(), stateJson(sim));
    return outcome;
}

PlaySession shrinkSession(const PlaySession& session, const std::string& invariant, const fs::path& folder,
                          int* trials) {
    const auto started = std::chrono::steady_clock::now();
    const auto budgetLeft = [&] { return std::chrono::steady_clock::now() - started < std::chrono::seconds(120); };
    int runs = 0;
    // Still breaks the same invariant; then cut off what comes after the break.
    const auto stillFails = [&](PlaySession& candidate) {
        ++runs;
        const PlayOutcome o = runSession(candidate, folder);
        if (!o.broken || o.violation.name != invariant) return false;
        candidate.steps.resize(o.step + 1);
        return true;
    };
    // Keeps `candidate` when it still fails.
    PlaySession best = session;
    const auto tryCandidate = [&](PlaySession& candidate) {
        if (!budgetLeft() || !stillFails(candidate)) return false;
        best = std::move(candidate);
        return true;
    };
    if (!stillFails(best)) {
        if (trials != nullptr) *trials = runs;
        return best;
    }
    // Whole steps, in halving chunks; the first step sets up the world.
    for (std::size_t chunk = best.steps.size() / 2; chunk >= 1 && budgetLeft(); chunk /= 2) {
        for (std::size_t at = 1; at + chunk <= best.steps.size() && budgetLeft();) {
            PlaySession candidate = best;
            candidate.steps.erase(candidate.steps.begin() + static_cast<std::ptrdiff_t>(at),
                                  candidate.steps.begin() + static_cast<std::ptrdiff_t>(at + chunk));
            if (!tryCandidate(candidate)) at += chunk;
        }
    }
    // Then, until a round cuts nothing: lines inside steps (a vehicle or a
    // character with every line that names it), the keys of ini-text blocks,
    // shorter waits. A cut can make an earlier one possible, hence rounds.
    for (bool cut = true; cut && budgetLeft();) {
        cut = false;
        for (std::size_t s = 0; s < best.steps.size() && budgetLeft(); ++s) {
            for (std::size_t l = 0; l < best.steps[s].lines.size() && budgetLeft();) {
                PlaySession candidate = best;
                candidate.steps[s].lines.erase(candidate.steps[s].lines.begin() + static_cast<std::ptrdiff_t>(l));
                if (tryCandidate(candidate)) {
                    cut = true;
                    continue;
                }
                const std::string id = createdId(best.steps[s].lines[l]);
                if (!id.empty()) {
                    candidate = withoutId(best, id);
                    if (tryCandidate(candidate)) {
                        cut = true;
                        continue;
                    }
                }
                ++l;
            }
        }
        for (std::size_t s = 0; s < best.steps.size() && budgetLeft(); ++s) {
            for (std::size_t l = 0; l < best.steps[s].lines.size() && budgetLeft(); ++l) {
                if (!best.steps[s].lines[l].starts_with("ini-text\n")) continue;
                for (std::size_t key = 1; budgetLeft();) {
                    std::vector<std::string> block = splitLines(best.steps[s].lines[l]);
                    if (key + 1 >= block.size()) break;  // the end line
                    if (block[key].starts_with("[")) {
                        ++key;
                        continue;
                    }
                    block.erase(block.begin() + static_cast<std::ptrdiff_t>(key));
                    PlaySession candidate = best;
                    candidate.steps[s].lines[l] = joinedBlock(withoutEmptySections(block));
                    if (tryCandidate(candidate)) cut = true;
                    else ++key;
                }
            }
        }
        for (std::size_t s = 0; s < best.steps.size() && budgetLeft(); ++s) {
            for (std::size_t l = 0; l < best.steps[s].lines.size() && budgetLeft(); ++l) {
                const std::string& line = best.steps[s].lines[l];
                if (!line.starts_with("wait ")) continue;
                auto ms = parseInteger(line.substr(5)).value_or(0);
                while (ms > 16 && budgetLeft()) {
                    PlaySession candidate = best;
                    candidate.steps[s].lines[l] = "wait " + std::to_string(ms / 2);
                    if (!tryCandidate(candidate) || s >= best.steps.size()) break;
                    cut = true;
                    ms /= 2;
                }
            }
        }
    }
    // Steps left without lines (their comments would stand alone).
    std::erase_if(best.steps, [](const PlayStep& step) { return step.lines.empty(); });
    if (trials != nullptr) *trials = runs;
    return best;
}

std::string scenarioText(const PlaySession& session, const std::string& invariant) {
    std::string text;
    for (const PlayStep& step : session.steps) {
        if (step.lines.empty()) continue;  // no comment without its lines
        if (!step.what.empty()) text += "# " + step.what + "\n";
        text += joined(step.lines);
    }
    if (!invariant.empty()) text += "expect invariant " + invariant + "\n";
    return text;
}

bool writeScenarioFile(const PlaySession& session, const std::string& invariant, const fs::path& file) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << scenarioText(session, invariant);
    return static_cast<bool>(out);
}

int runPlayCommand(std::uint32_t seed, std::uint32_t sim_minutes, const fs::path& out, std::ostream& log) {
    const auto wallStart = std::chrono::steady_clock::now();
    const PlaySession session = generateSession(seed, sim_minutes);
    const fs::path runFolder = out / ("seed-" + std::to_string(seed));
    const PlayOutcome o = runSession(session, runFolder);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    char digest[24];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(o.digest));
    log << "play seed " << seed << ": " << (static_cast<double>(o.sim_ms) / 3600000.0) << " simulated hours, "
        << o.frames << " frames, " << o.checks << " invariant checks, " << o.requests << " requests taken, "
        << o.actions << " locks and unlocks, " << session.steps.size() << " steps, " << wall << " s wall, digest "
        << digest << "\n";
    if (o.scenario_error) {
        log << "play seed " << seed << ": the session did not run: " << o.error << "\n";
        return 2;
    }
    if (!o.broken) return 0;
    log << "play seed " << seed << ": invariant " << o.violation.name << " broke at tick " << o.violation.tick
        << " (step " << o.step << ": " << session.steps[o.step].what << "): " << o.violation.message << "\n";
    int trials = 0;
    const PlaySession small = shrinkSession(session, o.violation.name, out / "shrinking", &trials);
    std::size_t lines = 0;
    for (const PlayStep& step : small.steps) lines += step.lines.size();
    const fs::path file = fs::absolute(out / ("seed-" + std::to_string(seed) + "-" + o.violation.name + ".scn"));
    if (!writeScenarioFile(small, o.violation.name, file)) {
        log << "play: cannot write " << file.string() << "\n";
        return 2;
    }
    log << "play seed " << seed << ": shrunk to " << small.steps.size() << " steps, " << lines << " lines in "
        << trials << " runs: " << file.string() << "\n";
    return 3;  // as a failed expectation
}

}  // namespace tavrel::sim
