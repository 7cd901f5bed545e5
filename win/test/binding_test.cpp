// The Windows binding's parts that need no script hook: the file store of
// the INI file, and the host functions Windows itself provides (clock, random
// numbers).
//
//   tavrel_binding_test                       the checks
//   tavrel_binding_test writer LETTER COUNT [WORD]   (run by the checks)
//       replaces .\TavrelConfig.ini COUNT times with LETTER repeated (COUNT
//       0: until killed; WORD only marks its command line); exits with the
//       number of replaces that failed
//   tavrel_binding_test sleep | exit          (run by the checks) a process
//       that runs until killed, or ends at once
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "check.h"
#include "config/ini_store.h"
#include "config/persistence.h"
#include "host/host_abi.h"
#include "host/host_file.h"
#include "system_kill.h"
#include "tests/support/store_cases.h"

namespace fs = std::filesystem;
using namespace tavrel;
using namespace tavrel::testing;

namespace {

constexpr const char* kIni = ".\\TavrelConfig.ini";
constexpr std::size_t kWriterBytes = 256 * 1024;  // one writer's file: one letter repeated

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void setReadOnly(const fs::path& path, bool read_only) {
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    read_only ? fs::perm_options::remove : fs::perm_options::add);
}

// Reads the file and replaces it with `bytes`, as one write of the store.
bool writeOver(const char* path, const std::string& bytes) {
    std::string read;
    host::FileStamp stamp;
    host::readFile(path, read, 1 << 24, &stamp);
    return host::replaceFile(path, bytes.data(), bytes.size(), stamp) == host::ReplaceResult::Replaced;
}

// One key written through the store, in the plug-in's buffers.
bool writeKey(const char* section, const char* key, const char* value) {
    ini::IniDocument scratch;
    std::string edited;
    return ini::writeProfileString(kIni, section, key, value, scratch, edited);
}

std::string pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 251) % 26);
    return bytes;
}

void testFileExists() {
    writeBytes("TavrelConfig.ini", "[Vehicle]\r\n");
    fs::create_directory("folder.ini");
    CHECK(host::fileExists(kIni));
    CHECK(!host::fileExists(".\\missing.ini"));
    CHECK(host::fileExists(".\\folder.ini"));  // there, as the status query says
    fs::remove("TavrelConfig.ini");
    fs::remove("folder.ini");

    // A directory in the file's place cannot be saved: keys read as absent
    // (not as a missing file), and the failure is kept for the notice.
    fs::create_directory("TavrelConfig.ini");
    takeFailedWrite();
    CHECK(readIntSetting("Vehicle", "animation") == -1);
    writeIntSetting("Vehicle", "animation", 3);
    CHECK(takeFailedWrite());
    fs::remove("TavrelConfig.ini");
}

void testReadFile() {
    std::string out = "stale";
    CHECK(!host::readFile(".\\missing.ini", out, 1024));

    writeBytes("empty.ini", "");
    out = "stale";
    CHECK(host::readFile(".\\empty.ini", out, 1024));
    CHECK(out.empty());

    const std::string text = "[Keys]\r\nlock=76\r\nunlock=85\r\n";
    writeBytes("TavrelConfig.ini", text);
    CHECK(host::readFile(kIni, out, 1024));
    CHECK(out == text);  // bytes as they are, CRLF kept
    CHECK(host::readFile(kIni, out, 6));
    CHECK(out == "[Keys]");  // cut at the cap
    CHECK(host::readFile(kIni, out, text.size()));
    CHECK(out == text);  // exactly the cap: all of it

    // Larger than one read call, and cut inside the second one.
    const std::string big = pattern(200000);
    writeBytes("TavrelConfig.ini", big);
    CHECK(host::readFile(kIni, out, 1 << 20));
    CHECK(out == big);
    CHECK(host::readFile(kIni, out, 100000));
    CHECK(out == big.substr(0, 100000));

    // Readable while another handle has it open for writing (a text editor).
    {
        std::ofstream editor("TavrelConfig.ini", std::ios::binary | std::ios::app);
        CHECK(host::readFile(kIni, out, 1 << 20));
        CHECK(out.size() == big.size());
    }
    fs::remove("empty.ini");
    fs::remove("TavrelConfig.ini");
}

