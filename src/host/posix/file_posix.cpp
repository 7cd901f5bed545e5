// File access of the INI store, the log and the recorder on POSIX systems.
// The plug-in names its files ".\\TavrelConfig.ini"; backslashes become
// slashes here, so the same relative path resolves against the working
// directory.
// [SECTION] Paths
// [SECTION] Temporary files and leftovers
// [SECTION] Putting the new file in place
// [SECTION] The interface
// [SECTION] The log
// [SECTION] The recorder's file
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "host/host_binding.h"
#include "host/file_shared.h"
#include "host/host_file.h"

namespace tavrel::host {

namespace {

constexpr std::size_t kPathCapacity = 4096;
using Path = char[kPathCapacity];

// [SECTION] Paths

// Copies `path` with '\\' turned into '/'. False when it does not fit.
bool mapPath(const char* path, Path& out) {
    if (!path || !*path) return false;
    const std::size_t len = std::strlen(path);
    if (len >= kPathCapacity) return false;
    for (std::size_t i = 0; i <= len; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}

// The file a path names once symbolic links in its last part are followed
// (the file itself may be missing). False on a loop or an overlong path.
bool resolveLinks(const char* path, Path& out) {
    std::snprintf(out, sizeof out, "%s", path);
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(out, &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        Path link;
        const ssize_t n = ::readlink(out, link, sizeof link - 1);
        if (n < 0) return true;
        link[n] = '\0';
        const char* slash = std::strrchr(out, '/');
        const int dir_len = slash != nullptr && link[0] != '/' ? static_cast<int>(slash - out) + 1 : 0;
        Path next;
        const int len = std::snprintf(next, sizeof next, "%.*s%s", dir_len, out, link);
        if (len < 0 || len >= static_cast<int>(sizeof next)) return false;
        std::memcpy(out, next, static_cast<std::size_t>(len) + 1);
    }
    return false;
}

// The folder of a file's path ("." for a bare name) and its name.
std::string folderOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
}

std::string nameOf(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// A file's identity, size and time (no hash of its bytes yet).
FileStamp stampOf(const struct stat& st) {
    return FileStamp{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino),
                     static_cast<std::uint64_t>(st.st_size),
                     static_cast<std::uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                         static_cast<std::uint64_t>(st.st_mtim.tv_nsec),
                     0};
}

bool sameFileAs(const FileStamp& a, const FileStamp& b) {
    return a.volume == b.volume && a.index == b.index && a.size == b.size && a.time == b.time;
}

// Whether the file at `path` (not followed if a link) is the version
// `read_as`, its bytes read again and hashed.
bool sameVersion(const char* path, const FileStamp& read_as) {
    const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool same = ::fstat(fd, &st) == 0 && sameFileAs(stampOf(st), read_as);
    std::uint64_t hash = kHashStart;
    char chunk[16384];
    while (same) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            same = n == 0 && hash == read_as.content;
            break;
        }
        hash = hashBytes(chunk, static_cast<std::size_t>(n), hash);
    }
    ::close(fd);
    return same;
}

void sleepMs(long ms) {
    const timespec delay{0, ms * 1000000L};
    ::nanosleep(&delay, nullptr);
}

// [SECTION] Temporary files and leftovers

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Temporary files made by this copy of the store so far (part of their names).
std::atomic<unsigned> temp_count{0};

// Creates a temporary file of this writer's own beside `target`:
// "<target>.<process id>-<counter>.tmp", exclusively (O_EXCL), so no other
// writer opens it; a name in use (another copy of the store in this process,
// or a leftover) moves on to the next counter. `old` gets the matching
// ".old" name. The descriptor, or -1.
int createTemp(const char* target, Path& temp, Path& old) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        const unsigned n = temp_count.fetch_add(1, std::memory_order_relaxed);
        const long pid = static_cast<long>(::getpid());
        const int len = std::snprintf(temp, sizeof temp, "%s.%ld-%u.tmp", target, pid, n);
        if (len < 0 || len >= static_cast<int>(sizeof temp)) return -1;
        std::memcpy(old, temp, static_cast<std::size_t>(len) + 1);  // the same name, ".old"
        std::memcpy(old + len - 3, "old", 3);
        const int fd = ::open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Another process that still runs. This process's own files are never a
