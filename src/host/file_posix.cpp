// File access of the INI store and of the log on POSIX systems. The plug-in names its file
// ".\\TavrelConfig.ini"; backslashes become slashes here, so the same
// relative path resolves against the working directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/host_file.h"

namespace tavrel::host {

namespace {

constexpr std::size_t kPathCapacity = 4096;

// Copies `path` with '\\' turned into '/'. False when it does not fit.
bool mapPath(const char* path, char (&out)[kPathCapacity]) {
    if (!path || !*path) return false;
    const std::size_t len = std::strlen(path);
    if (len >= kPathCapacity) return false;
    for (std::size_t i = 0; i <= len; ++i) out[i] = path[i] == '\\' ? '/' : path[i];
    return true;
}

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
// or a leftover) moves on to the next counter. The descriptor, or -1.
int createTemp(const char* target, char (&temp)[kPathCapacity]) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        const unsigned n = temp_count.fetch_add(1, std::memory_order_relaxed);
        const int len = std::snprintf(temp, sizeof temp, "%s.%ld-%u.tmp", target, static_cast<long>(::getpid()), n);
        if (len < 0 || len >= static_cast<int>(sizeof temp)) return -1;
        const int fd = ::open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Puts `temp` in the place of `target`, which must still be the file found
// before (`before`, from lstat): a target deleted or replaced meanwhile is
// left as it is. Exchanging the two names (one step; fails when the target is
// gone) leaves no window at all; where the file system cannot exchange, the
// target is checked again right before a plain rename. Removes the temporary
// file whatever happens, and nothing else.
bool putInPlace(const char* temp, const char* target, const struct stat& before) {
#ifdef RENAME_EXCHANGE
    if (::renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) == 0) {
        // The old file now carries the temporary's name.
        struct stat old;
        if (::lstat(temp, &old) == 0 && sameFile(old, before)) {
            ::unlink(temp);
            return true;
        }
        // Another program put a file there meanwhile: give its file back
        // (and should that fail, leave its file where it is).
        if (::renameat2(AT_FDCWD, temp, AT_FDCWD, target, RENAME_EXCHANGE) == 0) ::unlink(temp);
        return false;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {  // ENOENT: the file is gone
        ::unlink(temp);
        return false;
    }
#endif
    struct stat now;
    if (::lstat(target, &now) == 0 && sameFile(now, before) && ::rename(temp, target) == 0) return true;
    ::unlink(temp);
    return false;
}

}  // namespace

bool fileExists(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    char mapped[kPathCapacity];
    struct stat st;
    return mapPath(path, mapped) && ::stat(mapped, &st) == 0;
}

bool readFile(const char* path, std::string& out, std::size_t max_bytes) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    out.clear();
    char mapped[kPathCapacity];
    if (!mapPath(path, mapped)) return false;
    const int fd = ::open(mapped, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
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
    return ok;
}

bool replaceFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    char mapped[kPathCapacity];
    char temp[kPathCapacity];
    if (!mapPath(path, mapped)) return false;

    struct stat st;
    struct stat identity;
    if (::stat(mapped, &st) != 0 || !S_ISREG(st.st_mode)) return false;  // never creates the file
    if (::lstat(mapped, &identity) != 0) return false;
    // Read-only stays untouched: no write permission for us, or (as for root,
    // who may write anything) no write bit at all, like a read-only attribute.
    if (::access(mapped, W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;

    const int fd = createTemp(mapped, temp);
    if (fd < 0) return false;
    // No fsync: the game thread waits for this. The rename keeps a crash of
    // the game from tearing the file; the system writes the bytes out.
    bool ok = writeAll(fd, data, size);
    ok = ok && ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temp);
        return false;
    }
    if (testing::before_replace != nullptr) testing::before_replace(temp);
    return putInPlace(temp, mapped, identity);
}

// The log: a file of its own, written by appending; O_NOFOLLOW keeps a link
// planted at its name from redirecting the writes.
constexpr int kLogFlags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW;
constexpr mode_t kLogMode = 0644;

bool startLogFile(const char* path, const char* old_path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    char mapped[kPathCapacity];
    char old[kPathCapacity];
    if (!mapPath(path, mapped) || !mapPath(old_path, old)) return false;
    struct stat st;
    if (::lstat(mapped, &st) == 0 && S_ISREG(st.st_mode)) ::rename(mapped, old);  // failing: cut below
    const int fd = ::open(mapped, kLogFlags | O_TRUNC, kLogMode);
    return fd >= 0 && ::close(fd) == 0;
}

bool appendLogFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    char mapped[kPathCapacity];
    if (!mapPath(path, mapped)) return false;
    const int fd = ::open(mapped, kLogFlags | O_APPEND, kLogMode);
    if (fd < 0) return false;
    const bool ok = writeAll(fd, data, size);
    return ::close(fd) == 0 && ok;
}

namespace testing {

std::atomic<unsigned long> file_calls{0};
void (*before_replace)(const char* temp_path) = nullptr;

}  // namespace testing

}  // namespace tavrel::host