// Everything in `folder` but the INI file, sorted.
std::vector<std::string> otherFiles(const char* folder = ".") {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "TavrelConfig.ini") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The temporary files left behind in the working directory (each printed).
std::vector<std::string> strayFiles() {
    const std::vector<std::string> stray = otherFiles();
    for (const std::string& name : stray) std::fprintf(stderr, "left in the folder: %s\n", name.c_str());
    return stray;
}

// The temporary file's name of each replace, as the seam sees it.
std::vector<std::string> seen_temps;
void recordTemp(const char* temp) { seen_temps.emplace_back(temp); }

void testReplaceFile() {
    // Never creates a missing file.
    CHECK(!writeOver(kIni, "x"));
    CHECK(!fs::exists("TavrelConfig.ini"));
    CHECK(strayFiles().empty());

    const std::string old_text = "[Vehicle]\r\nlock_flash_interval=150\r\nsome_longer_line=1\r\n";
    const std::string new_text = "[Vehicle]\r\nlock_flash_interval=90\r\n";
    writeBytes("TavrelConfig.ini", old_text);
    CHECK(writeOver(kIni, new_text));
    CHECK(readBytes("TavrelConfig.ini") == new_text);  // shorter: no tail of the old bytes left
    CHECK(strayFiles().empty());

    const std::string big = pattern(150000);  // several write calls
    CHECK(writeOver(kIni, big));
    CHECK(readBytes("TavrelConfig.ini") == big);

    CHECK(writeOver(kIni, ""));
    CHECK(fs::file_size("TavrelConfig.ini") == 0);

    // Refused when read-only: contents kept, no temporary left.
    writeBytes("TavrelConfig.ini", old_text);
    setReadOnly("TavrelConfig.ini", true);
    CHECK(!writeOver(kIni, new_text));
    setReadOnly("TavrelConfig.ini", false);
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    CHECK(strayFiles().empty());

    // A directory is not replaced.
    fs::create_directory("folder.ini");
    CHECK(!writeOver(".\\folder.ini", "x"));
    CHECK(fs::is_directory("folder.ini"));
    fs::remove("folder.ini");

    // The replace fails (another program holds the file open without sharing
    // delete): false, the original kept, the temporary removed.
    {
        std::ifstream holder("TavrelConfig.ini", std::ios::binary);
        CHECK(holder.is_open());
        CHECK(!writeOver(kIni, new_text));
    }
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    CHECK(strayFiles().empty());
}