// write in progress when the store looks (one write at a time). A number no
// process id can be is none (cast, it would name a process group, or -1 all
// processes).
bool writerRunning(unsigned long pid) {
    if (pid == 0 || pid > static_cast<unsigned long>(std::numeric_limits<pid_t>::max())) return false;
    if (pid == static_cast<unsigned long>(::getpid())) return false;
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

// The store's temporary files beside `target`.
std::vector<leftovers::Entry> listLeftovers(const std::string& target) {
    std::vector<leftovers::Entry> entries;
    const std::string folder = folderOf(target);
    const std::string name = nameOf(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return entries;
    while (const dirent* d = ::readdir(dir)) {
        leftovers::Entry entry;
        if (!leftovers::parseName(d->d_name, name, false, entry)) continue;
        struct stat st;
        if (::lstat((folder + "/" + entry.name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        entry.time = stampOf(st).time;
        entry.running = writerRunning(entry.writer);
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

// `mapped` was missing: when a running writer has the file aside, waits (a
// bounded time) for it to come back. It may also have come back while the
// folder was looked at, and gone aside again for the writer's next write:
// looked at again, a few times.
leftovers::Wait waitForFileAside(const char* mapped) {
    Path target;
    struct stat st;
    if (!resolveLinks(mapped, target)) return leftovers::Wait::Missing;
    for (int look = 0; look < leftovers::kAsideLooks; ++look) {
        if (leftovers::fileAside(listLeftovers(target))) {
            for (int waited = 0; waited < leftovers::kAsideWaitMs; ++waited) {
                sleepMs(1);
                if (::stat(mapped, &st) == 0) return leftovers::Wait::Back;
            }
            return leftovers::Wait::Aside;
        }
        if (::stat(mapped, &st) == 0) return leftovers::Wait::Back;
    }
    return leftovers::Wait::Missing;
}

// [SECTION] Putting the new file in place

// Gives `from` the name `to` unless something has that name: false then
// (EEXIST) or when the system refuses. Where a rename cannot refuse to
// overwrite, a hard link can; where neither is there (FAT), a rename after a
// last look.
bool takeFreeName(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
#endif
    if (::link(from, to) == 0) {
        ::unlink(from);
        return true;
    }
    if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return false;
    struct stat st;
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from, to) == 0;
}

// Locks the folder of `target` for this writer (flock on the folder itself:
// no file is made for it; the system lets go when the process ends). The
// descriptor to close to unlock; -1 where the folder cannot be locked (the
// write goes on without); kFolderBusy when another writer has held it for
// leftovers::kAsideWaitMs (one stopped there: the write gives up).
constexpr int kFolderBusy = -2;
int lockFolder(const char* target) {
    Path folder;
    const char* slash = std::strrchr(target, '/');
    if (slash == nullptr) {
        std::strcpy(folder, ".");
    } else {
        const std::size_t len = slash == target ? 1 : static_cast<std::size_t>(slash - target);
        std::memcpy(folder, target, len);
        folder[len] = '\0';
    }
    const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++waited) {
        if (errno == EINTR) continue;
        const bool busy = errno == EWOULDBLOCK;
        if (!busy || waited == leftovers::kAsideWaitMs) {
            ::close(fd);
            return busy ? kFolderBusy : -1;
        }
        sleepMs(1);
    }
    return fd;
}

bool sameInode(const struct stat& st, const struct stat& mine) {
    return st.st_dev == mine.st_dev && st.st_ino == mine.st_ino;
}

// Without an exchange: the old file steps aside to `old` (a rename moves
// whatever has the name, so it is checked after), then the new one takes the
// free name without overwriting what may have come meanwhile. A crash in
// between leaves the pair that recoverFile puts back.
ReplaceResult stepAside(const char* temp, const char* old, const char* target, const FileStamp& read_as) {
    if (::rename(target, old) != 0) {
        const int error = errno;
        ::unlink(temp);
        return error == ENOENT ? ReplaceResult::Changed : ReplaceResult::Failed;
    }
    if (!sameVersion(old, read_as)) {
        // A newer file was moved aside: it goes back (unless a newer still
        // has taken the name since).
        if (!takeFreeName(old, target) && errno == EEXIST) ::unlink(old);
        ::unlink(temp);
        return ReplaceResult::Changed;
    }
    if (takeFreeName(temp, target)) {
        ::unlink(old);
        return ReplaceResult::Replaced;
    }
    if (errno == EEXIST) {  // a file saved into the free name meanwhile is newer
        ::unlink(temp);
        ::unlink(old);
        return ReplaceResult::Changed;
    }
    takeFreeName(old, target);
    ::unlink(temp);
    return ReplaceResult::Failed;
}

// Puts `temp` (this writer's file, `mine`) in the place of `target`, which
// must still be the version read. Exchanging the two names is one step and
// fails when the target is gone; the old file, then under the temporary's
// name, is checked (its bytes too), and a newer one found there is given its
// name back.
ReplaceResult putInPlace(const char* temp, const char* old, const char* target, const FileStamp& read_as,
                         const struct stat& mine) {
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) == 0) {
        if (sameVersion(temp, read_as)) {
            ::unlink(temp);
            return ReplaceResult::Replaced;
        }
        struct stat was;
        if (::renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) == 0 && ::lstat(temp, &was) == 0 &&
            sameInode(was, mine)) {
            ::unlink(temp);
        }
        return ReplaceResult::Changed;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        const int error = errno;
        ::unlink(temp);
        return error == ENOENT ? ReplaceResult::Changed : ReplaceResult::Failed;
    }
#else
    (void)mine;
#endif
    return stepAside(temp, old, target, read_as);
}

}  // namespace

// [SECTION] The interface

bool binding::fileExists(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    Path mapped;
    struct stat st;
    if (!mapPath(path, mapped)) return false;
    return ::stat(mapped, &st) == 0 || (errno == ENOENT && waitForFileAside(mapped) != leftovers::Wait::Missing);
}

bool binding::readFile(const char* path, std::string& out, std::size_t max_bytes, FileStamp* stamp) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    out.clear();
    Path mapped;
    if (!mapPath(path, mapped)) return false;
    int fd = ::open(mapped, O_RDONLY | O_CLOEXEC);
    // A writer in a loop may move it aside again before the second look.
    for (int look = 0; fd < 0 && errno == ENOENT && look < leftovers::kAsideLooks; ++look) {
        if (waitForFileAside(mapped) != leftovers::Wait::Back) break;
        fd = ::open(mapped, O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (stamp != nullptr) *stamp = stampOf(st);
    // One byte past the reported size, so the end shows without growing.
    std::size_t want = st.st_size > 0 ? static_cast<std::size_t>(st.st_size) + 1 : 4096;
    out.resize(want < max_bytes ? want : max_bytes);
    std::size_t used = 0;
    bool ok = true;
    while (used < max_bytes) {
        if (used == out.size()) out.resize(out.size() * 2 < max_bytes ? out.size() * 2 : max_bytes);
        const ssize_t n = ::read(fd, out.data() + used, out.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(ok ? used : 0);
    if (stamp != nullptr) stamp->content = hashBytes(out.data(), out.size());
    return ok;
}

ReplaceResult binding::replaceFile(const char* path, const char* data, std::size_t size, const FileStamp& read_as) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    Path mapped;
    Path target;
    Path temp;
    Path old;
    if (!mapPath(path, mapped) || !resolveLinks(mapped, target)) return ReplaceResult::Failed;

    struct stat st;
    if (::lstat(target, &st) != 0) return errno == ENOENT ? ReplaceResult::Changed : ReplaceResult::Failed;
    if (!S_ISREG(st.st_mode)) return ReplaceResult::Failed;  // never replaces what is not a file
    // Read-only stays untouched: no write permission for us, or (as for root,
    // who may write anything) no write bit at all, like a read-only attribute.
    if (::access(target, W_OK) != 0) return errno == ENOENT ? ReplaceResult::Changed : ReplaceResult::Failed;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return ReplaceResult::Failed;
    if (!sameFileAs(stampOf(st), read_as)) return ReplaceResult::Changed;

    const int fd = createTemp(target, temp, old);
    if (fd < 0) return ReplaceResult::Failed;
    // No fsync: the game thread waits for this. The rename keeps a crash of
    // the game from tearing the file; the system writes the bytes out.
    struct stat mine;
    bool ok = writeAll(fd, data, size);
    ok = ok && ::fchmod(fd, st.st_mode & 07777) == 0 && ::fstat(fd, &mine) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temp);
        return ReplaceResult::Failed;
    }
    // One writer of this store at a time puts its file in place in a folder,
    // so none finds the file as another's check is about to give it back.
    const int folder = lockFolder(target);
    if (folder == kFolderBusy) {
        ::unlink(temp);
        return ReplaceResult::Failed;
    }
    ReplaceResult result = ReplaceResult::Changed;
    const bool present = ::lstat(target, &st) == 0;
    if (!present && errno != ENOENT) result = ReplaceResult::Failed;
    if (!present || !sameFileAs(stampOf(st), read_as)) {
        ::unlink(temp);
    } else {
        if (testing::before_replace != nullptr) testing::before_replace(temp);
        result = putInPlace(temp, old, target, read_as, mine);
    }
    if (folder >= 0) ::close(folder);  // the lock goes with it
    return result;
}

FileRecovery binding::recoverFile(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    FileRecovery result;
    Path mapped;
    Path target;
    if (!mapPath(path, mapped) || !resolveLinks(mapped, target)) return result;
    const std::vector<leftovers::Entry> entries = listLeftovers(target);
    if (entries.empty()) return result;
    struct stat st;
    const bool missing = ::lstat(target, &st) != 0 && errno == ENOENT;
    const leftovers::Plan plan = leftovers::planRecovery(entries, missing);
    const std::string folder = folderOf(target) + "/";
    if (plan.restore >= 0) {
        const std::string& name = entries[static_cast<std::size_t>(plan.restore)].name;
        result.restored = takeFreeName((folder + name).c_str(), target);
    }
    for (const std::size_t i : plan.remove) {
        if (::unlink((folder + entries[i].name).c_str()) == 0) ++result.removed;
    }
    return result;
}

// [SECTION] The log

// The log: a file of its own, written by appending; O_NOFOLLOW keeps a link
// planted at its name from redirecting the writes.
constexpr int kLogFlags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
constexpr mode_t kLogMode = 0644;

bool binding::startLogFile(const char* path, const char* old_path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    Path mapped;
    Path old;
    if (!mapPath(path, mapped) || !mapPath(old_path, old)) return false;
    struct stat st;
    if (::lstat(mapped, &st) == 0 && S_ISREG(st.st_mode)) ::rename(mapped, old);  // failing: cut below
    const int fd = ::open(mapped, kLogFlags | O_TRUNC, kLogMode);
    return fd >= 0 && ::close(fd) == 0;
}

bool binding::appendLogFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    Path mapped;
    if (!mapPath(path, mapped)) return false;
    const int fd = ::open(mapped, kLogFlags | O_APPEND, kLogMode);
    if (fd < 0) return false;
    const bool ok = writeAll(fd, data, size);
    return ::close(fd) == 0 && ok;
}

// [SECTION] The recorder's file

// Tavrel.rec, written whole: the pieces go to "<path>.<process id>.tmp",
// which then takes the name.
bool binding::writeWholeFile(const char* path, const FilePiece* pieces, int count) {
    Path target;
    Path temp;
    if (!mapPath(path, target)) return false;
    const int n = std::snprintf(temp, sizeof temp, "%s.%ld.tmp", target, static_cast<long>(::getpid()));
    if (n < 0 || n >= static_cast<int>(sizeof temp)) return false;
    const int fd = ::open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = writeAll(fd, static_cast<const char*>(pieces[i].data), pieces[i].size);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp, target) == 0) return true;
    ::unlink(temp);
    return false;
}

namespace testing {

std::atomic<unsigned long> file_calls{0};
void (*before_replace)(const char* temp_path) = nullptr;

}  // namespace testing

}  // namespace tavrel::host
