// POSIX file access: path mapping, the read cap, never creating (not even a
// file deleted during the write), replacing only the version read (a file
// saved over meanwhile is kept and the key set again in it), a link kept a
// link, crash-safe replacement (a writer killed at any point leaves old or
// new, and the next load clears what it left), a temporary file of each
// writer's own, and the system's refusals (a read error, no name exchange)
// met.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "config/ini_store.h"
#include "host/host_file.h"
#include "support/store_cases.h"
#include "support/temp_dir.h"

namespace tavrel::host {
namespace {

using tavrel::testing::kEditorSave;
using tavrel::testing::kLeftoversRemoved;
using tavrel::testing::kRaceStart;
using tavrel::testing::kRestored;
using tavrel::testing::layOutLeftovers;
using tavrel::testing::layOutPairBesideTheFile;
using tavrel::testing::kRewrittenSameSize;
using tavrel::testing::kStoreRaces;
using tavrel::testing::kWrittenInto;
using tavrel::testing::RaceProgram;
using tavrel::testing::readBytes;
using tavrel::testing::StoreRace;
using tavrel::testing::writeBytes;

class FilePosix : public tavrel::testing::TempDirTest {
protected:
    void TearDown() override { testing::before_replace = nullptr; }
};

// Everything in `folder` but the INI file: temporaries left.
std::vector<std::string> strayFiles(const char* folder = ".") {
    std::vector<std::string> stray;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name != "TavrelConfig.ini") stray.push_back(name);
    }
    return stray;
}

// Reads the file and replaces it with `bytes`, as one write of the store.
bool writeOver(const char* path, std::string_view bytes) {
    std::string read;
    FileStamp stamp;
    readFile(path, read, 1 << 24, &stamp);
    return replaceFile(path, bytes.data(), bytes.size(), stamp) == ReplaceResult::Replaced;
}

// One key written through the store, in the plug-in's buffers.
bool writeKey(const char* section, const char* key, const char* value) {
    ini::IniDocument scratch;
    std::string edited;
    return ini::writeProfileString(".\\TavrelConfig.ini", section, key, value, scratch, edited);
}

// Seams: what another program does between the write and the replace.
std::vector<std::string> seen_temps;
void recordTemp(const char* temp) { seen_temps.emplace_back(temp); }

// The program of the race being run (tests/support/store_cases.h), for the
// store's seam; it acts at the store's next `races_left` tries.
RaceProgram race_program = RaceProgram::SaveOver;
int races_left = 0;
void raceProgram(const char*) {
    if (races_left <= 0) return;
    --races_left;
    switch (race_program) {
        case RaceProgram::SaveOver:  // an editor saving by rename
            writeBytes("editor.tmp", kEditorSave);
            ASSERT_EQ(::rename("editor.tmp", "TavrelConfig.ini"), 0);
            break;
        case RaceProgram::WriteInto: {
            std::FILE* file = std::fopen("TavrelConfig.ini", "ab");
            ASSERT_NE(file, nullptr);
            std::fputs(kWrittenInto, file);
            std::fclose(file);
            break;
        }
        case RaceProgram::RewriteKeepingSizeAndTime: {  // only the bytes tell
            struct stat st;
            ASSERT_EQ(::stat("TavrelConfig.ini", &st), 0);
            std::FILE* file = std::fopen("TavrelConfig.ini", "r+b");
            ASSERT_NE(file, nullptr);
            std::fputs(kRewrittenSameSize, file);
            std::fclose(file);
            const timespec times[2] = {st.st_atim, st.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, "TavrelConfig.ini", times, 0), 0);
            break;
        }
        case RaceProgram::Delete:
            ASSERT_EQ(::unlink("TavrelConfig.ini"), 0);
            break;
    }
}

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

