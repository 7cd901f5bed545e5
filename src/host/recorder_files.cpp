// The INI store's file access as the plug-in calls it: recorded (reads with
// their bytes), then forwarded to the binding.
#include "host/host_binding.h"
#include "host/host_file.h"
#include "host/recorder_core.h"

namespace tavrel::host {

using namespace rec_core;

namespace {

std::uint8_t* putPath(std::uint8_t* p, const char* path, std::size_t size) {
    p = putVarint(p, static_cast<std::uint32_t>(size));
    return putBytes(p, path, size);
}

std::size_t pathSize(const char* path) {
    const std::size_t n = path != nullptr ? std::strlen(path) : 0;
    return n < 1024 ? n : 1024;
}

void recordRead(const char* path, std::size_t limit, bool ok, const std::string& bytes) {
    const std::size_t path_size = pathSize(path);
    const std::size_t size = bytes.size();
    const bool large = ok && size > kLargestRead;
    if (!beginRecord(1 + kVarint + path_size + kVarint + 1 + 3 * kVarint + 8 + (ok && !large ? size : 0))) return;
    std::uint8_t* p = g.w;
    *p++ = rec::kTagFileRead;
    p = putPath(p, path, path_size);
    p = putVarint(p, static_cast<std::uint32_t>(limit < 0xFFFFFFFFu ? limit : 0xFFFFFFFFu));
    const bool same_path = g.read_known && g.read_path_size == path_size &&
                           std::memcmp(g.read_path, path, path_size) == 0;
    if (!ok) {
        *p++ = rec::kReadFailed;
    } else if (large) {
        *p++ = rec::kReadLarge;
        p = putVarint(p, static_cast<std::uint32_t>(size));
        p = put64(p, rec::checksum(bytes.data(), size));
    } else if (same_path) {
        // Against the chunk's last read: the common beginning and end.
        const std::size_t old_size = g.read_size;
        const std::size_t most = size < old_size ? size : old_size;
        std::size_t prefix = 0;
        while (prefix < most && g.read_bytes[prefix] == static_cast<std::uint8_t>(bytes[prefix])) ++prefix;
        std::size_t suffix = 0;
        while (suffix < most - prefix &&
               g.read_bytes[old_size - 1 - suffix] == static_cast<std::uint8_t>(bytes[size - 1 - suffix])) {
            ++suffix;
        }
        g.step_refers = g.step_refers || g.in_step;
        if (prefix == size && size == old_size) {
            *p++ = rec::kReadSame;
        } else {
            *p++ = rec::kReadDelta;
            p = putVarint(p, static_cast<std::uint32_t>(prefix));
            p = putVarint(p, static_cast<std::uint32_t>(suffix));
            const std::size_t middle = size - prefix - suffix;
            p = putVarint(p, static_cast<std::uint32_t>(middle));
            p = putBytes(p, bytes.data() + prefix, middle);
            std::memcpy(g.read_bytes, bytes.data(), size);
            g.read_size = static_cast<std::uint32_t>(size);
        }
    } else {
        *p++ = rec::kReadBytes;
        p = putVarint(p, static_cast<std::uint32_t>(size));
        p = putBytes(p, bytes.data(), size);
        if (path_size <= kReadPathCapacity) {
            std::memcpy(g.read_path, path, path_size);
            g.read_path_size = static_cast<std::uint32_t>(path_size);
            std::memcpy(g.read_bytes, bytes.data(), size);
            g.read_size = static_cast<std::uint32_t>(size);
            g.read_known = true;
        }
    }
    g.w = p;
}

// A write of the plug-in (the INI file's, the log's): the bytes by their
// size and checksum, and its outcome (kWrite*).
void recordWrite(std::uint8_t tag, const char* path, const char* data, std::size_t size, std::uint8_t result) {
    const std::size_t path_size = pathSize(path);
    if (!beginRecord(2 + 2 * kVarint + path_size + 8)) return;
    *g.w++ = tag;
    g.w = putPath(g.w, path, path_size);
    g.w = putVarint(g.w, static_cast<std::uint32_t>(size));
    g.w = put64(g.w, rec::checksum(data, size));
    *g.w++ = result;
}

}  // namespace

bool fileExists(const char* path) {
    const bool exists = binding::fileExists(path);
    if (recording()) {
        const std::size_t path_size = pathSize(path);
        if (beginRecord(2 + kVarint + path_size)) {
            *g.w++ = rec::kTagFileExists;
            g.w = putPath(g.w, path, path_size);
            *g.w++ = exists ? 1 : 0;
        }
    }
    return exists;
}

// The version a read saw (FileStamp) is the host's own name for the file and
// is not recorded: a replay's store reads and stamps its own copy.
bool readFile(const char* path, std::string& out, std::size_t max_bytes, FileStamp* stamp) {
    const bool ok = binding::readFile(path, out, max_bytes, stamp);
    if (recording()) recordRead(path, max_bytes, ok, out);
    return ok;
}

ReplaceResult replaceFile(const char* path, const char* data, std::size_t size, const FileStamp& read_as) {
    const ReplaceResult result = binding::replaceFile(path, data, size, read_as);
    if (recording()) {
        const std::uint8_t code = result == ReplaceResult::Replaced  ? rec::kWriteDone
                                  : result == ReplaceResult::Changed ? rec::kWriteChanged
                                                                     : rec::kWriteFailed;
        recordWrite(rec::kTagFileReplace, path, data, size, code);
    }
    return result;
}

// The load's look for a write cut off and for leftovers: what it found.
FileRecovery recoverFile(const char* path) {
    const FileRecovery found = binding::recoverFile(path);
    if (recording()) {
        const std::size_t path_size = pathSize(path);
        if (beginRecord(2 + 2 * kVarint + path_size)) {
            *g.w++ = rec::kTagFileRecover;
            g.w = putPath(g.w, path, path_size);
            *g.w++ = found.restored ? 1 : 0;
            g.w = putVarint(g.w, static_cast<std::uint32_t>(found.removed > 0 ? found.removed : 0));
        }
    }
    return found;
}

// The log's writes: outputs of the plug-in, recorded with their outcome (a
// replay checks the bytes by their checksum, and makes a write fail where
// it failed).
bool startLogFile(const char* path, const char* old_path) {
    const bool ok = binding::startLogFile(path, old_path);
    if (recording()) {
        const std::size_t path_size = pathSize(path);
        const std::size_t old_size = pathSize(old_path);
        if (beginRecord(2 + 2 * kVarint + path_size + old_size)) {
            *g.w++ = rec::kTagLogStart;
            g.w = putPath(g.w, path, path_size);
            g.w = putPath(g.w, old_path, old_size);
            *g.w++ = ok ? 1 : 0;
        }
    }
    return ok;
}

bool appendLogFile(const char* path, const char* data, std::size_t size) {
    const bool ok = binding::appendLogFile(path, data, size);
    if (recording()) recordWrite(rec::kTagFileAppend, path, data, size, ok ? rec::kWriteDone : rec::kWriteFailed);
    return ok;
}

}  // namespace tavrel::host
