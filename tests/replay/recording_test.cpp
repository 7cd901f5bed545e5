// The flight recording: when the plug-in writes Tavrel.rec, and what replay
// and conversion make of files that are not whole recordings of a load.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "host/host_abi.h"
#include "host/recorder.h"
#include "host/recording_format.h"
#include "sim/replay/recording.h"
#include "sim/replay/replay.h"
#include "sim/replay/to_scenario.h"
#include "support/plugin_fixture.h"
#include "support/sandbox.h"
#include "support/scenario_run.h"

namespace tavrel::testing {
namespace {

constexpr const char* kRecording = "Tavrel.rec";

ScenarioRun replay(const char* name) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = sim::runReplay(name, sim::ReplayOptions{}, out, err);
    return {status, out.str(), err.str()};
}

std::uint32_t flagsOf(const std::string& bytes) {
    std::uint32_t flags = 0;
    std::memcpy(&flags, bytes.data() + rec::header::kFlagsAt, 4);
    return flags;
}

// Runs scenario lines on a simulator of its own (replay makes another).
class SimRun {
public:
    explicit SimRun(const std::string& lines) { runScenarioLines(sim, lines); }
    sim::Simulator sim;
};

// The player's key and a halt write the recording while the game runs; the
// file replays. Without a ring ([Misc] recorder_kb=0) nothing is written.
TEST(Recording, TheSaveKeyAndAHaltWriteARecordingThatReplays) {
    struct Case {
        const char* name;
        const char* misc;
        const char* halt;
        std::uint32_t flag;  // 0: no file
    };
    const Case cases[] = {
        {"save key", "recorder_kb=8192", "", rec::kSavedByKey},
        {"halt", "recorder_kb=8192", "throw PLAYER_PED_ID\n", rec::kSavedAtHalt},
        {"recorder off", "recorder_kb=0", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        sandbox.writeIni(immediateIni() + "[Keys]\r\nsave_recording=123\r\n[Misc]\r\n" + c.misc + "\r\n");
        std::string saved;
        {
            SimRun run("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap U\nwait 500\n" + std::string(c.halt) +
                       "tap F12\nwait 100");
            EXPECT_EQ(std::filesystem::exists(kRecording), c.flag != 0);
            saved = readBytes(kRecording);
            run.sim.unload();
        }
        EXPECT_EQ(std::filesystem::exists(kRecording), c.flag != 0);
        if (c.flag == 0) continue;
        EXPECT_EQ(flagsOf(saved) & c.flag, c.flag);
        writeBytes("saved.rec", saved);
        const ScenarioRun r = replay("saved.rec");
        EXPECT_EQ(r.status, 0) << r.err;
    }
}

// A file that is no whole recording of a load is refused with its reason,
// by replay and conversion alike: exit status 2, never a crash.
TEST(Recording, ReplayAndConversionRefuseWhatIsNoWholeRecording) {
    Sandbox sandbox;
    // A recording whose ring went round (a 256 KB ring, the clock read many
    // times over), and a whole one.
    sandbox.writeIni(immediateIni() + "[Misc]\r\nrecorder_kb=256\r\n");
    {
        SimRun run("player 0 0 0\nstart\nwait 200");
        for (int i = 0; i < 200000; ++i) host::getTickCount();
        run.sim.unload();
    }
    const std::string wrapped = readBytes(kRecording);
    sandbox.writeIni(kImmediateIni);
    { SimRun run("player 0 0 0\nstart\nwait 300\nunload"); }
    const std::string whole = readBytes(kRecording);
    ASSERT_GT(whole.size(), rec::kHeaderSize + 100);
    std::string damaged = whole;
    damaged[damaged.size() - 20] ^= 0x55;
    std::string newer = whole;
    newer[rec::header::kVersionAt] = static_cast<char>(rec::kFormatVersion + 1);
    const std::uint64_t sum = rec::checksum(newer.data(), rec::header::kHeaderSumAt);
    std::memcpy(newer.data() + rec::header::kHeaderSumAt, &sum, 8);
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", "", "empty (0 bytes)"},
        {"cut", whole.substr(0, whole.size() / 2), "cut short"},
        {"cut in its header", whole.substr(0, 20), "cut short inside its header"},
        {"damaged", damaged, "checksum does not match"},
        {"foreign", "[Vehicle]\r\nlock=76\r\n", "not a Tavrel recording"},
        {"newer", newer, "newer than this tavrel-sim reads"},
        {"wrapped", wrapped, "does not begin at the plug-in's load"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes("case.rec", c.bytes);
        const ScenarioRun r = replay("case.rec");
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(sim::runToScenario("case.rec", "", out, err), 2);
        EXPECT_NE(err.str().find(c.reason), std::string::npos) << err.str();
    }
}

// Format version 1 (builds that did not record the load's recovery, tag
// 0x14, nor a write that found the file changed) has version 2's layout:
// a recording stamped 1 still replays and converts.
TEST(Recording, AVersionOneRecordingStillReplays) {
    Sandbox sandbox;
    sandbox.writeIni(kImmediateIni);
    { SimRun run("player 0 0 0\nvehicle 1 car 3 0 0\nstart\ntap U\nwait 1500\nunload"); }
    std::string v1 = readBytes(kRecording);
    ASSERT_GT(v1.size(), rec::kHeaderSize);
    const std::uint16_t version = 1;
    std::memcpy(v1.data() + rec::header::kVersionAt, &version, 2);
    const std::uint64_t sum = rec::checksum(v1.data(), rec::header::kHeaderSumAt);
    std::memcpy(v1.data() + rec::header::kHeaderSumAt, &sum, 8);
    writeBytes("v1.rec", v1);
    const ScenarioRun r = replay("v1.rec");
    EXPECT_EQ(r.status, 0) << r.err;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(sim::runToScenario("v1.rec", "", out, err), 0) << err.str();
    EXPECT_NE(out.str().find("expect vehicle 1 lock 0"), std::string::npos) << out.str();
}

// A world list the same as the one before, recorded where its chunk is full,
// goes whole into the next chunk: each chunk reads without the one before.
TEST(Recording, AWorldListRepeatedWhereAChunkEndsReadsInTheNext) {
    Sandbox sandbox;
    host::beginRecording();
    host::testing::enterFibre(0);
    constexpr int kLists = 40000;  // more than one chunk of them
    int handles[4] = {};
    for (int i = 0; i < kLists; ++i) (void)host::worldGetAllVehicles(handles, 4);
    host::requestRecordingSave(host::SaveReason::Key);
    host::testing::leaveFibre(0);
    ASSERT_TRUE(host::testing::lastSaveWritten());
    host::endRecording();
    const sim::RecordingFile file = sim::readRecordingFile(kRecording);
    ASSERT_GT(file.chunk_offsets.size(), 1u);
    sim::RecordingReader reader(file);
    int lists = 0;
    try {
        while (const sim::RecEvent* e = reader.next()) lists += e->kind == sim::RecEventKind::World ? 1 : 0;
    } catch (const sim::RecordingError& error) {
        FAIL() << error.what();
    }
    EXPECT_EQ(lists, kLists);
}

}  // namespace
}  // namespace tavrel::testing
