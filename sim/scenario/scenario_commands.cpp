// Scenario commands that run the plug-in, send input, edit the INI file and
// print reports.
#include <fstream>

#include "sim/protocol/native_table.h"
#include "sim/report/reports.h"
#include "sim/scenario/ini_file.h"
#include "sim/scenario/scenario_context.h"

namespace tavrel::sim {

namespace {

struct Usage {
    const char* word;
    const char* args;
};

constexpr Usage kUsages[] = {
    {"player", "X Y Z"},
    {"vehicle", "ID KIND X Y Z [key=value ...]"},
    {"ped", "ID X Y Z"},
    {"set", "ID key=value ..."},
    {"sit", "ID"},
    {"enter", "ID [door|climb]"},
    {"ped-enter", "PED VEH [door|climb]"},
    {"exit", ""},
    {"move", "ID|player SPEED [FORWARD]"},
    {"delete", "ID"},
    {"dead", "0/1"},
    {"arrested", "0/1"},
    {"loading", "0/1"},
    {"weapon", "NAME"},
    {"dict-never", "NAME"},
    {"model-never", "NAME"},
    {"dict-loaded", "NAME"},
    {"model-loaded", "NAME"},
    {"feed-posted", "N"},
    {"screen-size", "W H"},
    {"ini", "SECTION KEY VALUE..."},
    {"ini-text", "(lines) end"},
    {"ini-base64", "BYTES"},
    {"no-ini", ""},
    {"shipped-ini", ""},
    {"ini-read-only", "0/1"},
    {"ini-folder", ""},
    {"start", ""},
    {"unload", ""},
    {"wait", "MS"},
    {"frames", "N"},
    {"key", "down|up VK"},
    {"control", "down|up ID"},
    {"tap", "VK"},
    {"hold", "VK MS"},
    {"throw", "key|NATIVE_NAME"},
    {"settings", ""},
    {"state", ""},
    {"screen", ""},
    {"screenshot", "FILE"},
    {"echo", "TEXT"},
    {"expect", "KIND ARGS..."},
};

constexpr std::int64_t kMaxWaitMs = 0xFFFFFFFF;
constexpr std::int64_t kMaxFrames = 100000000;

bool runCommand(const CommandContext& c) {
    const std::string& word = c.cmd.word;
    Simulator& sim = c.sim;
    if (word == "start") {
        c.argCount(0, 0);
        if (!c.run) return true;
        if (sim.started()) c.fail("start: the plug-in is already loaded");
        sim.start();
    } else if (word == "unload") {
        c.argCount(0, 0);
        if (!c.run) return true;
        if (!sim.started()) c.fail("unload: the plug-in is not loaded");
        sim.unload();
    } else if (word == "wait") {
        c.argCount(1, 1);
        const auto ms = static_cast<std::uint32_t>(c.integer(0, 0, kMaxWaitMs, "MS"));
        if (c.run) sim.waitMs(ms);
    } else if (word == "frame-ms") {
        // The frame length from the next frame on: a frame-rate change, or long frames.
        c.argCount(1, 1);
        const auto ms = static_cast<std::uint32_t>(c.integer(0, 1, kMaxWaitMs, "MS"));
        if (c.run) sim.setFrameMs(ms);
    } else if (word == "start-tick") {
        // The tick of the first frame, as --start-tick (the tick wraps after 0xFFFFFFFF).
        c.argCount(1, 1);
        const auto tick = static_cast<std::uint32_t>(c.integer(0, 0, 0xFFFFFFFF, "TICK"));
        if (!c.run) return true;
        if (sim.frame() != 0) c.fail("start-tick: only before the first frame");
        sim.setStartTick(tick);
    } else if (word == "frames") {
        c.argCount(1, 1);
        const auto n = static_cast<int>(c.integer(0, 0, kMaxFrames, "N"));
        if (c.run) sim.runFrames(n);
    } else if (word == "key" || word == "control") {
        c.argCount(2, 2);
        const bool down = c.arg(0) == "down";
        if (!down && c.arg(0) != "up") c.fail(word + ": expected down or up, got " + c.arg(0));
        if (word == "key") {
            const std::uint32_t vk = c.key(1);
            if (c.run) down ? sim.keyDown(vk) : sim.keyUp(vk);
        } else {
            const auto id = static_cast<int>(c.integer(1, INT32_MIN, INT32_MAX, "ID"));
            if (c.run) down ? sim.controlDown(id) : sim.controlUp(id);
        }
    } else if (word == "tap") {
        c.argCount(1, 1);
        const std::uint32_t vk = c.key(0);
        if (c.run) sim.tap(vk);
    } else if (word == "throw") {
        // The next call of that native by a script, or the keyboard handler at
        // the next key message, throws an exception into the plug-in.
        c.argCount(1, 1);
        if (c.arg(0) == "key") {
            if (c.run) sim.injectThrowInKeyHandler();
            return true;
        }
        const NativeInfo* native = nullptr;
        for (const NativeInfo& n : allNatives()) {
            if (c.arg(0) == n.name) native = &n;
        }
        if (native == nullptr) c.fail("throw: expected key or a native's name, got " + c.arg(0));
        if (c.run) sim.injectThrowAtNative(native->hash);
    } else if (word == "hold") {
        c.argCount(2, 2);
        const std::uint32_t vk = c.key(0);
        const auto ms = static_cast<std::uint32_t>(c.integer(1, 0, kMaxWaitMs, "MS"));
        if (c.run) sim.hold(vk, ms);
    } else {
        return false;
    }
    return true;
}

bool iniCommand(const CommandContext& c) {
    const std::string& word = c.cmd.word;
    if (word == "ini") {
        if (c.cmd.args.size() < 2) c.fail("ini: expected SECTION KEY VALUE...");
        // The value is the rest of the line after the key, as it stands.
        const std::string& rest = c.cmd.rest;
        std::size_t pos = rest.find(c.arg(0)) + c.arg(0).size();
        pos = rest.find(c.arg(1), pos) + c.arg(1).size();
        const std::size_t valueStart = rest.find_first_not_of(" \t", pos);
        std::string value = valueStart == std::string::npos ? "" : rest.substr(valueStart);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        if (c.run && !setIniKey(kIniPath, c.arg(0), c.arg(1), value)) c.fail(std::string("cannot write ") + kIniPath);
        noteIniEdited(c);
    } else if (word == "ini-text") {
        c.argCount(0, 0);
        if (c.run && !writeIniLines(kIniPath, c.cmd.block)) c.fail(std::string("cannot write ") + kIniPath);
        noteIniEdited(c);
    } else if (word == "ini-base64") {
        // The file's bytes, any bytes, in base64 on one line.
        c.argCount(1, 1);
        const auto bytes = decodeBase64(c.arg(0));
        if (!bytes) c.fail("ini-base64: not base64: " + c.arg(0).substr(0, 40));
        if (c.run && !writeIniBytes(kIniPath, *bytes)) c.fail(std::string("cannot write ") + kIniPath);
        noteIniEdited(c);
    } else if (word == "shipped-ini") {
        // The INI file players get (dist/TavrelConfig.ini, built in), byte for byte.
        c.argCount(0, 0);
        if (c.run && !writeIniBytes(kIniPath, shippedIniBytes())) c.fail(std::string("cannot write ") + kIniPath);
        noteIniEdited(c);
    } else if (word == "no-ini") {
        c.argCount(0, 0);
        if (c.run) removeIni(kIniPath);
        noteIniEdited(c);
    } else if (word == "ini-read-only") {
        c.argCount(1, 1);
        const bool on = c.flag(0);
        if (c.run && !setIniReadOnly(kIniPath, on)) c.fail(std::string("no ") + kIniPath + " to change");
    } else if (word == "ini-folder") {
        c.argCount(0, 0);
        if (c.run && !makeIniFolder(kIniPath)) c.fail(std::string("cannot make a folder ") + kIniPath);
        noteIniEdited(c);
    } else {
        return false;
    }
    return true;
}

bool outputCommand(const CommandContext& c) {
    const std::string& word = c.cmd.word;
    Simulator& sim = c.sim;
    if (word == "settings" || word == "state" || word == "screen") {
        c.argCount(0, 0);
        if (!c.run) return true;
        if (word == "settings") c.out << settingsJson() << "\n";
        else if (word == "state") c.out << stateJson(sim) << "\n";
        else c.out << screenJson(sim.lastDrawing()) << "\n";
    } else if (word == "screenshot") {
        c.argCount(1, 1);
        if (!c.run) return true;
        std::ofstream file(c.arg(0), std::ios::binary | std::ios::trunc);
        file << screenSvg(sim.lastDrawing(), sim.world().picture_w, sim.world().picture_h, &sim.world());
        if (!file) c.fail("cannot write " + c.arg(0));
    } else if (word == "echo") {
        if (c.run) c.out << c.cmd.rest << "\n";
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string commandUsage(const std::string& word) {
    for (const Usage& u : kUsages) {
        if (word == u.word) return *u.args != '\0' ? word + " " + u.args : word + " takes no arguments";
    }
    return word;
}

std::string commandWords() {
    std::string out;
    for (const Usage& u : kUsages) {
        out += out.empty() ? "" : ", ";
        out += u.word;
    }
    return out;
}

namespace {
std::vector<ScenarioExtension>& extensions() {
    static std::vector<ScenarioExtension> added;
    return added;
}
}  // namespace

void addScenarioExtension(ScenarioExtension extension) {
    for (ScenarioExtension known : extensions()) {
        if (known == extension) return;
    }
    extensions().push_back(extension);
}

void scenarioCommand(const ScenarioLine& cmd, Simulator& sim, std::ostream& out, bool run, ScenarioSession* session) {
    for (ScenarioExtension extension : extensions()) {
        if (extension(cmd, sim, out, run)) return;
    }
    const CommandContext c{cmd, sim, out, run, session};
    if (worldCommand(c) || runCommand(c) || iniCommand(c) || outputCommand(c) || expectCommand(c)) return;
    c.fail("unknown command: " + cmd.word + " (commands: " + commandWords() + ")");
}

}  // namespace tavrel::sim
