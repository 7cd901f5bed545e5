// Tavrel.log driven through the simulator: no file access in a frame
// without an event, a fresh file per load, a folder it cannot write, the
// switch in the INI file, the 256 KB limit, what the load tells of the keys,
// and failed saves.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "config/persistence.h"
#include "host/host_file.h"
#include "state/plugin_log.h"
#include "support/plugin_fixture.h"

namespace tavrel::testing {
namespace {

std::string readFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string logText() { return readFile("Tavrel.log"); }

unsigned long fileCalls() { return host::testing::file_calls.load(); }

using LogTest = PluginTest;

TEST_F(LogTest, FramesWithoutAnEventTouchNoFile) {
    sandbox.writeIni(immediateIni("headlights_at_movement=2\r\ninterior_lights=3\r\nneon_lights=3\r\n"));
    addCarBeside();
    sim.start();
    sim.tap(kVkU);  // a tracked car: the world pass keeps its lights
    sim.waitMs(1100);
    const unsigned long before = fileCalls();
    sim.waitMs(10000);  // 625 frames, 33 world passes
    EXPECT_EQ(fileCalls(), before);

    sim.tap(kVkL);
    EXPECT_GT(fileCalls(), before) << "a request reads the INI file and writes its lines";
    EXPECT_NE(logText().find("lock request by key L (0x4C): acting at once\r\n"), std::string::npos) << logText();
    const unsigned long after = fileCalls();
    sim.waitMs(10000);
    EXPECT_EQ(fileCalls(), after);
}

TEST_F(LogTest, EachLoadStartsAfreshKeepingThePreviousLoadsLog) {
    sandbox.writeIni(kImmediateIni);
    addCarBeside();
    sim.start();
    sim.tap(kVkL);
    sim.unload();
    sim.start();
    sim.unload();
    const std::string old = readFile("Tavrel.log.old");
    EXPECT_NE(old.find("lock vehicle"), std::string::npos) << old;
    EXPECT_EQ(old.substr(old.size() - 10), "unloaded\r\n");
    const std::string now = logText();
    EXPECT_EQ(now.find("lock request"), std::string::npos) << now;
    EXPECT_EQ(now.find("Tavrel 2.2 loaded"), now.rfind("Tavrel 2.2 loaded"));
}

TEST_F(LogTest, AFolderItCannotWriteLeavesThePluginWorking) {
    // Folders of those names (with something in them): neither can be
    // opened, moved over or replaced, even by root.
    for (const char* dir : {"Tavrel.log/x", "Tavrel.log.old/x"}) std::filesystem::create_directories(dir);
    sandbox.writeIni(kImmediateIni);
    addCarBeside();
    sim.start();
    EXPECT_FALSE(logOn());
    sim.tap(kVkL);
    EXPECT_EQ(vehicle(1).lock, 4);
    sim.unload();
}

TEST_F(LogTest, WriteLogZeroLeavesTheLogAlone) {
    sandbox.writeIni(kImmediateIni + "[Misc]\r\nwrite_log=0\r\n");
    std::ofstream("Tavrel.log", std::ios::binary) << "a player's old log";
    addCarBeside();
    sim.start();
    sim.tap(kVkL);
    sim.unload();
    EXPECT_EQ(logText(), "a player's old log");
    EXPECT_FALSE(std::filesystem::exists("Tavrel.log.old"));
}

TEST(LogLimit, ALoadWritesAtMost256KbTheLastLineSayingSo) {
    Sandbox sandbox;
    startLog(true);
    const std::string text(300, 'x');
    int lines = 0;
    while (logOn() && lines < 10000) {
        LogLine() << text;
        ++lines;
    }
    LogLine() << "after the limit";
    flushLog();
    resetLog();
    const std::string log = logText();
    EXPECT_LE(log.size(), kLogLimit);
    EXPECT_GT(log.size(), kLogLimit - 400) << "the limit is used, not cut early";
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_NE(last.find("log full: this load wrote its 256 KB"), std::string::npos) << last;
}

// The load's report of the INI file: one case, one file, the line expected.
struct LoadCase {
    const char* name;
    std::string file;  // empty: no file at all
    const char* line;  // a fragment of the line expected
    const char* absent = nullptr;  // a fragment that must not be there
};

void PrintTo(const LoadCase& c, std::ostream* os) { *os << c.name; }

constexpr char kUtf16File[] = "\xFF\xFE[\0M\0i\0s\0c\0]\0\r\0\n\0";

class LoadReport : public LogTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadReport, TellsWhatBecameOfTheFile) {
    const LoadCase& c = GetParam();
    if (!c.file.empty()) sandbox.writeIni(c.file);
    sim.start();
    const std::string log = logText();
    EXPECT_NE(log.find(c.line), std::string::npos) << log;
    if (c.absent != nullptr) {
        EXPECT_EQ(log.find(c.absent), std::string::npos) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, LoadReport,
    ::testing::Values(
        LoadCase{"Missing", "", "settings file .\\TavrelConfig.ini: missing; built-in values"},
        LoadCase{"MissingKey", "[Vehicle]\r\nhorn_duration=20\r\n", "settings missing in [Misc], built-in values used: write_log=1 recorder_kb=8192\r\n",
                 "horn_duration"},
        LoadCase{"OutOfRange", "[Vehicle]\r\ninterior_lights=9\r\n",
                 "setting [Vehicle] interior_lights=9: out of range 0...4, now 1\r\n"},
        LoadCase{"NotANumber", "[Vehicle]\r\nhorn_duration=12abc\r\n",
                 "horn_duration=\"12abc\": not a whole number (read as 12), now 12\r\n"},
        LoadCase{"Empty", "[Vehicle]\r\nhorn_duration=\r\n", "horn_duration=: empty, taken as missing, now 10\r\n"},
        LoadCase{"KeptByItsRule", "[Vehicle]\r\nmax_distance_to_vehicle=0\r\nlight_multiplier=-3\r\n",
                 "max_distance_to_vehicle=0: not taken by its load rule, now 40\r\n",
                 "light_multiplier=-3: out of range"},
        LoadCase{"HexIsANumber", "[Vehicle]\r\nhorn_duration=0x10\r\n[Keys]\r\nlock=200\r\n",
                 "setting [Keys] lock=200: out of range -1...127, now -56\r\n", "horn_duration"},
        LoadCase{"ReadByTheMenu", "[Menu]\r\nmenu_size=50\r\nmenu_width=7.5x\r\n",
                 "menu_size=50: out of range 1...10, the menu holds it to 1...10\r\n",
                 "menu_width=\"7.5x\": not a number, now"},
        LoadCase{"Ascii", "[Misc]\r\nwrite_log=1\r\n", ": found, ASCII, 1 sections, 1 keys\r\n"},
        LoadCase{"Utf8", "; caf\xC3\xA9\r\n[Misc]\r\nwrite_log=1\r\n", ": found, UTF-8, 1 sections"},
        LoadCase{"Utf8Mark", "\xEF\xBB\xBF[Misc]\r\nwrite_log=1\r\n", ": found, UTF-8 with byte-order mark"},
        LoadCase{"Ansi", "; caf\xE9\r\n[Misc]\r\nwrite_log=1\r\n", ": found, ANSI (not UTF-8)"},
        LoadCase{"Utf16", std::string(kUtf16File, sizeof kUtf16File - 1), ": found, UTF-16LE with byte-order mark"}),
    [](const ::testing::TestParamInfo<LoadCase>& param) { return std::string(param.param.name); });

TEST(FailedSave, IsToldOnceWhileTheSameKeyFailsInARow) {
    Sandbox sandbox;
    sandbox.writeIni("[Vehicle]\r\nhorn_duration=10\r\n");
    ASSERT_EQ(::chmod(Sandbox::kIni, 0444), 0);
    startLog(true);
    writeIntSetting("Vehicle", "horn_duration", 20);
    writeIntSetting("Vehicle", "horn_duration", 30);
    writeIntSetting("Vehicle", "neon_lights", 1);
    writeIntSetting("Vehicle", "horn_duration", 40);
    resetLog();
    const std::string log = logText();
    const auto count = [&](const char* text) {
        int n = 0;
        for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("save failed: [Vehicle] horn_duration=20 "), 1) << log;
    EXPECT_EQ(count("save failed: [Vehicle] horn_duration=30 "), 0) << log;
    EXPECT_EQ(count("save failed: [Vehicle] neon_lights=1 "), 1) << log;
    EXPECT_EQ(count("save failed: [Vehicle] horn_duration=40 "), 1) << log;
    takeFailedWrite();
}

}  // namespace
}  // namespace tavrel::testing