// A path is used up to 4095 characters (its copy holds 4096 bytes with the
// terminator); one character more is refused before it is copied. A write
// also needs its temporary's longer name to fit. Extra separators make the
// same file's path any length.
TEST_F(FilePosix, PathsUpToTheCopysSizeAreUsedLongerOnesRefused) {
    writeBytes("TavrelConfig.ini", "[s]\r\nk=v\r\n");
    const auto pathOf = [](std::size_t length) {
        const std::string name = "TavrelConfig.ini";
        return "." + std::string(length - 1 - name.size(), '\\') + name;
    };
    std::string bytes;
    const std::string longest = pathOf(4095);
    ASSERT_EQ(longest.size(), 4095u);
    EXPECT_TRUE(fileExists(longest.c_str()));
    EXPECT_TRUE(readFile(longest.c_str(), bytes, 1024));
    EXPECT_EQ(bytes, "[s]\r\nk=v\r\n");
    // The temporary beside it (the name and ".<pid>-<n>.tmp") does not fit:
    // no write, and nothing made under a cut name.
    EXPECT_FALSE(writeOver(longest.c_str(), {"new", 3}));
    EXPECT_TRUE(strayFiles().empty());
    EXPECT_TRUE(writeOver(pathOf(4000).c_str(), {"new", 3}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "new");
    const std::string too_long = pathOf(4096);
    EXPECT_FALSE(fileExists(too_long.c_str()));
    EXPECT_FALSE(readFile(too_long.c_str(), bytes, 1024));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(writeOver(too_long.c_str(), {"newer", 5}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "new");
    EXPECT_TRUE(strayFiles().empty());
}

TEST_F(FilePosix, ReplaceNeverCreatesAndLeavesNoTemporary) {
    EXPECT_FALSE(writeOver(".\\TavrelConfig.ini", {"x", 1}));
    EXPECT_FALSE(std::filesystem::exists("TavrelConfig.ini"));
    writeBytes("TavrelConfig.ini", "old");
    ASSERT_EQ(::chmod("TavrelConfig.ini", 0640), 0);
    EXPECT_TRUE(writeOver(".\\TavrelConfig.ini", {"new!", 4}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "new!");
    struct stat st;
    ASSERT_EQ(::stat("TavrelConfig.ini", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);  // the file's own mode kept
    EXPECT_TRUE(strayFiles().empty());
    std::filesystem::create_directory("dir.ini");
    EXPECT_FALSE(writeOver("dir.ini", {"x", 1}));
}

// The races between the store's read and its replace (store_cases.h). Empty
// when every row holds, else what did not (also run where the system cannot
// exchange names).
std::string raceRows() {
    for (const StoreRace& race : kStoreRaces) {
        writeBytes("TavrelConfig.ini", kRaceStart);
        race_program = race.program;
        races_left = race.times;
        testing::before_replace = &raceProgram;
        const bool landed = writeKey("Vehicle", "key", "5");
        testing::before_replace = nullptr;
        const bool exists = std::filesystem::exists("TavrelConfig.ini");
        if (landed != race.lands) return std::string(race.name) + ": the write said " + (landed ? "done" : "failed");
        if (exists != (race.after != nullptr) || (exists && readBytes("TavrelConfig.ini") != race.after)) {
            return std::string(race.name) + ": the file holds \"" + (exists ? readBytes("TavrelConfig.ini") : "(none)") + "\"";
        }
        if (!strayFiles().empty()) return std::string(race.name) + ": left " + strayFiles()[0];
        std::filesystem::remove("TavrelConfig.ini");
    }
    return {};
}

TEST_F(FilePosix, AFileChangedBetweenTheReadAndTheReplaceIsNeverOverwritten) { EXPECT_EQ(raceRows(), ""); }

// Where the system cannot exchange two names (an older kernel: ENOSYS, which
// the C library passes on as EINVAL; a file system without it: EINVAL or
// EOPNOTSUPP), the write still lands: the old file steps aside and the new
// one takes the free name (by a hard link, the refusing rename being refused
// too), and the races above come out the same. The call is refused in a
// child by a seccomp filter.
TEST_F(FilePosix, WithoutTheExchangeTheWriteLandsByARename) {
    for (const int refusal : {ENOSYS, EINVAL, EOPNOTSUPP}) {
        SCOPED_TRACE(refusal);
        writeBytes("TavrelConfig.ini", "old");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            sock_filter filter[] = {
                BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 1),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (static_cast<unsigned>(refusal) & SECCOMP_RET_DATA)),
                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            };
            const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
            if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
                ::_exit(3);
            }
            if (!writeOver(".\\TavrelConfig.ini", {"new", 3})) ::_exit(1);
            const std::string race = raceRows();
            if (!race.empty()) std::fprintf(stderr, "%s\n", race.c_str());
            writeBytes("TavrelConfig.ini", "new");
            ::_exit(race.empty() ? 0 : 2);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "no seccomp filter here";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write reported failure, 2: a race row failed (above)";
        EXPECT_EQ(readBytes("TavrelConfig.ini"), "new");
        EXPECT_TRUE(strayFiles().empty());
    }
}

// Each write makes a temporary of its own (process id, counter) and never
// opens one that exists: a name taken by another copy of the store in this
// process, or left by a crash, is passed over and left as it is.
TEST_F(FilePosix, EachWriteHasItsOwnTemporary) {
    writeBytes("TavrelConfig.ini", "old");
    seen_temps.clear();
    testing::before_replace = &recordTemp;
    ASSERT_TRUE(writeOver(".\\TavrelConfig.ini", {"one", 3}));
    ASSERT_TRUE(writeOver(".\\TavrelConfig.ini", {"two", 3}));
    ASSERT_EQ(seen_temps.size(), 2u);
    EXPECT_NE(seen_temps[0], seen_temps[1]);
    const std::string prefix = "./TavrelConfig.ini." + std::to_string(::getpid()) + "-";
    ASSERT_EQ(seen_temps[1].rfind(prefix, 0), 0u) << seen_temps[1];
    const unsigned next = static_cast<unsigned>(std::strtoul(seen_temps[1].c_str() + prefix.size(), nullptr, 10)) + 1;
    std::vector<std::string> taken;
    for (unsigned n = next; n < next + 3; ++n) {
        taken.push_back("TavrelConfig.ini." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp");
        writeBytes(taken.back(), "someone else's");
    }
    seen_temps.clear();
    ASSERT_TRUE(writeOver(".\\TavrelConfig.ini", {"three", 5}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "three");
    ASSERT_EQ(seen_temps.size(), 1u);
    for (const std::string& name : taken) {
        EXPECT_EQ(readBytes(name), "someone else's") << name;
        EXPECT_NE(seen_temps[0], "./" + name);
        std::filesystem::remove(name);
    }
    EXPECT_TRUE(strayFiles().empty());
}

// Leftover temporaries of this process id (a crashed run whose id came back)
// are passed over, up to a bound: 63 taken names in a row still leave a
// write that lands; 64 make it give up, cleanly, rather than search on.
TEST_F(FilePosix, TakenTemporaryNamesArePassedOverUpToABound) {
    writeBytes("TavrelConfig.ini", "old");
    seen_temps.clear();
    testing::before_replace = &recordTemp;
    ASSERT_TRUE(writeOver(".\\TavrelConfig.ini", {"one", 3}));
    ASSERT_EQ(seen_temps.size(), 1u);
    const std::string prefix = "./TavrelConfig.ini." + std::to_string(::getpid()) + "-";
    unsigned next = static_cast<unsigned>(std::strtoul(seen_temps[0].c_str() + prefix.size(), nullptr, 10)) + 1;
    const auto take = [&next](unsigned count) {
        std::vector<std::string> taken;
        for (unsigned n = next; n < next + count; ++n) {
            taken.push_back("TavrelConfig.ini." + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp");
            writeBytes(taken.back(), "leftover");
        }
        return taken;
    };
    std::vector<std::string> taken = take(63);
    seen_temps.clear();
    EXPECT_TRUE(writeOver(".\\TavrelConfig.ini", {"two", 3}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "two");
    ASSERT_EQ(seen_temps.size(), 1u);
    EXPECT_EQ(seen_temps[0], prefix + std::to_string(next + 63) + ".tmp");
    next += 64;
    const std::vector<std::string> more = take(64);
    taken.insert(taken.end(), more.begin(), more.end());
    EXPECT_FALSE(writeOver(".\\TavrelConfig.ini", {"three", 5}));
    EXPECT_EQ(readBytes("TavrelConfig.ini"), "two");
    for (const std::string& name : taken) {
        EXPECT_EQ(readBytes(name), "leftover") << name;
        std::filesystem::remove(name);
    }
    EXPECT_TRUE(strayFiles().empty());
}

// A file that reports no size (a pipe here; /proc files do the same) is
// still read whole, the buffer growing as the bytes come, up to the cap. The
// bytes wait in the pipe before the read starts; the writer closes it a
// little later, which ends the read.
TEST_F(FilePosix, FileWithoutASizeIsReadWholeUpToTheCap) {
    const std::string bytes = [] {
        std::string b;
        for (int i = 0; b.size() < 20000; ++i) b += "key" + std::to_string(i) + "=" + std::to_string(i * 7) + "\r\n";
        return b;
    }();
    for (const std::size_t cap : {std::size_t{1} << 20, std::size_t{10000}}) {
        SCOPED_TRACE(cap);
        ASSERT_EQ(::mkfifo("pipe.ini", 0600), 0);
        const int keep_open = ::open("pipe.ini", O_RDONLY | O_NONBLOCK);  // lets the writer open at once
        const int fd = ::open("pipe.ini", O_WRONLY);
        ASSERT_GE(keep_open, 0);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        std::thread closer([fd] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            ::close(fd);
        });
        std::string read;
        const bool ok = readFile(".\\pipe.ini", read, cap);
        closer.join();
        ::close(keep_open);
        std::filesystem::remove("pipe.ini");
        ASSERT_TRUE(ok);
        EXPECT_EQ(read, bytes.substr(0, cap));
    }
}

// A read that fails (an I/O error, not an interruption) ends with failure and
// nothing read; it does not try again for ever. The process's own memory file
// answers a read at address 0, never mapped, with EIO. Run in a child so a
// read that spins shows as a failure here.
TEST_F(FilePosix, ReadErrorEndsTheRead) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string bytes = "stale";
        const bool read = readFile("/proc/self/mem", bytes, 1024);
        ::_exit(read ? 1 : bytes.empty() ? 0 : 2);
    }
    int status = 0;
    for (int waited_ms = 0; ::waitpid(child, &status, WNOHANG) == 0; waited_ms += 10) {
        if (waited_ms >= 10000) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the read was still going after 10 s";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: kept bytes";
}

// Two processes write the file in one folder at once (two copies of the
// plug-in, two simulator runs) while a reader watches: every read is one
// writer's whole bytes, never a mix; nothing is left behind. (With one shared
// temporary name, one writer truncates the other's temporary mid-write.)
TEST_F(FilePosix, TwoWritersNeverTearTheFile) {
    constexpr std::size_t kBytes = 1u << 20;
    constexpr int kWrites = 100;
    writeBytes("TavrelConfig.ini", std::string(kBytes, 'o'));
    pid_t writers[2];
    for (int w = 0; w < 2; ++w) {
        writers[w] = ::fork();
        ASSERT_GE(writers[w], 0);
        if (writers[w] == 0) {
            const std::string bytes(kBytes, w == 0 ? 'a' : 'b');
            int failed = 0;
            for (int i = 0; i < kWrites; ++i) failed += writeOver(".\\TavrelConfig.ini", {bytes.data(), kBytes}) ? 0 : 1;
            ::_exit(failed);
        }
    }
    int reads = 0, torn = 0, running = 2;
    int failed = 0;
    std::string now;
    while (running > 0) {
        for (pid_t& writer : writers) {
            int status = 0;
            if (writer > 0 && ::waitpid(writer, &status, WNOHANG) == writer) {
                EXPECT_TRUE(WIFEXITED(status));
                failed += WIFEXITED(status) ? WEXITSTATUS(status) : kWrites;
                writer = 0;
                --running;
            }
        }
        if (!readFile(".\\TavrelConfig.ini", now, 2 * kBytes)) continue;
        ++reads;
        if (now.size() != kBytes || now.find_first_not_of(now[0]) != std::string::npos) ++torn;
    }
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    // A write refuses when the other replaced the file after it looked (its
    // bytes came from the older file); how many depends on the timing (under
    // a sanitizer on a busy machine, half), but each refusal is a landed
    // write of the other, so not all refuse.
    EXPECT_LT(failed, 2 * kWrites);
    now = readBytes("TavrelConfig.ini");
    EXPECT_TRUE(now == std::string(kBytes, 'a') || now == std::string(kBytes, 'b'));
    EXPECT_TRUE(strayFiles().empty());
}

// A child replaces a large file and is killed at a varied point after it
// starts (during the write, the flush or the rename); the file must then hold
// the old bytes or the new, never a mix, and the next load leaves nothing
// of the killed write behind.
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
            writeOver(".\\TavrelConfig.ini", {new_bytes.data(), new_bytes.size()});
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
        recoverFile(".\\TavrelConfig.ini");
        const std::string now = readBytes("TavrelConfig.ini");
        ASSERT_TRUE(now == old_bytes || now == new_bytes) << "torn file of " << now.size() << " bytes, kill after " << delay_us << " us";
        (now == old_bytes ? saw_old : saw_new)++;
        EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "kill after " << delay_us << " us";
    }
    std::printf("killed writer: %d old, %d new\n", saw_old, saw_new);
}

// A process id that no longer runs (a child that has ended and been reaped).
pid_t endedProcess() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// What a load finds beside the file (store_cases.h).
TEST_F(FilePosix, TheLoadPutsBackTheFileAndRemovesLeftovers) {
    const pid_t sleeper = ::fork();
    if (sleeper == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string ended = std::to_string(endedProcess());
    const auto write = [](const std::string& name, const char* bytes) { writeBytes(name, bytes); };
    const std::vector<std::string> kept = layOutLeftovers(std::to_string(sleeper), ended, write);

    FileRecovery found = recoverFile(".\\TavrelConfig.ini");
    EXPECT_TRUE(found.restored);
    EXPECT_EQ(found.removed, kLeftoversRemoved);
    EXPECT_EQ(readBytes("TavrelConfig.ini"), kRestored);
    std::vector<std::string> left = strayFiles();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, kept);

    layOutPairBesideTheFile(ended, write);
    found = recoverFile(".\\TavrelConfig.ini");
    EXPECT_FALSE(found.restored);
    EXPECT_EQ(found.removed, 2);
    EXPECT_EQ(readBytes("TavrelConfig.ini"), kRestored);
    ::kill(sleeper, SIGKILL);
    ::waitpid(sleeper, nullptr, 0);
}

// A symbolic link in place of the file (mod managers deploy files so) stays
// a link: a write goes to the file it points to, in that file's folder, and
// leaves nothing in either folder.
TEST_F(FilePosix, ALinkStaysALink) {
    std::filesystem::create_directory("mods");
    writeBytes("mods/Tavrel.ini", "[Vehicle]\r\nold=1\r\n");
    std::filesystem::create_symlink("mods/Tavrel.ini", "TavrelConfig.ini");
    EXPECT_TRUE(writeKey("Vehicle", "key", "5"));
    EXPECT_TRUE(std::filesystem::is_symlink("TavrelConfig.ini"));
    EXPECT_EQ(readBytes("mods/Tavrel.ini"), "[Vehicle]\r\nold=1\r\nkey=5\r\n");
    EXPECT_EQ(strayFiles("mods"), std::vector<std::string>{"Tavrel.ini"});
    EXPECT_EQ(strayFiles(), std::vector<std::string>{"mods"});
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
        ::_exit(writeOver(".\\TavrelConfig.ini", {big.data(), big.size()}) ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "replaceFile reported success";
    EXPECT_EQ(readBytes("TavrelConfig.ini"), std::string(100, 'o'));
    EXPECT_TRUE(strayFiles().empty());
}

}  // namespace
}  // namespace tavrel::host