// The program of the race being run (tests/support/store_cases.h), for the
// store's seam; it acts at the store's next `races_left` tries.
RaceProgram race_program = RaceProgram::SaveOver;
int races_left = 0;
void raceProgram(const char* /*temp*/) {
    if (races_left <= 0) return;
    --races_left;
    switch (race_program) {
        case RaceProgram::SaveOver:  // an editor saving by rename
            writeBytes("editor.tmp", kEditorSave);
            CHECK(MoveFileExA("editor.tmp", "TavrelConfig.ini", MOVEFILE_REPLACE_EXISTING) != 0);
            break;
        case RaceProgram::WriteInto:
            std::ofstream("TavrelConfig.ini", std::ios::binary | std::ios::app) << kWrittenInto;
            break;
        case RaceProgram::RewriteKeepingSizeAndTime: {  // only the bytes tell
            HANDLE file = CreateFileA("TavrelConfig.ini", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            CHECK(file != INVALID_HANDLE_VALUE);
            FILETIME written{};
            GetFileTime(file, nullptr, nullptr, &written);
            const DWORD size = static_cast<DWORD>(std::strlen(kRewrittenSameSize));
            DWORD done = 0;
            CHECK(WriteFile(file, kRewrittenSameSize, size, &done, nullptr) != 0 && done == size);
            CHECK(SetFileTime(file, nullptr, nullptr, &written) != 0);
            CloseHandle(file);
            break;
        }
        case RaceProgram::Delete:
            CHECK(DeleteFileA("TavrelConfig.ini") != 0);
            break;
    }
}

// The races between the store's read and its replace (store_cases.h).
void testRacesBetweenReadAndReplace() {
    for (const StoreRace& race : kStoreRaces) {
        writeBytes("TavrelConfig.ini", kRaceStart);
        race_program = race.program;
        races_left = race.times;
        host::testing::before_replace = &raceProgram;
        const bool landed = writeKey("Vehicle", "key", "5");
        host::testing::before_replace = nullptr;
        const bool exists = fs::exists("TavrelConfig.ini");
        const bool holds = exists == (race.after != nullptr) && (!exists || readBytes("TavrelConfig.ini") == race.after);
        if (landed != race.lands || !holds) std::fprintf(stderr, "race failed: %s\n", race.name);
        CHECK(landed == race.lands);
        CHECK(holds);
        CHECK(strayFiles().empty());
        fs::remove("TavrelConfig.ini");
    }
}

void testReplaceKeepsAttributes() {
    // The file's own attributes stay (a player who hid it keeps it hidden).
    writeBytes("TavrelConfig.ini", "old");
    CHECK(SetFileAttributesA("TavrelConfig.ini", FILE_ATTRIBUTE_HIDDEN) != 0);
    CHECK(writeOver(kIni, "new"));
    CHECK(readBytes("TavrelConfig.ini") == "new");
    const DWORD attributes = GetFileAttributesA("TavrelConfig.ini");
    CHECK(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
    SetFileAttributesA("TavrelConfig.ini", FILE_ATTRIBUTE_NORMAL);
    fs::remove("TavrelConfig.ini");
}

// Each replace makes a temporary of its own, and never opens one that exists
// (another copy of the store in this process, with its own counter, or a
// leftover of a crash): those are kept as they are.
void testOwnTemporaryFiles() {
    writeBytes("TavrelConfig.ini", "old");
    seen_temps.clear();
    host::testing::before_replace = &recordTemp;
    CHECK(writeOver(kIni, "one"));
    CHECK(writeOver(kIni, "two"));
    CHECK(seen_temps.size() == 2);
    if (seen_temps.size() != 2) {
        host::testing::before_replace = nullptr;
        return;
    }
    CHECK(seen_temps[0] != seen_temps[1]);
    const std::string pid = std::to_string(GetCurrentProcessId());
    CHECK(seen_temps[0].find("TavrelConfig.ini." + pid + "-") != std::string::npos);

    // The next names, as the store would make them, taken by someone else.
    const std::string last = seen_temps[1];
    const std::size_t dash = last.rfind('-');
    const unsigned next = static_cast<unsigned>(std::strtoul(last.c_str() + dash + 1, nullptr, 10)) + 1;
    std::vector<std::string> taken;
    for (unsigned n = next; n < next + 3; ++n) {
        taken.push_back("TavrelConfig.ini." + pid + "-" + std::to_string(n) + ".tmp");
        writeBytes(taken.back(), "someone else's " + std::to_string(n));
    }
    seen_temps.clear();
    CHECK(writeOver(kIni, "three"));
    host::testing::before_replace = nullptr;
    CHECK(readBytes("TavrelConfig.ini") == "three");
    CHECK(seen_temps.size() == 1);
    for (unsigned i = 0; i < taken.size(); ++i) {
        CHECK(readBytes(taken[i]) == "someone else's " + std::to_string(next + i));
        if (!seen_temps.empty()) CHECK(seen_temps[0].find(taken[i]) == std::string::npos);
        fs::remove(taken[i]);
    }
    CHECK(strayFiles().empty());
    fs::remove("TavrelConfig.ini");
}

// A file a writer that runs until killed makes once it runs.
constexpr const char* kWriterRunning = "writer.running";

// A process that replaces the INI file with `letter` repeated, again and
// again (count 0: until killed, after making kWriterRunning).
int runWriter(char letter, int count) {
    const std::string bytes(kWriterBytes, letter);
    if (count == 0) std::ofstream(kWriterRunning) << "running\n";
    int failed = 0;
    for (int i = 0; count == 0 || i < count; ++i) {
        if (!writeOver(kIni, bytes)) {
            std::fprintf(stderr, "writer %c: replace %d failed, error %lu\n", letter, i, GetLastError());
            ++failed;
        }
    }
    return failed;
}

// Starts a program (this one when `program` is null) with `command` as its
// command line; its process handle, or null.
HANDLE startProgram(const char* program, std::string command) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// This program again, with `arguments`.
HANDLE startSelf(const std::string& arguments) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return startProgram(nullptr, "\"" + std::string(self) + "\" " + arguments);
}

// `path` as the system under Wine names it (Wine's own export), or empty.
std::string systemPath(const wchar_t* path) {
    using ToSystem = char* (*)(const wchar_t*);
    const auto to_system = reinterpret_cast<ToSystem>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    char* name = to_system != nullptr ? to_system(path) : nullptr;
    if (name == nullptr) return {};
    std::string copy = name;
    HeapFree(GetProcessHeap(), 0, name);
    return copy;
}

// Runs a program of the system under Wine (Z: is its root) on full paths:
// Wine runs it apart, from a folder of its choosing, and gives no handle to
// wait on, so `done` is polled (up to 5 s).
template <typename Done>
bool runSystemProgram(const char* program, const std::string& command, Done done) {
    HANDLE process = startProgram(program, command);
    if (process != nullptr) CloseHandle(process);
    for (int waited = 0; waited < 5000 && !done(); ++waited) Sleep(1);
    return done();
}

// Makes `link` a symbolic link to `file` with the system's ln (Wine's
// CreateSymbolicLinkW makes none), and removes it with rm (Wine's
// DeleteFile deletes the file a link points to).
bool makeLink(const fs::path& file, const fs::path& link) {
    const std::string from = systemPath(fs::absolute(file).c_str());
    const std::string to = systemPath(fs::absolute(link).c_str());
    return !from.empty() && !to.empty() &&
           runSystemProgram("Z:\\bin\\ln", "ln -s \"" + from + "\" \"" + to + "\"", [&] { return fs::exists(link); });
}
void removeLink(const fs::path& link) {
    const std::string path = systemPath(fs::absolute(link).c_str());
    runSystemProgram("Z:\\bin\\rm", "rm \"" + path + "\"", [&] { return !fs::exists(link); });
}

// Two writers in one folder (two copies of the plug-in, two simulator runs):
// the file is always one writer's whole bytes, never a mix, and no temporary
// is left. A replace is refused when the other one replaced the file after
// this one read it (its bytes came from the older file); most land. A reader
// waits while a writer has the file aside for a moment.
void testTwoWriters() {
    writeBytes("TavrelConfig.ini", std::string(kWriterBytes, 'o'));
    constexpr int kCount = 60;
    HANDLE writers[2] = {startSelf("writer a " + std::to_string(kCount)), startSelf("writer b " + std::to_string(kCount))};
    CHECK(writers[0] != nullptr && writers[1] != nullptr);
    if (writers[0] == nullptr || writers[1] == nullptr) return;

    int reads = 0, torn = 0;
    std::string now;
    while (WaitForMultipleObjects(2, writers, TRUE, 0) == WAIT_TIMEOUT) {
        ++reads;
        if (!host::readFile(kIni, now, 2 * kWriterBytes)) {
            ++torn;  // no file
            continue;
        }
        const bool whole = now.size() == kWriterBytes && now.find_first_not_of(now[0]) == std::string::npos;
        if (!whole) ++torn;
    }
    int failed = 0;
    DWORD status[2] = {};
    for (int i = 0; i < 2; ++i) {
        GetExitCodeProcess(writers[i], &status[i]);
        failed += static_cast<int>(status[i]);
        CloseHandle(writers[i]);
    }
    std::printf("two writers: %d reads, %d torn; replaces failed: %lu and %lu of %d each\n", reads, torn, status[0],
                status[1], kCount);
    CHECK(torn == 0);
    CHECK(failed < 2 * kCount);  // some replaces happened
    now = readBytes("TavrelConfig.ini");
    CHECK(now == std::string(kWriterBytes, 'a') || now == std::string(kWriterBytes, 'b'));
    CHECK(strayFiles().empty());
    fs::remove("TavrelConfig.ini");
}

// A writer killed from outside (kill -9 under Wine, system_kill.h) at a
// varied moment of its writes: after the next load's look the file is one whole
// version and nothing of the killed write is left. A kill between the two
// renames leaves no file until that look puts it back.
void testKilledWriter() {
    constexpr int kTrials = 24;
    int missing_before_load = 0;
    int by_system = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        writeBytes("TavrelConfig.ini", std::string(kWriterBytes, 'o'));
        const std::string word = system_kill::uniqueWord();
        HANDLE writer = startSelf(std::string("writer ") + static_cast<char>('a' + trial % 2) + " 0 " + word);
        CHECK(writer != nullptr);
        if (writer == nullptr) return;
        for (int waited = 0; waited < 10000 && !fs::exists(kWriterRunning); ++waited) Sleep(1);
        Sleep(static_cast<DWORD>(trial % 8) * 3);
        by_system += system_kill::killHard(writer, word) ? 1 : 0;
        CHECK(WaitForSingleObject(writer, 0) == WAIT_OBJECT_0);
        CloseHandle(writer);
        fs::remove(kWriterRunning);
        if (!fs::exists("TavrelConfig.ini")) ++missing_before_load;
        host::recoverFile(kIni);
        const std::string now = readBytes("TavrelConfig.ini");
        const bool whole = now.size() == kWriterBytes && now.find_first_not_of(now[0]) == std::string::npos;
        if (!whole) std::fprintf(stderr, "trial %d: %zu bytes after the load\n", trial, now.size());
        CHECK(whole);
        CHECK(strayFiles().empty());
    }
    std::printf("killed writer: %d trials (%d by kill -9), no file before the load in %d\n", kTrials, by_system,
                missing_before_load);
    fs::remove("TavrelConfig.ini");
}

