// The Windows binding without a script hook in the process: the file store
// of the INI file, and the host functions that do not need the hook (clock,
// random numbers) or must stay harmless without it.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>

#include "check.h"
#include "host/host_abi.h"
#include "host/host_file.h"

namespace fs = std::filesystem;
using namespace tavrel;

namespace {

constexpr const char* kIni = ".\\TavrelConfig.ini";
constexpr const char* kTemp = ".\\TavrelConfig.ini.tmp";

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

void testReplaceFile() {
    // Never creates a missing file.
    CHECK(!host::replaceFile(kIni, "x", 1));
    CHECK(!fs::exists("TavrelConfig.ini"));
    CHECK(!fs::exists("TavrelConfig.ini.tmp"));

    const std::string old_text = "[Vehicle]\r\nlock_flash_interval=150\r\nsome_longer_line=1\r\n";
    const std::string new_text = "[Vehicle]\r\nlock_flash_interval=90\r\n";
    writeBytes("TavrelConfig.ini", old_text);
    CHECK(host::replaceFile(kIni, new_text.data(), new_text.size()));
    CHECK(readBytes("TavrelConfig.ini") == new_text);  // shorter: no tail of the old bytes left
    CHECK(!fs::exists("TavrelConfig.ini.tmp"));

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
    CHECK(!fs::exists("TavrelConfig.ini.tmp"));

    // A directory is not replaced.
    fs::create_directory("folder.ini");
    CHECK(!host::replaceFile(".\\folder.ini", "x", 1));
    CHECK(fs::is_directory("folder.ini"));
    fs::remove("folder.ini");

    // The temporary cannot be made (a directory holds its name): fails and
    // leaves the original as it was.
    fs::create_directory("TavrelConfig.ini.tmp");
    CHECK(!host::replaceFile(kIni, new_text.data(), new_text.size()));
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    fs::remove("TavrelConfig.ini.tmp");

    // The rename fails (another program holds the file open without sharing
    // delete): false, the original kept, the temporary removed.
    {
        std::ifstream holder("TavrelConfig.ini", std::ios::binary);
        CHECK(holder.is_open());
        CHECK(!host::replaceFile(kIni, new_text.data(), new_text.size()));
    }
    CHECK(readBytes("TavrelConfig.ini") == old_text);
    CHECK(!fs::exists("TavrelConfig.ini.tmp"));

    // A stale temporary from an earlier crash is overwritten, then gone.
    writeBytes("TavrelConfig.ini.tmp", "torn " + pattern(500));  // longer than the new text
    CHECK(host::replaceFile(kIni, new_text.data(), new_text.size()));
    CHECK(readBytes("TavrelConfig.ini") == new_text);
    CHECK(!host::fileExists(kTemp));
    fs::remove("TavrelConfig.ini");
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

void testWithoutScriptHook() {
    // Nothing was resolved (no DllMain ran, no script hook): every call is a
    // no-op and nativeCall still gives readable zeroed slots.
    host::nativeInit(0x4F8644AF03D0E0D6ull);
    host::nativePush64(1);
    const std::uint64_t* result = host::nativeCall();
    CHECK(result != nullptr);
    if (result != nullptr) CHECK(result[0] == 0 && result[1] == 0 && result[2] == 0);
    int handles[4] = {7, 7, 7, 7};
    CHECK(host::worldGetAllPeds(handles, 4) == 0);
    CHECK(host::worldGetAllVehicles(handles, 4) == 0);
    CHECK(handles[0] == 7);
    host::scriptWait(0);
}

}  // namespace

int main() {
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
    testRandomIsTheCRuntimes();
    testClock();
    testWithoutScriptHook();

    fs::current_path(previous);
    fs::remove_all(work, error);
    return checkResult("binding");
}
