// Trials of the INI store's write path (the menu's: a status query, then
// ini::writeProfileString, which reads, sets one key and replaces the file)
// against other programs and crashes, counted. The same source is built for
// Linux (the POSIX store) and for Windows (the Windows store, run under
// Wine). Each trial works in a fresh folder under the current one, with
// writer processes of this program, and prints one line:
//
//   delete   N  another program deletes the file while a writer writes in a
//               loop: trials where the file came back
//   rename   N  the same, the file renamed away: trials where it came back
//   editor   N  an editor saves a new version (by rename) while a writer
//               writes in a loop: saves overwritten by a version built from
//               older bytes
//   writers  N  two writers, N writes each of their own key: writes that
//               landed, that said they failed, that were dropped because the
//               file looked missing, and landed ones undone later (lost)
//   kill     N  a writer killed (SIGKILL; under Wine the system's kill -9) at
//               a random moment, then the next load's look (recoverFile):
//               torn files, no file before and after the load, temporary
//               files the kills left and those left at the end
//
//   tavrel_store_trials [--no-exchange] [TRIAL [N]]   (no TRIAL: all, with the
//                                                      issue's counts)
//   --no-exchange (Linux): writers refuse renameat2, as a file system
//   without an exchange of names does (seccomp filter)
//
// scripts/store_trials.sh builds and runs it on both hosts. A trial that
// counts anything bad exits with status 1; counts are otherwise printed only.
// The timings (a kill 0-20 ms into the writes, 20 ms to settle) make races
// likely; a player meets them far more rarely.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include "win/test/system_kill.h"  // <windows.h> too
#else
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <spawn.h>
#include <stddef.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "config/ini_store.h"
#include "host/host_file.h"

namespace {

namespace fs = std::filesystem;
using namespace tavrel;

constexpr const char* kIni = ".\\TavrelConfig.ini";
constexpr const char* kIniName = "TavrelConfig.ini";
// The file's last lines, never written by the trials: a whole file ends so.
constexpr const char* kTrailer = "[Zend]\r\nlast=1\r\n";

std::string self_path;
bool no_exchange = false;
std::mt19937 random_source(20240615u);

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
int randomMs(int below) { return static_cast<int>(random_source() % static_cast<unsigned>(below)); }

std::string readBytes(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// [SECTION] Processes

#ifdef _WIN32
struct Child {
    HANDLE process = nullptr;
    std::string word;  // marks its command line, for killHard
};

Child spawn(const std::string& arguments) {
    Child child;
    child.word = system_kill::uniqueWord();
    std::string command = "\"" + self_path + "\" " + arguments + " " + child.word;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        CloseHandle(info.hThread);
        child.process = info.hProcess;
    }
    return child;
}

// kill -9 under Wine (system_kill.h); TerminateProcess on Windows itself.
void killHard(Child& child) { system_kill::killHard(child.process, child.word); }

int finish(Child& child) {
    WaitForSingleObject(child.process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.process, &code);
    CloseHandle(child.process);
    return static_cast<int>(code);
}

bool renameOver(const char* from, const char* to) { return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0; }
bool removeFile(const char* path) { return DeleteFileA(path) != 0; }
#else
struct Child {
    pid_t pid = -1;
};

Child spawn(const std::string& arguments) {
    std::string command = arguments;
    std::vector<char*> argv{self_path.data()};
    for (char* word = std::strtok(command.data(), " "); word != nullptr; word = std::strtok(nullptr, " ")) {
        argv.push_back(word);
    }
    argv.push_back(nullptr);
    Child child;
    if (::posix_spawn(&child.pid, self_path.c_str(), nullptr, nullptr, argv.data(), environ) != 0) child.pid = -1;
    return child;
}

void killHard(Child& child) { ::kill(child.pid, SIGKILL); }

int finish(Child& child) {
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool renameOver(const char* from, const char* to) { return ::rename(from, to) == 0; }
bool removeFile(const char* path) { return ::unlink(path) == 0; }

// What a file system without an exchange of names answers (kernel and C
// library refuse renameat2 with EINVAL).
void refuseExchange() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EINVAL),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        std::fprintf(stderr, "no seccomp filter here\n");
        std::exit(3);
    }
}
#endif

// [SECTION] Writers (child processes)

// One write as the menu makes it: nothing when the file looks missing.
enum class Write { Landed, Failed, Missing };
Write menuWrite(const char* key, int value) {
    static ini::IniDocument scratch;
    static std::string edited;
    if (!host::fileExists(kIni)) return Write::Missing;
    const std::string text = std::to_string(value);
    return ini::writeProfileString(kIni, "Trial", key, text.c_str(), scratch, edited) ? Write::Landed : Write::Failed;
}

