#include <cctype>
#include <istream>
#include <sstream>

#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario.h"

namespace tavrel::sim {

namespace {

// Commands whose rest of line is taken as it stands, '#' included.
bool takesRawRest(const std::string& word) { return word == "echo" || word == "ini"; }

std::string withoutComment(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(text[i - 1])))) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string faultText(const Fault& f) {
    char hash[24] = "";
    if (f.hash != 0) std::snprintf(hash, sizeof hash, " [0x%016llX]", static_cast<unsigned long long>(f.hash));
    return "tick " + std::to_string(f.tick) + ", " + f.fibre + ": " + f.message + hash;
}

}  // namespace

bool endsIniText(const std::string& line) {
    std::istringstream words(line);
    std::string word, extra;
    return words >> word && word == "end" && !(words >> extra);
}

std::vector<ScenarioLine> parseScenario(std::istream& in) {
    std::vector<ScenarioLine> commands;
    std::string raw;
    int number = 0;
    ScenarioLine* block = nullptr;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (block != nullptr) {
            if (endsIniText(raw)) {
                block = nullptr;
            } else {
                block->block.push_back(raw);
            }
            continue;
        }
        std::size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos || raw[start] == '#') continue;
        std::size_t end = raw.find_first_of(" \t", start);
        ScenarioLine cmd;
        cmd.line = number;
        cmd.word = raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos) {
            const std::size_t restStart = raw.find_first_not_of(" \t", end);
            if (restStart != std::string::npos) cmd.rest = raw.substr(restStart);
        }
        std::istringstream words(takesRawRest(cmd.word) ? cmd.rest : withoutComment(cmd.rest));
        for (std::string w; words >> w;) cmd.args.push_back(w);
        if (cmd.word == "end") throw ScenarioError(number, "end without ini-text");
        commands.push_back(std::move(cmd));
        if (commands.back().word == "ini-text") block = &commands.back();
    }
    if (block != nullptr) throw ScenarioError(block->line, "ini-text without its end line");
    return commands;
}

void attachTraceOutput(Simulator& sim, const ScenarioOptions& options, std::ostream& out) {
    sim.setTraceKept(false);
    if (!options.timeline && options.trace == nullptr) return;
    sim.setTraceSink([&out, &options, filter = ChangeFilter{}](const TraceEntry& e) mutable {
        if (options.timeline && (!options.timeline_changes || filter.shows(e))) out << timelineLine(e) << "\n";
        if (options.trace != nullptr) *options.trace << traceJson(e) << "\n";
    });
    // Keyboard messages go into the same streams, in the order they happen
    // between the calls.
    sim.setKeySink([&out, &options](const KeyMessage& m) {
        if (options.timeline) out << timelineLine(m) << "\n";
        if (options.trace != nullptr) *options.trace << traceJson(m) << "\n";
    });
}

int runScenario(std::istream& in, const std::string& fileName, const ScenarioOptions& options, std::ostream& out,
                std::ostream& err) {
    Simulator sim;
    return runScenarioOn(sim, in, fileName, options, out, err);
}

int runScenarioOn(Simulator& sim, std::istream& in, const std::string& fileName, const ScenarioOptions& options,
                  std::ostream& out, std::ostream& err) {
    const auto scenarioError = [&](const ScenarioError& e) {
        err << fileName << ":" << e.line << ": " << e.what() << "\n";
        return 2;
    };
    std::vector<ScenarioLine> commands;
    try {
        commands = parseScenario(in);
        for (const ScenarioLine& cmd : commands) scenarioCommand(cmd, sim, out, false);
    } catch (const ScenarioError& e) {
        return scenarioError(e);
    }
    ScenarioOptions live = options;  // `timeline` changes the run's copy
    // The sinks refer to this call's streams: take them off again on the way out.
    struct SinkReset {
        Simulator& sim;
        ~SinkReset() {
            sim.setTraceSink(nullptr);
            sim.setKeySink(nullptr);
        }
    } sinkReset{sim};
    sim.setStartTick(live.start_tick);
    sim.setFrameMs(live.frame_ms);
    attachTraceOutput(sim, live, out);

    ScenarioSession session;
    session.file_name = fileName;
    session.err = &err;
    session.options = &live;
    session.cursors.ini_bytes = readIniBytes(kIniPath);
    // Faults the plug-in caused, told once each with their line (0: at the
    // end); true when there were any.
    std::size_t faultsShown = 0;
    const auto newFaults = [&](int line) {
        if (sim.faults().size() <= faultsShown) return false;
        out.flush();
        for (; faultsShown < sim.faults().size(); ++faultsShown) {
            err << fileName;
            if (line > 0) {
                err << ":" << line;
            } else {
                err << ": at the end";
            }
            err << ": " << faultText(sim.faults()[faultsShown]) << "\n";
        }
        return true;
    };
    for (const ScenarioLine& cmd : commands) {
        try {
            scenarioCommand(cmd, sim, out, true, &session);
        } catch (const ScenarioError& e) {
            return scenarioError(e);
        }
        if (newFaults(cmd.line)) return 1;
    }
    // The game unloads its plug-ins when it ends: so does the run, and the
    // plug-in writes its Tavrel.rec.
    if (sim.started()) {
        sim.unload();
        if (newFaults(0)) return 1;
    }
    if (session.expect_failures > 0) return 3;
    return 0;
}

}  // namespace tavrel::sim