// What a load finds beside the file (tests/support/store_cases.h).
void testLoadRecovery() {
    HANDLE sleeper = startSelf("sleep");
    HANDLE ended = startSelf("exit");
    CHECK(sleeper != nullptr && ended != nullptr);
    if (sleeper == nullptr || ended == nullptr) return;
    WaitForSingleObject(ended, 10000);
    const std::string ended_id = std::to_string(GetProcessId(ended));
    CloseHandle(ended);
    const auto write = [](const std::string& name, const char* bytes) { writeBytes(name, bytes); };
    const std::vector<std::string> kept = layOutLeftovers(std::to_string(GetProcessId(sleeper)), ended_id, write);

    host::FileRecovery found = host::recoverFile(kIni);
    CHECK(found.restored);
    CHECK(found.removed == kLeftoversRemoved);
    CHECK(readBytes("TavrelConfig.ini") == kRestored);
    CHECK(otherFiles() == kept);

    layOutPairBesideTheFile(ended_id, write);
    found = host::recoverFile(kIni);
    CHECK(!found.restored);
    CHECK(found.removed == 2);
    CHECK(readBytes("TavrelConfig.ini") == kRestored);
    TerminateProcess(sleeper, 0);
    WaitForSingleObject(sleeper, 10000);
    CloseHandle(sleeper);
    for (const std::string& name : kept) fs::remove(name);
    fs::remove("TavrelConfig.ini");
}