int keyValue(const char* key) {
    static ini::IniDocument doc;
    ini::loadIniFile(kIni, doc);
    return ini::getProfileInt(doc, "Trial", key, 0);
}

// Writes its key again and again until killed, after making "<key>.running".
int runLoopWriter(const char* key) {
    std::ofstream(std::string(key) + ".running") << "running\n";
    for (int i = 1;; ++i) {
        if (menuWrite(key, i) == Write::Missing) sleepMs(1);
    }
}

// Writes its key `count` times (1, 2, ...); before each write, a value lower
// than its last landed one means a landed write was undone. The tallies go
// to "<key>.txt".
int runCountingWriter(const char* key, int count) {
    int landed = 0, failed = 0, missing = 0, lost = 0, last = 0;
    for (int i = 1; i <= count; ++i) {
        if (keyValue(key) < last) ++lost;
        switch (menuWrite(key, i)) {
            case Write::Landed: ++landed, last = i; break;
            case Write::Failed: ++failed; break;
            case Write::Missing: ++missing; break;
        }
    }
    if (keyValue(key) < last) ++lost;
    std::ofstream(std::string(key) + ".txt") << landed << " " << failed << " " << missing << " " << lost << "\n";
    return 0;
}

// [SECTION] Trials (the parent)

// The file as the trials start it: a key of the trial, then the trailer.
void putFile(int round) {
    std::ofstream("start.tmp", std::ios::binary) << "[Trial]\r\nround=" << round << "\r\n" << kTrailer;
    renameOver("start.tmp", kIniName);
}

bool wholeFile(const std::string& bytes) {
    const std::string trailer = kTrailer;
    return bytes.size() >= trailer.size() && bytes.compare(bytes.size() - trailer.size(), trailer.size(), trailer) == 0;
}

int leftoverCount() {
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(std::string(kIniName) + ".", 0) == 0) ++count;
    }
    return count;
}

// Waits until a loop writer runs.
void waitUntilRunning(const char* key) {
    const std::string running = std::string(key) + ".running";
    std::error_code error;  // the writer may still hold it open for a moment
    for (int waited = 0; waited < 20000 && !fs::remove(running, error); ++waited) sleepMs(1);
}

const char* writerOptions() { return no_exchange ? "--no-exchange " : ""; }

// delete / rename: another program takes the file away while a writer
// writes; the name must stay free (the writer never creates the file).
int trialTakeAway(bool rename, int count) {
    Child writer = spawn(std::string(writerOptions()) + "loop w");
    waitUntilRunning("w");
    int came_back = 0, not_taken = 0;
    for (int round = 0; round < count; ++round) {
        putFile(round);
        sleepMs(1 + randomMs(4));
        bool taken = false;
        for (int attempt = 0; attempt < 200 && !taken; ++attempt) {  // a writer may hold it a moment
            taken = rename ? renameOver(kIniName, "moved.ini") : removeFile(kIniName);
            if (!taken) sleepMs(1);
        }
        if (!taken) ++not_taken;
        // Wine deletes a file another process has open (the writer reading
        // it) only once that one closes it: the name goes a moment later.
        for (int waited = 0; taken && waited < 2000 && fs::exists(kIniName); ++waited) sleepMs(1);
        sleepMs(20);
        if (taken && fs::exists(kIniName)) ++came_back;
    }
    killHard(writer);
    finish(writer);
    std::printf("%-8s %6d trials: the file came back in %d%s\n", rename ? "rename" : "delete", count, came_back,
                not_taken ? (" (" + std::to_string(not_taken) + " not taken away)").c_str() : "");
    return came_back == 0 ? 0 : 1;
}

// editor: an editor saves a new version by rename (its own key set in what
// it read) while a writer writes; its save must stay.
int trialEditor(int count) {
    putFile(0);
    Child writer = spawn(std::string(writerOptions()) + "loop w");
    waitUntilRunning("w");
    int lost = 0, not_saved = 0, unread = 0;
    ini::IniDocument doc;
    std::string saved;
    for (int round = 1; round <= count; ++round) {
        sleepMs(1 + randomMs(4));
        if (!ini::loadIniFile(kIni, doc)) continue;
        const std::string value = std::to_string(round);
        ini::setProfileString(doc, "Editor", "save", value.c_str(), saved);
        std::ofstream("editor.tmp", std::ios::binary) << saved;
        bool done = false;  // a writer may hold the file a moment (Windows: "in use")
        for (int attempt = 0; attempt < 200 && !done; ++attempt) {
            done = renameOver("editor.tmp", kIniName);
            if (!done) sleepMs(1);
        }
        if (!done) {
            ++not_saved;
            continue;
        }
        sleepMs(20);
        if (!ini::loadIniFile(kIni, doc)) {
            ++unread;
            continue;
        }
        if (ini::getProfileInt(doc, "Editor", "save", -1) != round) ++lost;
    }
    killHard(writer);
    finish(writer);
    std::printf("%-8s %6d saves: overwritten by a version from older bytes %d; not saved (the file in use) %d, "
                "the file unreadable after %d\n",
                "editor", count, lost, not_saved, unread);
    return lost == 0 && unread == 0 ? 0 : 1;
}

