// File access of the INI store and of the log on Windows (Win32, ANSI paths).
//
// Paths arrive as the plug-in names them (".\\TavrelConfig.ini"), already in
// Windows form, relative to the game's working directory.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <iterator>
#include <string>

#include "host/host_file.h"

namespace {

constexpr DWORD kChunk = 64 * 1024;  // bytes per ReadFile / WriteFile call

// An open Win32 handle, closed on every path out.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    // True when the handle was closed without error.
    bool close() {
        if (!valid()) return true;
        const bool ok = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, kChunk));
        DWORD written = 0;
        if (!WriteFile(file, data, want, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Temporary files made by this copy of the store so far (part of their names).
std::atomic<unsigned> temp_count{0};

// The ANSI file functions take paths up to MAX_PATH; the temporary's name
// adds ".<process id>-<counter>.tmp".
constexpr int kTempSuffix = 32;
using WidePath = wchar_t[MAX_PATH + kTempSuffix];

// `path` in UTF-16, as the ANSI file functions read it. False when it does
// not convert or is too long.
bool widePath(const char* path, WidePath& out) {
    const UINT code_page = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    return MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, path, -1, out, MAX_PATH) > 1;
}

// Creates a temporary file of this writer's own beside `target`:
// "<target>.<process id>-<counter>.tmp", with CREATE_NEW, so no other writer
// opens it; a name in use (another copy of the store in this process, or a
// leftover) moves on to the next counter. Made with `attributes`. `old` gets
// the matching name "<target>.<process id>-<counter>.old", for the old file.
HANDLE createTemp(const WidePath& target, DWORD attributes, WidePath& temp, WidePath& old) {
    const unsigned long pid = GetCurrentProcessId();
    for (int attempt = 0; attempt < 64; ++attempt) {
        const unsigned n = temp_count.fetch_add(1, std::memory_order_relaxed);
        const int len = _snwprintf(temp, std::size(temp), L"%ls.%lu-%u.tmp", target, pid, n);
        if (len < 0 || len >= static_cast<int>(std::size(temp))) break;
        _snwprintf(old, std::size(old), L"%ls.%lu-%u.old", target, pid, n);  // as long: fits
        HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE) return file;
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

namespace tavrel::host {

bool fileExists(const char* path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool readFile(const char* path, std::string& out, std::size_t max_bytes) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    out.clear();
    // Shared for writing and deleting too, so a text editor that has the
    // file open, or saves it by rename, does not make the read fail.
    FileHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;

    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0) {
        out.reserve(static_cast<std::size_t>(
            std::min<unsigned long long>(static_cast<unsigned long long>(size.QuadPart), max_bytes)));
    }
    // Read until end of file or the cap; the size above is only a hint, the
    // file may grow or shrink meanwhile.
    while (out.size() < max_bytes) {
        const std::size_t used = out.size();
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(max_bytes - used, kChunk));
        out.resize(used + want);
        DWORD got = 0;
        if (!ReadFile(file.get(), out.data() + used, want, &got, nullptr)) {
            out.resize(used);
            return false;
        }
        out.resize(used + got);
        if (got == 0) break;
    }
    return true;
}

bool replaceFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // never create it
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return false;

    WidePath target;
    WidePath temp;
    WidePath old;
    if (!widePath(path, target)) return false;
    // Made with the file's own attributes (hidden, system...): ReplaceFileW
    // keeps them too, but not every implementation of it does (Wine's).
    constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                            FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    const DWORD kept = attributes & kKept;
    FileHandle file(createTemp(target, kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL, temp, old));
    if (!file.valid()) return false;

    // No FlushFileBuffers: the game thread waits for this. ReplaceFileW keeps
    // a crash of the game from tearing the file; the system writes the bytes out.
    bool ok = writeAll(file.get(), data, size);
    ok = file.close() && ok;
    if (!ok) {
        DeleteFileW(temp);
        return false;
    }
    if (testing::before_replace != nullptr) {
        char narrow[std::size(temp) * 2];
        if (WideCharToMultiByte(CP_ACP, 0, temp, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) {
            testing::before_replace(narrow);
        }
    }
    // The temporary takes the file's name, attributes and security; refused
    // (ERROR_FILE_NOT_FOUND) when the file is gone, so it is never created.
    // The old file is moved to a name of this writer's own and deleted after:
    // no name made up by the system is left behind when the replace fails
    // (Wine's ReplaceFileW leaves one), and Wine's is three times faster so.
    if (ReplaceFileW(target, temp, old, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        DeleteFileW(old);
        return true;
    }
    if (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
        // The old file was moved to `old`, the new one not into place: the
        // old one goes back (unless a file appeared there since).
        MoveFileExW(old, target, 0);
    }
    DeleteFileW(temp);
    return false;
}

// The log: shared for reading, writing and deleting, so a player may open
// or delete it while the game runs.
constexpr DWORD kLogSharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool startLogFile(const char* path, const char* old_path) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    const DWORD attributes = GetFileAttributesA(path);
    constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotAFile) == 0) {
        MoveFileExA(path, old_path, MOVEFILE_REPLACE_EXISTING);  // failing: cut below
    }
    FileHandle file(CreateFileA(path, GENERIC_WRITE, kLogSharing, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid() && file.close();
}

bool appendLogFile(const char* path, const char* data, std::size_t size) {
    testing::file_calls.fetch_add(1, std::memory_order_relaxed);
    FileHandle file(CreateFileA(path, FILE_APPEND_DATA, kLogSharing, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    const bool ok = writeAll(file.get(), data, size);
    return file.close() && ok;
}

namespace testing {

std::atomic<unsigned long> file_calls{0};
void (*before_replace)(const char* temp_path) = nullptr;

}  // namespace testing

}  // namespace tavrel::host
