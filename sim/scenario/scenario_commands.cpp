// Scenario commands that run the plug-in, send input, edit the INI file and
// print reports.
#include <algorithm>
#include <fstream>

#include "sim/protocol/native_table.h"
#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario_context.h"

namespace tavrel::sim {

namespace {

constexpr std::int64_t kMaxWaitMs = 0xFFFFFFFF;
constexpr std::int64_t kMaxFrames = 100000000;
constexpr std::size_t kAny = ScenarioCommand::kNoLimit;

// [SECTION] Running the plug-in and sending input

void startCommand(const CommandContext& c) {
    if (!c.run) return;
    if (c.sim.started()) c.fail("start: the plug-in is already loaded");
    c.sim.start();
}

void unloadCommand(const CommandContext& c) {
    if (!c.run) return;
    if (!c.sim.started()) c.fail("unload: the plug-in is not loaded");
    c.sim.unload();
}

void waitCommand(const CommandContext& c) {
    const auto ms = static_cast<std::uint32_t>(c.integer(0, 0, kMaxWaitMs, "MS"));
    if (c.run) c.sim.waitMs(ms);
}

// The frame length from the next frame on: a frame-rate change, or long frames.
void frameMsCommand(const CommandContext& c) {
    const auto ms = static_cast<std::uint32_t>(c.integer(0, 1, kMaxWaitMs, "MS"));
    if (c.run) c.sim.setFrameMs(ms);
}

// The tick of the first frame, as --start-tick (the tick wraps after 0xFFFFFFFF).
void startTickCommand(const CommandContext& c) {
    const auto tick = static_cast<std::uint32_t>(c.integer(0, 0, 0xFFFFFFFF, "TICK"));
    if (!c.run) return;
    if (c.sim.frame() != 0) c.fail("start-tick: only before the first frame");
    c.sim.setStartTick(tick);
}

void framesCommand(const CommandContext& c) {
    const auto n = static_cast<int>(c.integer(0, 0, kMaxFrames, "N"));
    if (c.run) c.sim.runFrames(n);
}

// key down|up VK, control down|up ID.
void pressCommand(const CommandContext& c) {
    const std::string& word = c.cmd.word;
    const bool down = c.arg(0) == "down";
    if (!down && c.arg(0) != "up") c.fail(word + ": expected down or up, got " + c.arg(0));
    Simulator& sim = c.sim;
    if (word == "key") {
        const std::uint32_t vk = c.key(1);
        if (c.run) down ? sim.keyDown(vk) : sim.keyUp(vk);
    } else {
        const auto id = static_cast<int>(c.integer(1, INT32_MIN, INT32_MAX, "ID"));
        if (c.run) down ? sim.controlDown(id) : sim.controlUp(id);
    }
}

void tapCommand(const CommandContext& c) {
    const std::uint32_t vk = c.key(0);
    if (c.run) c.sim.tap(vk);
}

void holdCommand(const CommandContext& c) {
    const std::uint32_t vk = c.key(0);
    const auto ms = static_cast<std::uint32_t>(c.integer(1, 0, kMaxWaitMs, "MS"));
    if (c.run) c.sim.hold(vk, ms);
}

// The next call of that native by a script, or the keyboard handler at the
// next key message, throws an exception into the plug-in.
void throwCommand(const CommandContext& c) {
    if (c.arg(0) == "key") {
        if (c.run) c.sim.injectThrowInKeyHandler();
        return;
    }
    const NativeInfo* native = nullptr;
    for (const NativeInfo& n : allNatives()) {
        if (c.arg(0) == n.name) native = &n;
    }
    if (native == nullptr) c.fail("throw: expected key or a native's name, got " + c.arg(0));
    if (c.run) c.sim.injectThrowAtNative(native->hash);
}

// [SECTION] The INI file

void iniWritten(const CommandContext& c, bool written) {
    if (c.run && !written) c.fail(std::string("cannot write ") + kIniPath);
    noteIniEdited(c);
}

void iniCommand(const CommandContext& c) {
    // The value is the rest of the line after the key, as it stands.
    const std::string& rest = c.cmd.rest;
    std::size_t pos = rest.find(c.arg(0)) + c.arg(0).size();
    pos = rest.find(c.arg(1), pos) + c.arg(1).size();
    const std::size_t valueStart = rest.find_first_not_of(" \t", pos);
    std::string value = valueStart == std::string::npos ? "" : rest.substr(valueStart);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    iniWritten(c, !c.run || setIniKey(kIniPath, c.arg(0), c.arg(1), value));
}

void iniTextCommand(const CommandContext& c) { iniWritten(c, !c.run || writeIniLines(kIniPath, c.cmd.block)); }

// The file's bytes, any bytes, in base64 on one line.
void iniBase64Command(const CommandContext& c) {
    const auto bytes = decodeBase64(c.arg(0));
    if (!bytes) c.fail("ini-base64: not base64: " + c.arg(0).substr(0, 40));
    iniWritten(c, !c.run || writeIniBytes(kIniPath, *bytes));
}

// The INI file players get (dist/TavrelConfig.ini, built in), byte for byte.
void shippedIniCommand(const CommandContext& c) { iniWritten(c, !c.run || writeIniBytes(kIniPath, shippedIniBytes())); }

void noIniCommand(const CommandContext& c) {
    if (c.run) removeIni(kIniPath);
    noteIniEdited(c);
}

void iniReadOnlyCommand(const CommandContext& c) {
    const bool on = c.flag(0);
    if (c.run && !setIniReadOnly(kIniPath, on)) c.fail(std::string("no ") + kIniPath + " to change");
}

void iniFolderCommand(const CommandContext& c) {
    if (c.run && !makeIniFolder(kIniPath)) c.fail(std::string("cannot make a folder ") + kIniPath);
    noteIniEdited(c);
}

// [SECTION] Output

void settingsCommand(const CommandContext& c) {
    if (c.run) c.out << settingsJson() << "\n";
}

void stateCommand(const CommandContext& c) {
    if (c.run) c.out << stateJson(c.sim) << "\n";
}

void screenCommand(const CommandContext& c) {
    if (c.run) c.out << screenJson(c.sim.lastDrawing()) << "\n";
}

void screenshotCommand(const CommandContext& c) {
    if (!c.run) return;
    std::ofstream file(c.arg(0), std::ios::binary | std::ios::trunc);
    Simulator& sim = c.sim;
    file << screenSvg(sim.lastDrawing(), sim.world().picture_w, sim.world().picture_h, &sim.world());
    if (!file) c.fail("cannot write " + c.arg(0));
}

void echoCommand(const CommandContext& c) {
    if (c.run) c.out << c.cmd.rest << "\n";
}

// Every native call and keyboard message from here on printed, as
// --timeline (`timeline changes`: as --timeline=changes).
void timelineCommand(const CommandContext& c) {
    if (c.cmd.args.size() == 1 && c.arg(0) != "changes") c.fail("timeline: expected changes or nothing, got " + c.arg(0));
    if (!c.run) return;
    if (c.session == nullptr || c.session->options == nullptr) c.fail("timeline: only in a scenario run");
    ScenarioOptions& options = *c.session->options;
    const bool changes = c.cmd.args.size() == 1;
    if (options.timeline && options.timeline_changes == changes) return;
    options.timeline = true;
    options.timeline_changes = changes;
    attachTraceOutput(c.sim, options, c.out);
}

constexpr ScenarioCommand kCommands[] = {
    {"ini", 2, kAny, "SECTION KEY VALUE...", iniCommand},
    {"ini-text", 0, 0, "(lines) end", iniTextCommand},
    {"ini-base64", 1, 1, "BYTES", iniBase64Command},
    {"no-ini", 0, 0, "", noIniCommand},
    {"shipped-ini", 0, 0, "", shippedIniCommand},
    {"ini-read-only", 1, 1, "0/1", iniReadOnlyCommand},
    {"ini-folder", 0, 0, "", iniFolderCommand},
    {"start-tick", 1, 1, "TICK", startTickCommand},
    {"frame-ms", 1, 1, "MS", frameMsCommand},
    {"start", 0, 0, "", startCommand},
    {"unload", 0, 0, "", unloadCommand},
    {"wait", 1, 1, "MS", waitCommand},
    {"frames", 1, 1, "N", framesCommand},
    {"key", 2, 2, "down|up VK", pressCommand},
    {"control", 2, 2, "down|up ID", pressCommand},
    {"tap", 1, 1, "VK", tapCommand},
    {"hold", 2, 2, "VK MS", holdCommand},
    {"throw", 1, 1, "key|NATIVE_NAME", throwCommand},
    {"settings", 0, 0, "", settingsCommand},
    {"state", 0, 0, "", stateCommand},
    {"screen", 0, 0, "", screenCommand},
    {"screenshot", 1, 1, "FILE", screenshotCommand},
    {"echo", 0, kAny, "TEXT", echoCommand},
    {"timeline", 0, 1, "[changes]", timelineCommand},
    {"expect", 0, kAny, "KIND ARGS...", expectCommand},
};

struct Registry {
    std::vector<ScenarioCommand> commands;
    std::vector<ScenarioWatcher> watchers;
};

Registry& registry() {
    static Registry table = [] {
        Registry r;
        const auto world = worldCommands();
        r.commands.assign(world.begin(), world.end());
        r.commands.insert(r.commands.end(), std::begin(kCommands), std::end(kCommands));
        return r;
    }();
    return table;
}

const ScenarioCommand* findCommand(std::string_view word) {
    for (const ScenarioCommand& row : registry().commands) {
        if (row.word == word) return &row;
    }
    return nullptr;
}

}  // namespace

std::span<const ScenarioCommand> scenarioCommands() { return registry().commands; }

std::string commandUsage(const std::string& word) {
    const ScenarioCommand* row = findCommand(word);
    if (row == nullptr) return word;
    return !row->usage.empty() ? word + " " + std::string(row->usage) : word + " takes no arguments";
}

void addScenarioCommand(const ScenarioCommand& row) {
    auto& commands = registry().commands;
    const auto it = std::find_if(commands.begin(), commands.end(), [&](const ScenarioCommand& r) { return r.word == row.word; });
    if (it != commands.end()) *it = row;
    else commands.push_back(row);
}

void addScenarioWatcher(ScenarioWatcher watcher) {
    auto& watchers = registry().watchers;
    if (std::find(watchers.begin(), watchers.end(), watcher) == watchers.end()) watchers.push_back(watcher);
}

void scenarioCommand(const ScenarioLine& cmd, Simulator& sim, std::ostream& out, bool run, ScenarioSession* session) {
    if (run) {
        for (ScenarioWatcher watcher : registry().watchers) watcher(cmd, sim);
    }
    const CommandContext c{cmd, sim, out, run, session};
    const ScenarioCommand* row = findCommand(cmd.word);
    if (row == nullptr) {
        std::string words;
        for (const ScenarioCommand& r : registry().commands) words += (words.empty() ? "" : ", ") + std::string(r.word);
        c.fail("unknown command: " + cmd.word + " (commands: " + words + ")");
    }
    c.argCount(row->least, row->most);
    row->run(c);
}

}  // namespace tavrel::sim