// writers: two writers, `count` writes each, of their own key.
int trialWriters(int count) {
    putFile(0);
    Child writers[2] = {spawn(std::string(writerOptions()) + "count w1 " + std::to_string(count)),
                        spawn(std::string(writerOptions()) + "count w2 " + std::to_string(count))};
    int landed = 0, failed = 0, missing = 0, lost = 0;
    for (int w = 0; w < 2; ++w) {
        finish(writers[w]);
        std::ifstream tallies(w == 0 ? "w1.txt" : "w2.txt");
        int l = 0, f = 0, m = 0, x = 0;
        tallies >> l >> f >> m >> x;
        landed += l, failed += f, missing += m, lost += x;
    }
    std::printf("%-8s 2 x %d writes: landed %d, said they failed %d, dropped as missing %d, landed and lost %d\n",
                "writers", count, landed, failed, missing, lost);
    return missing == 0 && lost == 0 && wholeFile(readBytes(kIniName)) ? 0 : 1;
}

// kill: a writer killed at a random moment of its writes, then the load.
int trialKill(int count) {
    int torn = 0, missing_after_kill = 0, missing_after_load = 0, restored = 0, made = 0;
    putFile(0);
    for (int round = 0; round < count; ++round) {
        const int before = leftoverCount();
        Child writer = spawn(std::string(writerOptions()) + "loop w");
        waitUntilRunning("w");
        sleepMs(randomMs(21));
        killHard(writer);
        finish(writer);
        made += leftoverCount() - before;
        if (!fs::exists(kIniName)) ++missing_after_kill;
        const host::FileRecovery recovery = host::recoverFile(kIni);  // the next load
        restored += recovery.restored ? 1 : 0;
        if (!fs::exists(kIniName)) {
            ++missing_after_load;
            putFile(round);
        } else if (!wholeFile(readBytes(kIniName))) {
            ++torn;
            putFile(round);
        }
    }
    const int left = leftoverCount();
    std::printf("%-8s %6d kills: torn %d; no file after the kill %d (put back by the load %d), after the load %d; "
                "temporary files the kills left %d, left at the end %d\n",
                "kill", count, torn, missing_after_kill, restored, missing_after_load, made, left);
    return torn == 0 && missing_after_load == 0 && left == 0 ? 0 : 1;
}

int runTrial(const std::string& trial, int count) {
    const fs::path home = fs::current_path();
    const fs::path folder = home / ("store-trial-" + trial);
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    int status = 2;
    if (trial == "delete" || trial == "rename") status = trialTakeAway(trial == "rename", count);
    if (trial == "editor") status = trialEditor(count);
    if (trial == "writers") status = trialWriters(count);
    if (trial == "kill") status = trialKill(count);
    std::fflush(stdout);
    fs::current_path(home);
    std::error_code error;
    fs::remove_all(folder, error);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    self_path = self;
#else
    self_path = fs::canonical("/proc/self/exe").string();
#endif
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "--no-exchange") == 0) {
        no_exchange = true;
        ++arg;
    }
#ifndef _WIN32
    const bool child = arg < argc && (std::strcmp(argv[arg], "loop") == 0 || std::strcmp(argv[arg], "count") == 0);
    if (no_exchange && child) refuseExchange();
#endif
    if (arg + 1 < argc && std::strcmp(argv[arg], "loop") == 0) return runLoopWriter(argv[arg + 1]);
    if (arg + 2 < argc && std::strcmp(argv[arg], "count") == 0) return runCountingWriter(argv[arg + 1], std::atoi(argv[arg + 2]));
    if (arg < argc) {
        const int count = arg + 1 < argc ? std::atoi(argv[arg + 1]) : 100;
        const int status = runTrial(argv[arg], count);
        if (status == 2) std::fprintf(stderr, "usage: tavrel_store_trials [--no-exchange] [delete|rename|editor|writers|kill [N]]\n");
        return status;
    }
    int status = 0;
    status |= runTrial("delete", 500);
    status |= runTrial("rename", 500);
    status |= runTrial("editor", 500);
    status |= runTrial("writers", 10000);
    status |= runTrial("kill", 100);
    status |= runTrial("kill", 1000);
    return status;
}
