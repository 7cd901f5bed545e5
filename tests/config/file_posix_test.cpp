// POSIX file access: path mapping, the read cap, never creating, and
// crash-safe replacement (a writer killed at any point leaves old or new).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "host/host_file.h"
#include "temp_dir.h"

namespace tavrel::host {
namespace {

using tavrel::testing::readBytes;
using tavrel::testing::writeBytes;

class FilePosix : public tavrel::testing::TempDirTest {};

TEST_F(FilePosix, BackslashPathResolvesInTheWorkingDirectory) {
    EXPECT_FALSE(fileExists(".\\TavrelConfig.ini"));
    writeBytes("TavrelConfig.ini", "[s]\r\nk=v\r\n");
    EXPECT_TRUE(fileExists(".\\TavrelConfig.ini"));
    std::string bytes;
    ASSERT_TRUE(readFile(".\\TavrelConfig.ini", bytes, 1024));
    EXPECT_EQ(bytes, "[s]\r\nk=v\r\n");
    ASSERT_TRUE(readFile(".\\TavrelConfig.ini", bytes, 4));  // cut at the cap
    EXPECT_EQ(bytes, "[s]\r");
    EXPECT_FALSE(readFile(".\\missing.ini", bytes, 1024));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(FilePosix, ReplaceNeverCreatesAndLeavesNoTemporary) {
    EXPECT_FALSE(replaceFile(".\\TavrelConfig.ini", "x", 1));
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini"));
    writeBytes("TavrelConfig.ini", "old");
    EXPECT_TRUE(replaceFile(".\\TavrelConfig.ini", "new!", 4));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "new!");
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini.tmp"));
    std::filesystem::create_directory("dir.ini");
    EXPECT_FALSE(replaceFile("dir.ini", "x", 1));
}

// A child replaces a large file and is killed at a varied point after it
// starts (during the write, the flush or the rename); the file must then hold
// the old bytes or the new, never a mix.
TEST_F(FilePosix, KilledWriterLeavesOldOrNewFile) {
    const std::string old_bytes(1u << 20, 'o');
    const std::string new_bytes(4u << 20, 'n');
    int saw_old = 0, saw_new = 0;
    const int delays_us[] = {0, 200, 500, 1000, 2000, 3000, 5000, 8000, 12000, 20000, 30000, 50000};
    for (const int delay_us : delays_us) {
        writeBytes("TavrelConfig.ini", old_bytes);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            (void)!::write(ready[1], "g", 1);
            replaceFile(".\\TavrelConfig.ini", new_bytes.data(), new_bytes.size());
            ::_exit(0);
        }
        ::close(ready[1]);
        char go = 0;
        (void)!::read(ready[0], &go, 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string now = readBytes("TavrelConfig.ini");
        ASSERT_TRUE(now == old_bytes || now == new_bytes) << "torn file of " << now.size() << " bytes, kill after " << delay_us << " us";
        (now == old_bytes ? saw_old : saw_new)++;
    }
    std::printf("killed writer: %d old, %d new\n", saw_old, saw_new);
}

// A write that fails half-way (file size limit) leaves the file and no temporary.
TEST_F(FilePosix, FailedWriteLeavesTheOldFile) {
    writeBytes("TavrelConfig.ini", std::string(100, 'o'));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string big(1u << 20, 'n');
        ::_exit(replaceFile(".\\TavrelConfig.ini", big.data(), big.size()) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "replaceFile reported success";
    EXPECT_EQ(readBytes("TavrelConfig.ini"), std::string(100, 'o'));
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini.tmp"));
}

}  // namespace
}  // namespace tavrel::host
