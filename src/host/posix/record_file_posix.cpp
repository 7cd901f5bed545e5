// Writing a whole file on POSIX systems (the recorder's Tavrel.rec): the
// pieces go to "<path>.<process id>.tmp", which then takes the name.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/host_binding.h"

namespace tavrel::host::binding {

namespace {

constexpr std::size_t kPathCapacity = 4096;

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool writeWholeFile(const char* path, const FilePiece* pieces, int count) {
    if (path == nullptr || *path == '\0') return false;
    char target[kPathCapacity];
    char temp[kPathCapacity];
    const std::size_t len = std::strlen(path);
    if (len >= kPathCapacity) return false;
    for (std::size_t i = 0; i <= len; ++i) target[i] = path[i] == '\\' ? '/' : path[i];
    const int n = std::snprintf(temp, sizeof temp, "%s.%ld.tmp", target, static_cast<long>(::getpid()));
    if (n < 0 || n >= static_cast<int>(sizeof temp)) return false;
    const int fd = ::open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    bool ok = true;
    for (int i = 0; i < count && ok; ++i) ok = writeAll(fd, pieces[i].data, pieces[i].size);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp, target) == 0) return true;
    ::unlink(temp);
    return false;
}

}  // namespace tavrel::host::binding