// A symbolic link in place of the file (mod managers deploy files so) stays
// a link: a write goes to the file it points to, in that file's folder, and
// leaves nothing in either folder.
void testLinkStaysALink() {
    fs::create_directory("mods");
    writeBytes("mods\\Tavrel.ini", "[Vehicle]\r\nold=1\r\n");
    if (!makeLink("mods\\Tavrel.ini", "TavrelConfig.ini")) {
        std::printf("link: skipped, no symbolic link could be made here\n");
        fs::remove_all("mods");
        return;
    }
    CHECK(writeKey("Vehicle", "key", "5"));
    CHECK(readBytes("mods\\Tavrel.ini") == "[Vehicle]\r\nold=1\r\nkey=5\r\n");
    writeBytes("mods\\Tavrel.ini", "[Vehicle]\r\nfrom_the_manager=1\r\n");
    CHECK(readBytes("TavrelConfig.ini") == "[Vehicle]\r\nfrom_the_manager=1\r\n");  // still one file under two names
    CHECK(otherFiles("mods") == std::vector<std::string>{"Tavrel.ini"});
    CHECK(otherFiles() == std::vector<std::string>{"mods"});
    removeLink("TavrelConfig.ini");
    fs::remove_all("mods");
}

// The log: a new one keeps the previous as .old (replacing the one before),
// appends leave it open to readers, and a folder of its name refuses it.
void testLogFile() {
    constexpr const char* kLog = ".\\Tavrel.log";
    constexpr const char* kOld = ".\\Tavrel.log.old";
    writeBytes("Tavrel.log.old", "older");
    writeBytes("Tavrel.log", "previous");
    CHECK(host::startLogFile(kLog, kOld));
    CHECK(readBytes("Tavrel.log.old") == "previous");
    CHECK(readBytes("Tavrel.log").empty());
    CHECK(host::appendLogFile(kLog, "a\r\n", 3));
    {
        std::ifstream reader("Tavrel.log", std::ios::binary);  // a player reading it meanwhile
        CHECK(host::appendLogFile(kLog, "b\r\n", 3));
    }
    CHECK(readBytes("Tavrel.log") == "a\r\nb\r\n");
    fs::remove("Tavrel.log");
    fs::remove("Tavrel.log.old");
    fs::create_directories("Tavrel.log\\x");
    CHECK(!host::startLogFile(kLog, kOld));
    CHECK(!host::appendLogFile(kLog, "c", 1));
    CHECK(fs::is_directory("Tavrel.log\\x"));
    fs::remove_all("Tavrel.log");
}

