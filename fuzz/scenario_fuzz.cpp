// libFuzzer targets for the scenario language (one source, two programs):
//
// tavrel_scenario_fuzz: the input is a scenario file. It is split into
//   commands and every command is checked, without running, each on its own
//   (a bad line does not hide the lines after it). Rules: the only exception
//   that leaves the parser or a check is a ScenarioError, naming the line of
//   the command (a check) or a line of the file (the parser); commands come
//   in line order with a word and words for arguments; only ini-text has a
//   block; the arguments are the words of the text after the command.
//
// tavrel_scenario_run_fuzz (TAVREL_FUZZ_RUN): a scenario that passes its
//   checks and asks for at most kRunBudgetMs of simulated time is run, in a
//   private directory emptied before each run (its INI file, screenshots).
//   Rules: the run ends with status 0, 2 (a command that fails when it
//   runs) or 3 (an expect line that does not hold: the seeds are real
//   scenarios with their checks, and a changed line or a file the test
//   runner would have copied in first changes what they see); a protocol
//   fault of the plug-in (status 1) is a finding unless the scenario throws
//   into the plug-in on purpose (`throw`). Anything else escaping is a crash.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

#include "sim/scenario/scenario.h"
#include "sim/scenario/scenario_values.h"

namespace {

using namespace tavrel::sim;

[[noreturn]] void broken(const std::string& rule) {
    std::fprintf(stderr, "scenario fuzz: %s\n", rule.c_str());
    std::abort();
}

void check(bool ok, const std::string& rule) {
    if (!ok) broken(rule);
}

// A stream that drops what is written to it.
struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int lineCount(std::string_view text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n + 1;
}

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// Parser rules that hold for any file it accepts.
void checkParsed(const std::vector<ScenarioLine>& commands, int lines) {
    int previous = 0;
    for (const ScenarioLine& cmd : commands) {
        check(cmd.line > previous && cmd.line <= lines, "commands out of line order");
        previous = cmd.line;
        check(!cmd.word.empty() && cmd.word[0] != '#', "a command without a word, or a comment taken as one");
        for (char c : cmd.word) check(!isSpace(c) && c != '\n', "a command word with a blank in it");
        check(cmd.block.empty() || cmd.word == "ini-text", "a block on a command other than ini-text");
        check(cmd.rest.empty() || !isSpace(cmd.rest.front()), "the rest of a line starts with a blank");
        // Each argument is a word of the rest, in order.
        std::size_t at = 0;
        for (const std::string& arg : cmd.args) {
            check(!arg.empty(), "an empty argument");
            const std::size_t found = cmd.rest.find(arg, at);
            check(found != std::string::npos, "an argument that is not in the line: " + arg);
            at = found + arg.size();
        }
        previous += static_cast<int>(cmd.block.size());  // a block's lines are no commands
        if (cmd.word == "ini-text") ++previous;          // nor is its end line
    }
}

// Every command checked on its own. True when all pass.
bool checkCommands(const std::vector<ScenarioLine>& commands, Simulator& sim) {
    NullBuffer sink;
    std::ostream out(&sink);
    bool all = true;
    for (const ScenarioLine& cmd : commands) {
        try {
            scenarioCommand(cmd, sim, out, false);
        } catch (const ScenarioError& e) {
            check(e.line == cmd.line, "a check names another line than its command's");
            check(std::string_view(e.what()).size() > 0, "a check fails without a message");
            all = false;
        }
    }
    return all;
}

#ifdef TAVREL_FUZZ_RUN

// Simulated time a scenario may ask for, in ms (frames count 16 ms each).
constexpr std::int64_t kRunBudgetMs = 20000;

std::int64_t numberOr(const std::string& text, std::int64_t fallback) {
    return parseInteger(text).value_or(fallback);
}

// The simulated time the commands ask for; over the budget as soon as it is.
std::int64_t askedMs(const std::vector<ScenarioLine>& commands) {
    std::int64_t total = 0;
    for (const ScenarioLine& cmd : commands) {
        const std::string& w = cmd.word;
        if (w == "wait" && !cmd.args.empty()) total += numberOr(cmd.args[0], 0);
        else if (w == "hold" && cmd.args.size() > 1) total += numberOr(cmd.args[1], 0) + 16;
        else if (w == "frames" && !cmd.args.empty()) total += numberOr(cmd.args[0], 0) * 16;
        else total += 32;  // start, tap: a frame or two
        if (total > kRunBudgetMs) return total;
    }
    return total;
}

// Files a scenario may make: in the working directory only.
bool staysInDirectory(const std::vector<ScenarioLine>& commands) {
    for (const ScenarioLine& cmd : commands) {
        if (cmd.word == "screenshot" && !cmd.args.empty() && cmd.args[0].find('/') != std::string::npos) {
            return false;
        }
    }
    return true;
}

bool throwsOnPurpose(const std::vector<ScenarioLine>& commands) {
    for (const ScenarioLine& cmd : commands) {
        if (cmd.word == "throw") return true;
    }
    return false;
}

// Empties the working directory (a run's INI file, even read-only, or the
// empty folder ini-folder put in its place, the plug-in's Tavrel.log and
// Tavrel.log.old, and screenshots).
void emptyDirectory() {
    DIR* dir = ::opendir(".");
    check(dir != nullptr, "cannot list the working directory");
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name = e->d_name;
        if (name == "." || name == "..") continue;
        if (::unlink(e->d_name) != 0) ::rmdir(e->d_name);
    }
    ::closedir(dir);
}

#endif

}  // namespace

#ifdef TAVREL_FUZZ_RUN
// The private directory the runs take place in, removed at exit.
static std::string work_dir;

static void removeWorkDir() {
    emptyDirectory();
    ::rmdir(work_dir.c_str());
}
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
#ifdef TAVREL_FUZZ_RUN
    const char* tmp = std::getenv("TMPDIR");
    work_dir = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tavrel-scenario-fuzz-XXXXXX";
    if (::mkdtemp(work_dir.data()) == nullptr || ::chdir(work_dir.c_str()) != 0) broken("no temporary directory");
    std::atexit(removeWorkDir);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int lines = lineCount(text);
    std::vector<ScenarioLine> commands;
    try {
        std::istringstream in(text);
        commands = parseScenario(in);
    } catch (const ScenarioError& e) {
        check(e.line >= 1 && e.line <= lines, "the parser names a line outside the file");
        return 0;
    }
    checkParsed(commands, lines);

#ifdef TAVREL_FUZZ_RUN
    bool passes = false;
    {
        Simulator sim;  // checks only read it; gone before the run makes its own
        passes = checkCommands(commands, sim);
    }
    if (!passes || askedMs(commands) > kRunBudgetMs || !staysInDirectory(commands)) return 0;
    emptyDirectory();
    NullBuffer sink;
    std::ostream out(&sink);
    std::ostringstream err;
    std::istringstream in(text);
    const int status = runScenario(in, "fuzz.scn", ScenarioOptions{}, out, err);
    check(status == 0 || status == 2 || status == 3 || (status == 1 && throwsOnPurpose(commands)),
          "run ended with status " + std::to_string(status) + ": " + err.str());
#else
    static Simulator& sim = *new Simulator;  // checks only read it: one for every input
    checkCommands(commands, sim);
#endif
    return 0;
}
