// tavrel-sim --wall-limit: a run that outlasts it (a huge simulated wait)
// ends with its own status and a message on stderr, keeping what it printed;
// a run within it ends as usual; a bad limit is a usage error.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/cli/cli.h"
#include "support/sandbox.h"

namespace tavrel::sim {
namespace {

int runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "tavrel-sim");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return runCommandLine(static_cast<int>(args.size()), argv.data());
}

void writeText(const char* path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string readText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class WallLimitTest : public ::testing::Test {
protected:
    testing::Sandbox sandbox_;
};

TEST_F(WallLimitTest, RunawayWaitStopsWithItsOwnStatusAndKeepsItsOutput) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child process runs the test again in a directory of its own: the
    // paths are this one's, passed on in the environment.
    const std::string scenario = sandbox_.path() + "/runaway.scn";
    const std::string out = sandbox_.path() + "/out.txt";
    writeText(scenario.c_str(), "start\necho before the wait\nwait 4294967295\necho never\n");
    ::setenv("TAVREL_WALL_LIMIT_TEST", sandbox_.path().c_str(), 0);  // the child keeps the parent's
    EXPECT_EXIT(
        {
            const std::string dir = std::getenv("TAVREL_WALL_LIMIT_TEST");
            std::fflush(stdout);  // what the test program printed so far stays where it was
            const int fd = ::open((dir + "/out.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || ::dup2(fd, 1) < 0) std::_Exit(99);
            std::exit(runCli({"--wall-limit", "0.5", dir + "/runaway.scn"}));
        },
        ::testing::ExitedWithCode(4), "tavrel-sim: stopped at the wall-time limit of 0.5 s");
    ::unsetenv("TAVREL_WALL_LIMIT_TEST");
    EXPECT_EQ(readText(out.c_str()), "before the wait\n");
}

TEST_F(WallLimitTest, RunWithinTheLimitEndsAsUsual) {
    writeText("short.scn", "start\nwait 1000\nbogus-command\n");
    EXPECT_EQ(runCli({"--wall-limit", "60", "short.scn"}), 2);  // the scenario error, found before running
    writeText("short.scn", "start\nwait 1000\n");
    EXPECT_EQ(runCli({"--wall-limit", "60", "short.scn"}), 0);
}

TEST_F(WallLimitTest, LimitMustBePositiveSeconds) {
    writeText("short.scn", "start\n");
    for (const char* bad : {"0", "-1", "x", "1e9", "nan"}) {
        EXPECT_EQ(runCli({"--wall-limit", bad, "short.scn"}), 2) << bad;
    }
    EXPECT_EQ(runCli({"short.scn", "--wall-limit"}), 2);
}

}  // namespace
}  // namespace tavrel::sim
