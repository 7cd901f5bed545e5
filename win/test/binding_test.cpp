// The Windows binding's parts that need no script hook: the file store of
// the INI file, and the host functions Windows itself provides (clock, random
// numbers).
//
//   tavrel_binding_test                       the checks
//   tavrel_binding_test writer LETTER COUNT   (run by the checks) replaces
//       .\TavrelConfig.ini COUNT times with LETTER repeated; exits with the
//       number of replaces that failed
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

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
#include "host/host_abi.h"
#include "host/host_file.h"

namespace fs = std::filesystem;
using namespace tavrel;

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
    CHECK(!host::fileExists(".\\folder.ini"));  // a directory is not the file
    fs::remove("TavrelConfig.ini");
    fs::remove("folder.ini");
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

// Everything in the working directory but the INI file: temporary files left
// behind (the store's own, or one the system's replace made up).
std::vector<std::string> strayFiles() {
    std::vector<std::string> stray;
    for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name != "TavrelConfig.ini") stray.push_back(name);
    }
    for (const std::string& name : stray) std::fprintf(stderr, "left in the folder: %s\n", name.c_str());
    return stray;
}

// The temporary file's name of each replace, as the seam sees it.
std::vector<std::string> seen_temps;
void recordTemp(const char* temp) { seen_temps.emplace_back(temp); }

// Deletes the INI file (another program, a player) after the new bytes are
// written, before they take its place.
void deleteTarget(const char* /*temp*/) { CHECK(DeleteFileA("TavrelConfig.ini") != 0); }

void testReplaceFile() {
    // Never creates a missing file.
    CHECK(!host::replaceFile(kIni, "x", 1));
    CHECK(!fs::exists("TavrelConfig.ini"));
    CHECK(strayFiles().empty());

    const std::string old_text = "[Vehicle]\r\nlock_flash_interval=150\r\nsome_longer_line=1\r\n";
    const std::string new_text = "[Vehicle]\r\nlock_flash_interval=90\r\n";
    writeBytes("TavrelConfig.ini", old_text);
    CHECK(host::replaceFile(kIni, new_text.data(), new_text.size()));
    CHECK(readBytes("TavrelConfig.ini") == new_text);  // shorter: no tail of the old bytes left
    CHECK(strayFiles().empty());

    const std::string big = pattern(150000);  // several write calls
    CHECK(host::replaceFile(kIni, big.data(), big.size()));
    CHECK(readBytes("TavrelConfig.ini") == big);

    CHECK(host::replaceFile(kIni, "", 0));
    CHECK(fs::file_size("TavrelConfig.ini") == 0);

    // Refused when read-only: contents kept, no temporary left.
    writeBytes("TavrelConfig.ini", old_text);
    setReadOnly("TavrelConfig.ini", true);
    CHECK(!host::replaceFile(kIni, new_text.data(), new_text.size()));
    setReadOnly("TavrelConfig.ini", false);
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    CHECK(strayFiles().empty());

    // A directory is not replaced.
    fs::create_directory("folder.ini");
    CHECK(!host::replaceFile(".\\folder.ini", "x", 1));
    CHECK(fs::is_directory("folder.ini"));
    fs::remove("folder.ini");

    // The replace fails (another program holds the file open without sharing
    // delete): false, the original kept, the temporary removed.
    {
        std::ifstream holder("TavrelConfig.ini", std::ios::binary);
        CHECK(holder.is_open());
        CHECK(!host::replaceFile(kIni, new_text.data(), new_text.size()));
    }
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    CHECK(strayFiles().empty());
}

void testReplaceNeverRecreates() {
    // The file is deleted while the new bytes are written: it stays deleted,
    // and the temporary goes too.
    writeBytes("TavrelConfig.ini", "[Vehicle]\r\nlock_flash_interval=150\r\n");
    host::testing::before_replace = &deleteTarget;
    CHECK(!host::replaceFile(kIni, "new", 3));
    host::testing::before_replace = nullptr;
    CHECK(!fs::exists("TavrelConfig.ini"));
    CHECK(strayFiles().empty());
}

void testReplaceKeepsAttributes() {
    // The file's own attributes stay (a player who hid it keeps it hidden).
    writeBytes("TavrelConfig.ini", "old");
    CHECK(SetFileAttributesA("TavrelConfig.ini", FILE_ATTRIBUTE_HIDDEN) != 0);
    CHECK(host::replaceFile(kIni, "new", 3));
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
    CHECK(host::replaceFile(kIni, "one", 3));
    CHECK(host::replaceFile(kIni, "two", 3));
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
    CHECK(host::replaceFile(kIni, "three", 5));
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

// A process that replaces the INI file with `letter` repeated, again and again.
int runWriter(char letter, int count) {
    const std::string bytes(kWriterBytes, letter);
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (!host::replaceFile(kIni, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "writer %c: replace %d failed, error %lu\n", letter, i, GetLastError());
            ++failed;
        }
    }
    return failed;
}

HANDLE startWriter(const std::string& self, char letter, int count) {
    std::string command = "\"" + self + "\" writer " + letter + " " + std::to_string(count);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Two writers in one folder (two copies of the plug-in, two simulator runs):
// the file is always one writer's whole bytes, never a mix, and no temporary
// is left. A replace may fail while the other one replaces the file (Wine's
// ReplaceFileW moves the file aside for a moment: the other writer then
// finds it missing and, never creating it, gives up).
void testTwoWriters() {
    writeBytes("TavrelConfig.ini", std::string(kWriterBytes, 'o'));
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    constexpr int kCount = 60;
    HANDLE writers[2] = {startWriter(self, 'a', kCount), startWriter(self, 'b', kCount)};
    CHECK(writers[0] != nullptr && writers[1] != nullptr);
    if (writers[0] == nullptr || writers[1] == nullptr) return;

    int reads = 0, torn = 0;
    std::string now;
    while (WaitForMultipleObjects(2, writers, TRUE, 0) == WAIT_TIMEOUT) {
        if (!host::readFile(kIni, now, 2 * kWriterBytes)) continue;  // between the names: no file for a moment
        ++reads;
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
    if (argc == 4 && std::strcmp(argv[1], "writer") == 0) return runWriter(argv[2][0], std::atoi(argv[3]));
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
    testReplaceNeverRecreates();
    testReplaceKeepsAttributes();
    testOwnTemporaryFiles();
    testTwoWriters();
    testLogFile();
    testRandomIsTheCRuntimes();
    testClock();

    fs::current_path(previous);
    fs::remove_all(work, error);
    return checkResult("binding");
}
