// Random play: the same seed replays exactly, the invariants catch what they
// name, and the shrinker turns a planted fault into a small scenario file
// that fails on its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/play/play.h"
#include "sim/scenario/scenario.h"
#include "support/sandbox.h"
#include "support/scenario_run.h"

namespace tavrel::testing {
namespace {

namespace fs = std::filesystem;
using sim::PlayOutcome;
using sim::PlaySession;

// Runs a scenario file's text as `tavrel-sim FILE` does, in a fresh folder.
int runFile(const std::string& text, std::string* err = nullptr) {
    Sandbox folder;
    const ScenarioRun run = runScenarioText(text, {}, "shrunk.scn");
    if (err != nullptr) *err = run.err;
    return run.status;
}

TEST(PlaySession, SameSeedSameLinesSameRunAnotherSeedAnother) {
    Sandbox scratch;
    const PlaySession a = sim::generateSession(41, 4);
    const PlaySession b = sim::generateSession(41, 4);
    const PlaySession c = sim::generateSession(42, 4);
    EXPECT_EQ(sim::scenarioText(a, ""), sim::scenarioText(b, ""));
    EXPECT_NE(sim::scenarioText(a, ""), sim::scenarioText(c, ""));
    const PlayOutcome first = sim::runSession(a, fs::path(scratch.path()) / "one");
    const PlayOutcome second = sim::runSession(b, fs::path(scratch.path()) / "two");
    ASSERT_FALSE(first.scenario_error) << first.error;
    EXPECT_FALSE(first.broken) << first.violation.name << ": " << first.violation.message;
    EXPECT_GT(first.frames, 1000u);
    EXPECT_GT(first.requests, 0u);
    EXPECT_EQ(first.frames, second.frames);
    EXPECT_EQ(first.checks, second.checks);
    EXPECT_EQ(first.digest, second.digest) << "the same seed must replay call for call";
    EXPECT_NE(first.digest, sim::runSession(c, fs::path(scratch.path()) / "three").digest);
}

TEST(PlaySession, CoversTheKindsOfPlay) {
    const std::string text = sim::scenarioText(sim::generateSession(5, 240), "");
    for (const char* line : {"start-tick ", "hold L", "hold U", "tap F9", "control down", "key down", "enter ",
                             "sit ", "exit", "delete ", "ini-text", "no-ini", "ini-read-only 1", "frame-ms ",
                             "dead 1", "arrested 1", "loading 1", "unload", "ped-enter", "move ", " climb\n", " door\n",
                             "passenger=0,", "driver=", "water=", "handbrake=1", " 0.0"}) {
        EXPECT_NE(text.find(line), std::string::npos) << "four hours of play without " << line;
    }
}

// A whole write keeps every line of the earlier version (a key's value may
// change, lines and sections may be added) and ends with a line end.
TEST(IniWholeWrite, AcceptsKeyWritesRejectsTornFiles) {
    const std::string before = "[Vehicle]\r\nlight_notification=1\r\n[Menu]\r\nmenu_size=1.0\r\n";
    EXPECT_EQ(sim::iniWholeWrite(before, before), "");
    EXPECT_EQ(sim::iniWholeWrite(before, "[Vehicle]\r\nlight_notification=0\r\n[Menu]\r\nmenu_size=1.0\r\n"), "");
    EXPECT_EQ(sim::iniWholeWrite(before, before + "[Keys]\r\nlock=76\r\n"), "");
    EXPECT_EQ(sim::iniWholeWrite(before, "[Vehicle]\r\nlight_notification=1\r\nx=2\r\n[Menu]\r\nmenu_size=1.0\r\n"), "");
    EXPECT_NE(sim::iniWholeWrite(before, ""), "");
    EXPECT_NE(sim::iniWholeWrite(before, "[Vehicle]\r\nlight_notification=1\r\n[Menu]\r\nmenu_si"), "");
    EXPECT_NE(sim::iniWholeWrite(before, "[Vehicle]\r\nlight_notification=1\r\n"), "");
    EXPECT_NE(sim::iniWholeWrite(before, "[Menu]\r\nmenu_size=1.0\r\n"), "");
}

// Each invariant on a scenario made to break it, and the same scenario
// without the fault holding.
TEST(ExpectInvariant, FailsWithItsOwnMessageOnlyWhenBroken) {
    sim::registerPlayCommands();
    const std::string world =
        "player 0 0 0\nvehicle 1 car 3 0 0\n"
        "ini-text\n[Vehicle]\nnotification_sound_signal=0\nremote_control_fob_sound=0\nlight_notification=0\n"
        "[Animation]\nanimation=0\nend\nstart\n";
    const std::string locks = "hold L 100\nwait 1500\nhold U 100\nwait 1500\nhold L 100\nwait 1500\n";
    std::string err;
    EXPECT_EQ(runFile(world + locks + "expect invariant lock-state\nexpect invariant request-answered\n", &err), 0) << err;
    EXPECT_EQ(runFile("plant lock-drop 2\n" + world + locks + "expect invariant lock-state\n", &err), 3);
    EXPECT_NE(err.find("shrunk.scn:19: expected invariant lock-state, got the tracked car"), std::string::npos) << err;
    // Another invariant's expectation is not disturbed by this fault.
    EXPECT_EQ(runFile("plant lock-drop 2\n" + world + locks + "expect invariant no-stray-action\n", &err), 0) << err;
    // A request with no car anywhere near is refused, not left unanswered.
    EXPECT_EQ(runFile("player 200 0 0\nvehicle 1 car 3 0 0\nstart\nhold U 100\nwait 20000\n"
                      "expect invariant request-answered\nexpect invariant weapon-back\n",
                      &err),
              0)
        << err;
    EXPECT_EQ(runFile(world + "expect invariant no-such-thing\n", &err), 2);
    EXPECT_NE(err.find("unknown invariant no-such-thing (one of no-fault, one-fob"), std::string::npos) << err;
}

// The planted fault: the game drops the third lock the plug-in makes (the
// car falls back to unlocked after that frame). Nothing in the plug-in is
// wrong, but the tracked car's lock no longer matches the last served
// request, which is what lock-state watches; the shrinker knows nothing of
// the fault and must find the few steps that show it.
TEST(PlayShrinker, PlantedDroppedLockShrinksToASmallFileThatFailsOnItsOwn) {
    Sandbox scratch;
    PlaySession session = sim::generateSession(3, 30);
    auto& opening = session.steps.front().lines;
    opening.insert(opening.begin(), "plant lock-drop 3");
    const fs::path folder = fs::path(scratch.path()) / "run";
    const PlayOutcome outcome = sim::runSession(session, folder);
    ASSERT_TRUE(outcome.broken) << "the planted fault went unseen";
    ASSERT_EQ(outcome.violation.name, "lock-state") << outcome.violation.message;

    int trials = 0;
    const PlaySession small = sim::shrinkSession(session, "lock-state", folder, &trials);
    std::size_t lines = 0;
    for (const sim::PlayStep& step : small.steps) lines += step.lines.size();
    EXPECT_LE(small.steps.size(), 8u) << sim::scenarioText(small, "lock-state");
    EXPECT_LT(small.steps.size(), outcome.step / 2 + 2);
    EXPECT_LE(lines, 30u);
    std::printf("planted lock drop: %zu steps (of %zu run), %zu lines, %d runs\n%s", small.steps.size(),
                outcome.step + 1, lines, trials, sim::scenarioText(small, "lock-state").c_str());

    const fs::path file = fs::path(scratch.path()) / "shrunk.scn";
    ASSERT_TRUE(sim::writeScenarioFile(small, "lock-state", file));
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(text.ends_with("expect invariant lock-state\n"));
    std::string err;
    EXPECT_EQ(runFile(text, &err), 3) << err;
    EXPECT_NE(err.find("expected invariant lock-state"), std::string::npos) << err;
    // Without the planted fault the same file holds.
    std::string clean = text;
    clean.erase(clean.find("plant lock-drop 3\n"), std::string("plant lock-drop 3\n").size());
    EXPECT_EQ(runFile(clean, &err), 0) << err;
}

// What a failure does not need goes too: keys of an ini-text block, a
// vehicle or character with the lines that name it, comments whose lines
// are all gone. Here the lock needs only the rebound lock key (K) and car 1.
TEST(PlayShrinker, CutsUnneededKeysVehiclesCharactersAndLoneComments) {
    Sandbox scratch;
    PlaySession session;
    session.steps = {
        {"the world", {"plant lock-drop 1",
                       "ini-text\n[Vehicle]\nlight_notification=0\nneon_lights=1\n[Keys]\nlock=75\nunlock=85\n"
                       "[Animation]\nanimation=0\nend",
                       "player 0 0 0", "vehicle 1 car 3 0 0", "vehicle 2 car 150 0 0", "ped 3 0 150 0", "start"}},
        {"a car far away", {"move 2 5", "wait 300"}},
        {"a character", {"ped-enter 3 2", "wait 200"}},
        {"the lock", {"hold K 100", "wait 1500"}},
        {"gone", {"delete 2", "wait 100"}},
    };
    const fs::path folder = fs::path(scratch.path()) / "run";
    const PlayOutcome outcome = sim::runSession(session, folder);
    ASSERT_TRUE(outcome.broken) << "the planted fault went unseen";
    ASSERT_EQ(outcome.violation.name, "lock-state") << outcome.violation.message;

    const std::string text = sim::scenarioText(sim::shrinkSession(session, "lock-state", folder), "lock-state");
    EXPECT_NE(text.find("ini-text\n[Keys]\nlock=75\nend\n"), std::string::npos) << text;
    EXPECT_NE(text.find("vehicle 1 car 3 0 0\n"), std::string::npos) << text;
    for (const char* gone : {"vehicle 2", "ped 3", "move 2", "ped-enter", "delete 2", "# a car far away",
                             "# a character"}) {
        EXPECT_EQ(text.find(gone), std::string::npos) << gone << " is left in\n" << text;
    }
    std::string err;
    EXPECT_EQ(runFile(text, &err), 3) << err;
}

}  // namespace
}  // namespace tavrel::testing