void testRandomIsTheCRuntimes() {
    // The Windows C runtime's rand: state * 214013 + 2531011, bits 16..30.
    host::seedRandom(1);
    const int expected_seed_1[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected_seed_1) CHECK(host::nextRandom() == value);

    std::uint32_t state = 0xDEADBEEFu;
    host::seedRandom(state);
    for (int i = 0; i < 1000; ++i) {
        state = state * 214013u + 2531011u;
        CHECK(host::nextRandom() == static_cast<int>((state >> 16) & 0x7FFF));
    }
}

void testClock() {
    const std::uint32_t before = host::getTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    const std::uint32_t elapsed = host::getTickCount() - before;
    CHECK(elapsed >= 40);
    CHECK(elapsed < 5000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "writer") == 0) return runWriter(argv[2][0], std::atoi(argv[3]));
    if (argc == 2 && std::strcmp(argv[1], "sleep") == 0) Sleep(60000);
    if (argc == 2) return 0;
    std::error_code error;
    const fs::path work =
        fs::temp_directory_path() /
        ("tavrel_binding_test_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(work);
    const fs::path previous = fs::current_path();
    fs::current_path(work);

    testFileExists();
    testReadFile();
    testReplaceFile();
    testRacesBetweenReadAndReplace();
    testReplaceKeepsAttributes();
    testOwnTemporaryFiles();
    testTwoWriters();
    testKilledWriter();
    testLoadRecovery();
    testLinkStaysALink();
    testLogFile();
    testRandomIsTheCRuntimes();
    testClock();

    fs::current_path(previous);
    fs::remove_all(work, error);
    return checkResult("binding");
}
