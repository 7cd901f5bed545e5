// File access of the INI store on POSIX systems. The plug-in names its file
// ".\\TavrelConfig.ini"; backslashes become slashes here, so the same
// relative path resolves against the working directory.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Makes the rename itself durable: fsync of the containing directory.
void syncParentDirectory(const char* path) {
    char dir[kPathCapacity];
    std::strcpy(dir, path);
    char* slash = std::strrchr(dir, '/');
    if (slash == dir) {
        slash[1] = '\0';
    } else if (slash) {
        *slash = '\0';
    } else {
        std::strcpy(dir, ".");
    }
    const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool fileExists(const char* path) {
    char mapped[kPathCapacity];
    struct stat st;
    return mapPath(path, mapped) && ::stat(mapped, &st) == 0;
}

bool readFile(const char* path, std::string& out, std::size_t max_bytes) {
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
    char mapped[kPathCapacity];
    char temp[kPathCapacity];
    if (!mapPath(path, mapped)) return false;
    if (std::snprintf(temp, sizeof temp, "%s.tmp", mapped) >= static_cast<int>(sizeof temp)) return false;

    struct stat st;
    if (::stat(mapped, &st) != 0 || !S_ISREG(st.st_mode)) return false;  // never creates the file
    // Read-only stays untouched: no write permission for us, or (as for root,
    // who may write anything) no write bit at all, like a read-only attribute.
    if (::access(mapped, W_OK) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;

    const int fd = ::open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    bool ok = writeAll(fd, data, size);
    ok = ok && ::fchmod(fd, st.st_mode & 07777) == 0;
    ok = ok && ::fsync(fd) == 0;  // the new bytes are on disk before the rename
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp, mapped) == 0;
    if (!ok) {
        ::unlink(temp);
        return false;
    }
    syncParentDirectory(mapped);
    return true;
}

}  // namespace tavrel::host
